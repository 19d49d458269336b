// ztc: compiles a .ztb source file into a program image or a stand-alone game, and lists
// images.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <fstream>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "compiler/compiler.h"
#include "compiler/disassembler.h"
#include "compiler/source.h"
#include "core/image_format.h"
#include "formats/line_table.h"
#include "formats/three_ds_x.h"
#include "host/pack.h"
#include "host/version.h"
#include "platform/fs.h"

namespace {

void usage(std::FILE* to) {
  std::fprintf(to,
               "usage: ztc [-o IMAGE] SOURCE.ztb    compile (default IMAGE: SOURCE with .img; the line table\n"
               "                                    goes beside it, IMAGE with .zmap)\n"
               "       ztc --check SOURCE.ztb       report errors only\n"
               "       --warn                       also report likely mistakes (variables never assigned,\n"
               "                                    labels and functions never used, '==' in conditions)\n"
               "       ztc --disasm FILE            list a program image, or the image of a .ztb source\n"
               "       ztc --pack SOURCE.ztb [--media DIR] [--engine ENGINE] [-o GAME]\n"
               "                                    a stand-alone game: the engine (default: zentropia beside\n"
               "                                    ztc), the program and the files under DIR (default GAME:\n"
               "                                    SOURCE without .ztb)\n"
               "       ztc --3ds2x MODEL.3ds MODEL.x\n"
               "                                    convert a 3DS model to a .x text file, as the engine does\n"
               "                                    when it loads one (MODEL.x is replaced)\n"
               "       ztc --version | --help\n");
}

// The source lines of a line table's places, as disassembler notes; files are read from
// `folder`, and a file that cannot be read shows its places without text.
std::map<size_t, std::string> sourceNotes(const zt::LineTable& table, const std::filesystem::path& folder) {
  std::map<size_t, std::string> notes;
  std::vector<std::vector<std::string>> texts(table.files.size());
  std::vector<bool> read(table.files.size());
  const zt::LinePlace* previous = nullptr;
  for (const zt::LinePlace& p : table.places) {
    if (previous && previous->file == p.file && previous->line == p.line) continue;
    previous = &p;
    if (!read[p.file]) {
      read[p.file] = true;
      std::string text;
      if (zt::readWholeFile((folder / table.files[p.file]).string(), text)) {
        size_t start = 0;
        for (size_t end; (end = text.find('\n', start)) != std::string::npos; start = end + 1)
          texts[p.file].push_back(text.substr(start, end - start));
        texts[p.file].push_back(text.substr(start));
      }
    }
    std::string note = "; " + table.files[p.file] + ":" + std::to_string(p.line);
    if (p.line <= texts[p.file].size()) {
      std::string line = texts[p.file][p.line - 1];
      if (!line.empty() && line.back() == '\r') line.pop_back();
      note += ": " + line;
    }
    notes[p.word] += note + "\n";
  }
  return notes;
}

// The notes of the table beside an image, when there is a valid one for it.
std::map<size_t, std::string> notesBeside(const std::string& imagePath, const std::string& image) {
  const std::string path = zt::lineTablePath(imagePath);
  std::string text, error;
  zt::LineTable table;
  if (!zt::isReadableFile(path) || !zt::readWholeFile(path, text, zt::MaxLineTableBytes)) return {};
  if (!zt::readLineTable(text, table, error)) {
    std::fprintf(stderr, "ztc: warning: %s is not a valid line table (%s); listing without source lines\n",
                 path.c_str(), error.c_str());
    return {};
  }
  if (!table.describes(image)) {
    std::fprintf(stderr, "ztc: warning: %s was written for another build of %s; listing without source lines\n",
                 path.c_str(), imagePath.c_str());
    return {};
  }
  return sourceNotes(table, std::filesystem::path(imagePath).parent_path());
}

bool writeFile(const std::string& path, const std::string& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!out) std::fprintf(stderr, "ztc: cannot write %s\n", path.c_str());
  return bool(out);
}

bool endsWithNoCase(const std::string& s, const std::string& suffix) {
  if (s.size() < suffix.size()) return false;
  for (size_t i = 0; i < suffix.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(s[s.size() - suffix.size() + i])) != suffix[i]) return false;
  return true;
}

