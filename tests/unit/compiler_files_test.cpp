// Source files on disk: #INCLUDE names are found as the file commands find names
// (backslashes, any letter case), from the including file's folder; folders and missing
// files are reported, never read; include chains have a bound.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "compiler/compiler.h"
#include "compiler/source.h"
#include "platform/fs.h"
#include "support/image_builder.h"

namespace zt::compiler {
namespace {

namespace fs = std::filesystem;

void write(const fs::path& path, const std::string& text) {
  fs::create_directories(path.parent_path());
  std::ofstream(path) << text;
}

TEST(CompilerFiles, IncludeNamesAreResolvedLikeFileNames) {
  fs::path dir = test::freshFolder("compiler_include_names");
  write(dir / "game" / "main.ztb", "#include \"LIB\\Helpers.ZTB\"\nprint twice(21)\n");
  // Relative to the including file: lib/helpers.ztb includes lib/more/three.ztb.
  write(dir / "game" / "lib" / "helpers.ztb", "#include \"More\\three.ztb\"\nfunction twice(n)\nendfunction n * 2\n");
  write(dir / "game" / "lib" / "more" / "three.ztb", "#include \"..\\..\\top.ztb\"\nfunction three()\nendfunction 3\n");
  write(dir / "game" / "top.ztb", "x = three()\n");
  CompileResult r = compileFile((dir / "game" / "main.ztb").string());
  ASSERT_TRUE(r.ok) << r.messages;
  test::RunResult run = test::runImage("compiler_include_run", r.image);
  EXPECT_EQ(run.out, "42\n") << run.err;

  // Messages name an included file by its path from the including file's folder.
  write(dir / "bad" / "main.ztb", "#include \"Parts\\BROKEN.ztb\"\n");
  write(dir / "bad" / "parts" / "broken.ztb", "print 1\nprint (\n");
  fs::path was = fs::current_path();
  fs::current_path(dir);
  r = compileFile("bad/main.ztb");
  fs::current_path(was);
  EXPECT_EQ(r.messages, "bad/parts/broken.ztb:2:8: expected a value but found end of line\n");
}

TEST(CompilerFiles, FoldersAndMissingFilesAreReported) {
  fs::path dir = test::freshFolder("compiler_include_folders");
  fs::create_directories(dir / "folder.ztb");
  write(dir / "main.ztb", "#include \"folder.ztb\"\n#include \"missing.ztb\"\n#include \"a|b.ztb\"\n");
  CompileResult r = compileFile((dir / "main.ztb").string());
  EXPECT_FALSE(r.ok);
  std::string main = (dir / "main.ztb").string();
  EXPECT_EQ(r.messages, main + ":1:1: cannot read \"folder.ztb\": it is a folder\n" + main +
                            ":2:1: cannot read \"missing.ztb\": no such file\n" + main +
                            ":3:1: \"a|b.ztb\" cannot name a file\n");

  // The file compiled (ztc --check, the engine) or listed (ztc --disasm) may be a folder.
  std::string folder = (dir / "folder.ztb").string();
  r = compileFile(folder);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.messages, folder + ": cannot read the file: it is a folder\n");
  std::string bytes, why;
  EXPECT_FALSE(readWholeFile(folder, bytes, UINT64_MAX, &why));
  EXPECT_EQ(why, "it is a folder");
  EXPECT_TRUE(readWholeFile(main, bytes, UINT64_MAX, &why));
  EXPECT_EQ(bytes.substr(0, 9), "#include ");
}

// The text of one compilation is at most 16 MB; including a file again reads it again.
TEST(CompilerFiles, SourcesTotalAtMost16MB) {
  fs::path dir = test::freshFolder("compiler_source_size");
  const std::string main = (dir / "main.ztb").string(), include = "#include \"big.ztb\"\n";
  const size_t room = (size_t(16) << 20) - include.size();
  write(main, include);
  write(dir / "big.ztb", std::string(room, '\n'));
  CompileResult r = compileFile(main);
  EXPECT_TRUE(r.ok) << r.messages;
  write(dir / "big.ztb", std::string(room + 1, '\n'));
  const std::string tooMuch = "cannot read \"big.ztb\": the program's source files would exceed 16 MB\n";
  EXPECT_EQ(compileFile(main).messages, main + ":1:1: " + tooMuch);
  write(main, include + include);
  write(dir / "big.ztb", std::string(room / 2, '\n'));
  EXPECT_EQ(compileFile(main).messages, main + ":2:1: " + tooMuch);
}

TEST(CompilerFiles, IncludeChainsReach15Levels) {
  fs::path dir = test::freshFolder("compiler_include_depth");
  // level0.ztb includes level1.ztb ... up to level`deepest`.ztb.
  auto chain = [&](int deepest) {
    for (int i = 0; i < deepest; ++i)
      write(dir / ("level" + std::to_string(i) + ".ztb"), "#include \"level" + std::to_string(i + 1) + ".ztb\"\n");
    write(dir / ("level" + std::to_string(deepest) + ".ztb"), "print 1\n");
    return compileFile((dir / "level0.ztb").string());
  };
  CompileResult r = chain(15);
  EXPECT_TRUE(r.ok) << r.messages;
  r = chain(16);
  EXPECT_EQ(r.messages, (dir / "level15.ztb").string() + ":1:1: #INCLUDE nested too deeply (at most 15 levels)\n");

  write(dir / "self.ztb", "#include \"SELF.ZTB\"\n");
  r = compileFile((dir / "self.ztb").string());
  EXPECT_EQ(r.messages, (dir / "self.ztb").string() + ":1:1: \"SELF.ZTB\" includes itself\n");
}

}  // namespace
}  // namespace zt::compiler
