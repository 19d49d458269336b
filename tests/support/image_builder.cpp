#include "support/image_builder.h"

#include <sys/wait.h>

#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

namespace zt::test {

namespace {

void putWord(std::string& out, int32_t w) {
  uint32_t u = uint32_t(w);
  for (int i = 0; i < 4; ++i) out.push_back(char((u >> (8 * i)) & 0xFF));
}

void padToWord(std::string& out) {
  while (out.size() % 4) out.push_back('\0');
}

}  // namespace

int32_t ImageBuilder::intConst(int32_t v) {
  ints.push_back(v);
  return 10000 + 9000 + int32_t(ints.size() - 1);
}

int32_t ImageBuilder::floatConst(float v) {
  floats.push_back(v);
  return 10000 + 11000 + int32_t(floats.size() - 1);
}

int32_t ImageBuilder::stringConst(const std::string& s) {
  strings.push_back(s);
  return 10000 + 13000 + int32_t(strings.size() - 1);
}

int32_t ImageBuilder::intVar(uint16_t owner) {
  owners[0].push_back(owner);
  return 10000 + 3000 + int32_t(owners[0].size() - 1);
}

int32_t ImageBuilder::floatVar(uint16_t owner) {
  owners[1].push_back(owner);
  return 10000 + 5000 + int32_t(owners[1].size() - 1);
}

int32_t ImageBuilder::stringVar(uint16_t owner) {
  owners[2].push_back(owner);
  return 10000 + 7000 + int32_t(owners[2].size() - 1);
}

void ImageBuilder::dataInt(int32_t v) {
  dataTypes.push_back('l');
  std::string b;
  putWord(b, v);
  dataValues.push_back(b);
}

void ImageBuilder::dataFloat(float v) {
  int32_t bits;
  std::memcpy(&bits, &v, 4);
  dataTypes.push_back('f');
  std::string b;
  putWord(b, bits);
  dataValues.push_back(b);
}

void ImageBuilder::dataString(const std::string& s) {
  dataTypes.push_back('s');
  std::string b = s;
  b.resize((s.size() + 1) / 4 * 4 + 4, '\0');
  dataValues.push_back(b);
}

int ImageBuilder::newLabel() {
  labels.push_back(-1);
  return int(labels.size() - 1);
}

void ImageBuilder::place(int label) { labels[size_t(label)] = int(code.size()); }

void ImageBuilder::op(int id, std::initializer_list<Arg> operands) {
  code.push_back(id);
  for (const Arg& a : operands) {
    if (a.label >= 0) fixups.push_back({code.size(), a.label});
    code.push_back(a.word);
  }
}

void ImageBuilder::jump(int id, std::initializer_list<Arg> operands, int target) {
  op(id, operands);
  fixups.push_back({code.size(), target});
  code.push_back(0);
}

void ImageBuilder::call(int entry, int32_t result, std::initializer_list<int32_t> args) {
  code.push_back(21);
  fixups.push_back({code.size(), entry});
  code.push_back(0);
  code.push_back(result);
  code.push_back(intConst(int32_t(args.size())));
  for (int32_t a : args) code.push_back(a);
}

void ImageBuilder::function(int entry, std::initializer_list<int32_t> params, uint16_t number) {
  place(entry);
  for (int32_t p : params) code.push_back(p);
  code.push_back(number);
}

std::string ImageBuilder::build() const {
  std::string constants;
  for (int32_t v : ints) putWord(constants, v);
  const int32_t intStart = 12, floatStart = intStart + int32_t(ints.size());
  for (float f : floats) {
    int32_t bits;
    std::memcpy(&bits, &f, 4);
    putWord(constants, bits);
  }
  const int32_t stringStart = floatStart + int32_t(floats.size());
  for (const std::string& s : strings) constants.append(s).push_back('\0');
  padToWord(constants);
  const int32_t dataStart = 12 + int32_t(constants.size() / 4);

  std::string data = dataTypes;
  data.resize(dataTypes.size() / 4 * 4 + 4, '\0');
  for (const std::string& v : dataValues) data += v;
  std::string ownerBlock;
  for (const auto& list : owners) {
    putWord(ownerBlock, int32_t(list.size()));
    for (uint16_t o : list) putWord(ownerBlock, o);
  }
  const int32_t codeStart = dataStart + int32_t((data.size() + ownerBlock.size()) / 4);

  std::vector<int32_t> words = code;
  for (auto [at, label] : fixups) {
    if (labels[size_t(label)] < 0) throw std::logic_error("label used but never placed");
    words[at] = 37000 + labels[size_t(label)];
  }
  std::string out;
  for (int32_t w : {1, intStart, floatStart, stringStart, int32_t(strings.size()), dataStart, int32_t(dataTypes.size()),
                    codeStart, int32_t(owners[0].size()), int32_t(owners[1].size()), int32_t(owners[2].size()),
                    int32_t(ownerBlock.size() / 4)})
    putWord(out, w);
  out += constants + data + ownerBlock;
  for (int32_t w : words) putWord(out, w);
  return out;
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
