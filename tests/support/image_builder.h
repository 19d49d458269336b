// Builds program images in tests: constants, variables, temporaries, DATA items, owner
// tables, labels and user functions, written out in the loader's file format.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <vector>

#include "core/image_format.h"
#include "core/value.h"

namespace zt::test {

// An operand word, or a reference to a label resolved when the image is built.
struct Arg {
  Arg(int32_t w) : word(w) {}
  static Arg at(int label) {
    Arg a(0);
    a.label = label;
    return a;
  }
  int32_t word;
  int label = -1;
};

class ImageBuilder {
 public:
  static int32_t intTemp(int i) { return cellWord(IntTemps + i); }
  static int32_t floatTemp(int i) { return cellWord(FloatTemps + i); }
  static int32_t stringTemp(int i) { return cellWord(StringTemps + i); }
  static int32_t plain(int32_t v) { return plainWord(v); }

  int32_t intConst(int32_t v);
  int32_t floatConst(float v);
  int32_t stringConst(const std::string& s);
  int32_t intVar(uint16_t owner = 0) { return variable(0, owner); }
  int32_t floatVar(uint16_t owner = 0) { return variable(1, owner); }
  int32_t stringVar(uint16_t owner = 0) { return variable(2, owner); }

  void dataInt(int32_t v);
  void dataFloat(float v);
  void dataString(const std::string& s);
  int dataCount() const { return int(parts.dataTypes.size()); }

  int newLabel();
  void place(int label);
  // A command: identifier and operand words.
  void op(int id, std::initializer_list<Arg> operands = {});
  // A control command: identifier, operands, then its jump target.
  void jump(int id, std::initializer_list<Arg> operands, int target);
  // A user-function call and a function entry (parameters, then the function number).
  void call(int entry, int32_t result, std::initializer_list<int32_t> args);
  void function(int entry, std::initializer_list<int32_t> params, uint16_t number);
  void raw(int32_t word) { parts.code.push_back(word); }

  std::string build() const;

 private:
  int32_t variable(size_t kind, uint16_t owner);

  ImageParts parts;
  std::vector<int> labels;                     // code index of each label, -1 until placed
  std::vector<std::pair<size_t, int>> fixups;  // code index, label
};

// Runs the engine binary headless with the echo channel and the virtual clock.
struct RunResult {
  std::string out;
  std::string err;
  int exitCode = -1;
  std::string dir;  // the work folder the program ran in
};

// An empty work folder for a test (removed and made again).
std::string freshFolder(const std::string& name);
// Runs `command` (its words quoted for the shell) in the folder `dir`; after 120 seconds it
// is stopped and the exit code is 124.
RunResult runIn(const std::string& dir, const std::vector<std::string>& command);
// `name` names a fresh work folder; `setupIni` becomes SETUP.INI beside the program.
RunResult runImage(const std::string& name, const std::string& image, const std::vector<std::string>& args = {},
                   const std::string& setupIni = "");
// As runImage, with the engine's address space limited to `kilobytes` (ulimit -v), so
// that large allocations fail as they do on a machine short of memory.
RunResult runImageWithinMemory(const std::string& name, const std::string& image, long kilobytes);
std::string readFile(const std::string& path);

// A limit on address space cannot be combined with the address sanitizer's shadow memory.
#if defined(__SANITIZE_ADDRESS__)
#define ZT_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZT_ADDRESS_SANITIZER 1
#endif
#endif

}  // namespace zt::test