int run(int argc, char** argv) {
  std::string input, output, media, engine, model, modelOut;
  bool check = false, list = false, pack = false, warn = false;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (!std::strcmp(a, "-o") && i + 1 < argc) output = argv[++i];
    else if (!std::strcmp(a, "--check")) check = true;
    else if (!std::strcmp(a, "--warn")) warn = true;
    else if (!std::strcmp(a, "--disasm")) list = true;
    else if (!std::strcmp(a, "--pack")) pack = true;
    else if (!std::strcmp(a, "--3ds2x") && i + 2 < argc) {
      model = argv[++i];
      modelOut = argv[++i];
    }
    else if (!std::strcmp(a, "--media") && i + 1 < argc) media = argv[++i];
    else if (!std::strcmp(a, "--engine") && i + 1 < argc) engine = argv[++i];
    else if (!std::strcmp(a, "--help") || !std::strcmp(a, "-h")) {
      usage(stdout);
      return 0;
    } else if (!std::strcmp(a, "--version")) {
      std::printf("ztc %s (program images version %d, line tables version %d)\n", zt::EngineVersion,
                  int(zt::ImageVersion), zt::LineTableVersion);
      return 0;
    } else if (a[0] == '-' && a[1]) {
      std::fprintf(stderr, "ztc: unknown option %s\n", a);
      usage(stderr);
      return 2;
    } else if (input.empty())
      input = a;
    else {
      usage(stderr);
      return 2;
    }
  }
  if (!model.empty()) {
    if (!input.empty()) {
      usage(stderr);
      return 2;
    }
    const int result = zt::convertThreeDsFile(model, modelOut);
    if (result == zt::ThreeDsOk) return 0;
    std::fprintf(stderr, "ztc: %s: %s\n", result == zt::ThreeDsCannotWrite ? modelOut.c_str() : model.c_str(),
                 zt::threeDsResultText(result));
    return 1;
  }
  if (input.empty()) {
    usage(stderr);
    return 2;
  }

  if (list && !endsWithNoCase(input, ".ztb")) {  // an image to list
    std::string bytes, text, error;
    if (!zt::readWholeFile(input, bytes, UINT64_MAX, &error)) {
      std::fprintf(stderr, "ztc: cannot read %s: %s\n", input.c_str(), error.c_str());
      return 1;
    }
    if (!zt::compiler::disassemble(bytes, text, error, notesBeside(input, bytes))) {
      std::fprintf(stderr, "ztc: %s: %s\n", input.c_str(), error.c_str());
      return 1;
    }
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }

  zt::compiler::CompileResult result = zt::compiler::compileFile(input);
  if (warn) std::fputs(result.warnings.c_str(), stderr);
  if (!result.ok) {
    std::fputs(result.messages.c_str(), stderr);
    return 1;
  }
  if (list) {
    std::string text, error;
    zt::compiler::disassemble(result.image, text, error,
                              sourceNotes(result.lines, std::filesystem::path(input).parent_path()));
    std::fwrite(text.data(), 1, text.size(), stdout);
    return 0;
  }
  if (check) return 0;
  if (pack) {
    if (output.empty()) output = endsWithNoCase(input, ".ztb") ? input.substr(0, input.size() - 4) : input + ".game";
    std::string error;
    if (!zt::packCompiledGame(input, result.image, media, engine, output, error, zt::writeLineTable(result.lines))) {
      std::fprintf(stderr, "ztc: %s\n", error.c_str());
      return 1;
    }
    return 0;
  }
  if (output.empty()) {
    output = input;
    if (endsWithNoCase(output, ".ztb")) output.resize(output.size() - 4);
    output += ".img";
  }
  const std::string table = zt::lineTablePath(output);
  if (table == output) {
    std::fprintf(stderr, "ztc: %s is where the line table goes; name the image otherwise\n", output.c_str());
    return 2;
  }
  return writeFile(output, result.image) && writeFile(table, zt::writeLineTable(result.lines)) ? 0 : 1;
}

}  // namespace

// Nothing a file or the system does may end ztc with an uncaught exception: a stream that
// throws on a folder, memory running out.
int main(int argc, char** argv) {
  try {
    return run(argc, argv);
  } catch (const std::bad_alloc&) {
    std::fputs("ztc: not enough memory\n", stderr);
    return 1;
  } catch (const std::exception& e) {
    std::fprintf(stderr, "ztc: %s\n", e.what());
    return 1;
  }
}
