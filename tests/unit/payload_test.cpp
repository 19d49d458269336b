// The payload: packing a game and reading it back, the lookups' name rules and their
// temporary copies, and tails that are not payloads (each must give no entries and never
// read outside the file).
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <filesystem>
#include <fstream>

#include "support/engine.h"
#include "host/pack.h"
#include "support/image_builder.h"

namespace zt::test {
namespace {

namespace fs = std::filesystem;

std::string workDir(const std::string& name) {
  fs::path dir = fs::path(ZT_TEST_WORK_DIR) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string() + "/";
}

void writeFile(const std::string& path, std::string_view bytes) {
  fs::create_directories(fs::path(path).parent_path());
  std::ofstream(path, std::ios::binary).write(bytes.data(), std::streamsize(bytes.size()));
}

std::string int32(int64_t v) {
  const uint32_t u = uint32_t(v);
  return {char(u), char(u >> 8), char(u >> 16), char(u >> 24)};
}

// One entry as the packer writes it; `nameLength` overrides the stored length.
std::string entry(std::string_view name, std::string_view data, int64_t nameLength = -1) {
  return int32(nameLength < 0 ? int64_t(name.size() + 1) : nameLength) + std::string(name) + '\0' +
         int32(int64_t(data.size())) + std::string(data);
}

// An executable of `prefix` followed by `entries` and the trailer pointing at them.
std::string game(std::string_view prefix, std::string_view entries) {
  return std::string(prefix) + std::string(entries) + int32(int64_t(prefix.size()));
}

Payload openBytes(const std::string& dir, std::string_view file) {
  writeFile(dir + "game", file);
  Payload p;
  EXPECT_TRUE(openPayload(p, dir + "game"));
  return p;
}

// A runtime whose payload holds `entries` and whose TempFolder is `dir`.
void openInto(Runtime& rt, const std::string& dir, std::string_view entries) {
  rt.settings.TempFolder = dir + "temp/";
  fs::create_directories(rt.settings.TempFolder);
  rt.host.payload = openBytes(dir, game("\x7f"
                                        "ELF engine",
                                        entries));
}

TEST(Payload, PackedGameReadsBackWithLowerCaseBackslashNames) {
  const std::string dir = workDir("payload_pack");
  const std::string engine =
      "\x7f"
      "ELF the engine's bytes";
  writeFile(dir + "engine", engine);
  writeFile(dir + "media/Data/Scores.TXT", "42\r\n");
  writeFile(dir + "media/music.MID", std::string("MThd\0\0", 6));
  writeFile(dir + "media/Data/Deep/empty.dat", "");
  std::string error;
  ASSERT_TRUE(packCompiledGame(dir + "My Game.ztb", "IMAGE", dir + "media", dir + "engine", dir + "game", error))
      << error;
  struct stat st {};
  ASSERT_EQ(stat((dir + "game").c_str(), &st), 0);
  EXPECT_TRUE(st.st_mode & S_IXUSR);
  EXPECT_FALSE(fs::exists(dir + "game.part"));

  const std::string bytes = readFile(dir + "game");
  EXPECT_EQ(bytes.substr(0, engine.size()), engine);
  Payload p;
  ASSERT_TRUE(openPayload(p, dir + "game"));
  EXPECT_EQ(p.defect, "");
  ASSERT_EQ(p.entries.size(), 4u);
  const std::pair<std::string, std::string> expected[] = {{"my game.img", "IMAGE"},
                                                          {"data\\deep\\empty.dat", ""},
                                                          {"data\\scores.txt", "42\r\n"},
                                                          {"music.mid", std::string("MThd\0\0", 6)}};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(p.entries[i].name, expected[i].first);
    EXPECT_EQ(p.data(p.entries[i]), expected[i].second);
  }
}

TEST(Payload, PackingFailsCleanlyAndLeavesNoGameBehind) {
  const std::string dir = workDir("payload_pack_fails");
  writeFile(dir + "engine", "engine");
  std::string longName(120, 'a');  // a path of three such parts is over 255 bytes
  writeFile(dir + "media/" + longName + "/" + longName + "/" + longName, "x");
  std::string error;
  EXPECT_FALSE(packCompiledGame(dir + "g.ztb", "IMAGE", dir + "media", dir + "engine", dir + "game", error));
  EXPECT_NE(error.find("longer than 255"), std::string::npos) << error;
  EXPECT_FALSE(packCompiledGame(dir + "g.ztb", "IMAGE", dir + "no media", dir + "engine", dir + "game", error));
  EXPECT_FALSE(packCompiledGame(dir + "g.ztb", "IMAGE", "", dir + "no engine", dir + "game", error));
  EXPECT_FALSE(packGame(dir + "engine", std::string(256, 'n'), "IMAGE", {}, dir + "game", error));
  EXPECT_FALSE(fs::exists(dir + "game"));
  EXPECT_FALSE(fs::exists(dir + "game.part"));
  fs::create_directories(dir + "folder");
  EXPECT_FALSE(packGame(dir + "folder", "g.img", "IMAGE", {}, dir + "game", error));  // an engine that is a folder
  EXPECT_EQ(error, "cannot read the engine " + dir + "folder");
  EXPECT_FALSE(fs::exists(dir + "game"));
}

TEST(Payload, NamesOfExactly255BytesAreTheLongest) {
  const std::string dir = workDir("payload_longest_name");
  writeFile(dir + "engine", "engine");
  const std::string part(127, 'p');  // two parts and a separator: 255 bytes
  writeFile(dir + "media/" + part + "/" + part, "longest");
  std::string error;
  ASSERT_TRUE(packCompiledGame(dir + "g.ztb", "IMAGE", dir + "media", dir + "engine", dir + "game", error)) << error;
  Payload p;
  ASSERT_TRUE(openPayload(p, dir + "game"));
  ASSERT_EQ(p.entries.size(), 2u) << p.defect;
  EXPECT_EQ(p.entries[1].name, part + "\\" + part);
  EXPECT_EQ(p.data(p.entries[1]), "longest");

  const std::string name255(255, 'n');
  ASSERT_TRUE(packGame(dir + "engine", name255, "IMAGE", {}, dir + "game", error)) << error;
  ASSERT_TRUE(openPayload(p, dir + "game"));
  ASSERT_EQ(p.entries.size(), 1u);
  EXPECT_EQ(p.entries[0].name, name255);
  EXPECT_FALSE(packGame(dir + "engine", name255 + "n", "IMAGE", {}, dir + "game", error));
  EXPECT_NE(error.find("longer than 255"), std::string::npos) << error;
  // The reader's side: a stored name length of 256 (with the NUL) is the largest.
  p = openBytes(dir, game("engine", entry(name255, "x")));
  ASSERT_EQ(p.entries.size(), 1u) << p.defect;
  p = openBytes(dir, game("engine", entry(name255 + "n", "x")));
  EXPECT_TRUE(p.entries.empty());
  EXPECT_EQ(p.defect, "entry 1: the name length is not 1 to 256 bytes");
}

TEST(Payload, LookupsFoldCaseAndSlashesAndWriteOneCopyPerExtension) {
  const std::string dir = workDir("payload_lookup");
  Runtime rt;
  openInto(rt, dir,
           entry("prog.img", "PROGRAM") + entry("Media\\Pic.BMP", "first") + entry("media\\pic.bmp", "second") +
               entry("sounds\\boom.wav", "BOOM"));
  const std::string temp = rt.settings.TempFolder;

  std::string path = "MEDIA/PIC.bmp";  // capitals and forward slashes; of two names differing in case the first wins
  ASSERT_TRUE(findVirtualFile(rt, path, "bmp"));
  EXPECT_EQ(path, temp + "_virtual.bmp");
  EXPECT_EQ(readFile(path), "first");

  path = "sounds\\BOOM.WAV";  // the same extension overwrites the same copy
  ASSERT_TRUE(findVirtualFile(rt, path, "bmp"));
  EXPECT_EQ(readFile(temp + "_virtual.bmp"), "BOOM");

  for (std::string miss : {"./media/pic.bmp", "pic.bmp", "/media/pic.bmp", "media\\pic.bm", ""}) {
    std::string unchanged = miss;
    EXPECT_FALSE(findVirtualFile(rt, unchanged, "dat")) << miss;
    EXPECT_EQ(unchanged, miss);
  }

  std::string base = "BOOM.wav";  // by base name: the part after the last backslash only
  ASSERT_TRUE(findVirtualFileByBaseName(rt, base, "bmp"));
  EXPECT_EQ(readFile(base), "BOOM");
  base = "sounds\\boom.wav";
  EXPECT_FALSE(findVirtualFileByBaseName(rt, base, "bmp"));

  path = "media/pic.bmp";  // an extension cannot lead the copy out of TempFolder
  ASSERT_TRUE(findVirtualFile(rt, path, "/../x"));
  EXPECT_EQ(path, temp + "_virtual.____x");

  std::string program;
  ASSERT_TRUE(extractProgram(rt, program));
  EXPECT_EQ(program, temp + "_virtual.dat");
  EXPECT_EQ(readFile(program), "PROGRAM");

  closePayload(rt);
  EXPECT_FALSE(fs::exists(temp + "_virtual.dat"));
  EXPECT_TRUE(fs::exists(temp + "_virtual.bmp"));  // other extensions stay until the run folder goes
  path = "media/pic.bmp";
  EXPECT_FALSE(findVirtualFile(rt, path, "bmp"));
  EXPECT_FALSE(extractProgram(rt, program));
}

TEST(Payload, AnUnwritableTempFolderMeansNotFound) {
  const std::string dir = workDir("payload_unwritable");
  Runtime rt;
  openInto(rt, dir, entry("a.txt", "A"));
  rt.settings.TempFolder = dir + "missing/";
  std::string path = "a.txt";
  EXPECT_FALSE(findVirtualFile(rt, path, "dat"));
  EXPECT_EQ(path, "a.txt");
}

TEST(Payload, TailsThatAreNotPayloadsGiveNoEntries) {
  const std::string dir = workDir("payload_malformed");
  const std::string good = entry("a.txt", "AAAA");
  const std::string prefix =
      "\x7f"
      "ELF";
  const std::pair<std::string, std::string> cases[] = {
      {"empty file", ""},
      {"shorter than a trailer", "ab"},
      {"trailer negative", prefix + good + int32(-5)},
      {"trailer past the end", prefix + good + int32(1000)},
      {"trailer inside itself", prefix + good + int32(int64_t(prefix.size() + good.size() + 2))},
      {"name length 0", game(prefix, good + entry("", "x", 0))},
      {"name of 256 bytes", game(prefix, good + entry(std::string(256, 'n'), "x"))},
      {"name length far too big", game(prefix, good + entry("b", "x", 0x7fffffff))},
      {"name runs past the trailer", game(prefix, good + int32(40) + "short")},
      {"name without its NUL", game(prefix, good + int32(3) + "abc" + int32(0))},
      {"data size missing", game(prefix, good + int32(2) + std::string("b\0", 2))},
      {"data size negative", game(prefix, good + entry("b", "").substr(0, 6) + int32(-1))},
      {"data runs past the trailer", game(prefix, good + entry("b", "").substr(0, 6) + int32(9) + "abc")},
      {"bytes left before the trailer", game(prefix, good + "xy")},
      {"first entry bad", game(prefix, int32(-1) + good)},
  };
  for (const auto& [what, bytes] : cases) {
    Payload p = openBytes(dir, bytes);
    EXPECT_TRUE(p.entries.empty()) << what;
    EXPECT_TRUE(p.bytes.empty()) << what;
  }
  Payload p = openBytes(dir, cases[7].second);
  EXPECT_EQ(p.defect, "entry 2: the name length is not 1 to 256 bytes");
  p = openBytes(dir, game(prefix, ""));  // a payload with no entries is no defect
  EXPECT_TRUE(p.entries.empty());
  EXPECT_EQ(p.defect, "");
  EXPECT_EQ(openBytes(dir, game(prefix, good)).entries.size(), 1u);

  Payload engine;  // the engine itself carries no payload
  ASSERT_TRUE(openPayload(engine, ZT_ENGINE_BINARY));
  EXPECT_TRUE(engine.entries.empty());
  EXPECT_FALSE(openPayload(engine, dir + "no such file"));
  EXPECT_FALSE(openPayload(engine, dir));  // a folder
}

}  // namespace
}  // namespace zt::test
