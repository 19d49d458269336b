#include "support/image_builder.h"

#include <sys/wait.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "command_ids.h"

namespace zt::test {

int32_t ImageBuilder::intConst(int32_t v) {
  parts.integers.push_back(v);
  return cellWord(IntConsts + int32_t(parts.integers.size() - 1));
}

int32_t ImageBuilder::floatConst(float v) {
  parts.floatBits.push_back(floatBits(v));
  return cellWord(FloatConsts + int32_t(parts.floatBits.size() - 1));
}

int32_t ImageBuilder::stringConst(const std::string& s) {
  parts.strings.push_back(s);
  return cellWord(StringConsts + int32_t(parts.strings.size() - 1));
}

int32_t ImageBuilder::variable(size_t kind, uint16_t owner) {
  std::vector<int32_t>& list = parts.owners[kind];
  list.push_back(owner);
  const int32_t first[] = {IntVars, FloatVars, StringVars};
  return cellWord(first[kind] + int32_t(list.size() - 1));
}

void ImageBuilder::dataInt(int32_t v) {
  parts.dataTypes.push_back('l');
  appendWord(parts.dataValues, v);
}

void ImageBuilder::dataFloat(float v) {
  parts.dataTypes.push_back('f');
  appendWord(parts.dataValues, floatBits(v));
}

void ImageBuilder::dataString(const std::string& s) {
  parts.dataTypes.push_back('s');
  appendDataString(parts.dataValues, s);
}

int ImageBuilder::newLabel() {
  labels.push_back(-1);
  return int(labels.size() - 1);
}

void ImageBuilder::place(int label) { labels[size_t(label)] = int(parts.code.size()); }

void ImageBuilder::op(int id, std::initializer_list<Arg> operands) {
  parts.code.push_back(id);
  for (const Arg& a : operands) {
    if (a.label >= 0) fixups.push_back({parts.code.size(), a.label});
    parts.code.push_back(a.word);
  }
}

void ImageBuilder::jump(int id, std::initializer_list<Arg> operands, int target) {
  op(id, operands);
  fixups.push_back({parts.code.size(), target});
  parts.code.push_back(0);
}

void ImageBuilder::call(int entry, int32_t result, std::initializer_list<int32_t> args) {
  parts.code.push_back(CmdFunction);
  fixups.push_back({parts.code.size(), entry});
  parts.code.push_back(0);
  parts.code.push_back(result);
  parts.code.push_back(intConst(int32_t(args.size())));
  for (int32_t a : args) parts.code.push_back(a);
}

void ImageBuilder::function(int entry, std::initializer_list<int32_t> params, uint16_t number) {
  place(entry);
  for (int32_t p : params) parts.code.push_back(p);
  parts.code.push_back(number);
}

std::string ImageBuilder::build() const {
  ImageParts out = parts;
  for (auto [at, label] : fixups) {
    if (labels[size_t(label)] < 0) throw std::logic_error("label used but never placed");
    out.code[at] = codeWord(labels[size_t(label)]);
  }
  return writeImage(out);
}

std::string readFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

std::string freshFolder(const std::string& name) {
  namespace fs = std::filesystem;
  fs::path dir = fs::path(ZT_TEST_WORK_DIR) / name;
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir.string();
}

RunResult runIn(const std::string& dir, const std::vector<std::string>& command) {
  RunResult r;
  r.dir = dir;
  const std::string errFile = dir + "/stderr.txt";
  std::string cmd = "cd '" + dir + "' && timeout 120";  // a program that never ends fails the test
  for (const std::string& word : command) cmd += " '" + word + "'";
  cmd += " 2>'" + errFile + "'";
  FILE* p = popen(cmd.c_str(), "r");
  char buf[4096];
  size_t n;
  while ((n = fread(buf, 1, sizeof buf, p)) > 0) r.out.append(buf, n);
  int status = pclose(p);
  r.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = readFile(errFile);
  return r;
}

RunResult runImage(const std::string& name, const std::string& image, const std::vector<std::string>& args,
                   const std::string& setupIni) {
  const std::string dir = freshFolder(name);
  std::ofstream(dir + "/prog.img", std::ios::binary) << image;
  if (!setupIni.empty()) std::ofstream(dir + "/SETUP.INI", std::ios::binary) << setupIni;
  std::vector<std::string> command = {ZT_ENGINE_BINARY, "--headless", "--echo", "--virtual-clock"};
  command.insert(command.end(), args.begin(), args.end());
  command.push_back("prog.img");
  return runIn(dir, command);
}

RunResult runImageWithinMemory(const std::string& name, const std::string& image, long kilobytes) {
  const std::string dir = freshFolder(name);
  std::ofstream(dir + "/prog.img", std::ios::binary) << image;
  return runIn(dir, {"sh", "-c", "ulimit -v " + std::to_string(kilobytes) +
                                     " && exec \"$0\" --headless --echo --virtual-clock prog.img",
                     ZT_ENGINE_BINARY});
}

}  // namespace zt::test
