#include "core/image.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

#include "core/arrays.h"
#include "core/commands.h"
#include "core/control.h"
#include "core/image_format.h"
#include "core/interpreter.h"

namespace zt {

namespace {

// Reads a NUL-terminated string from [pos, end); fails when it has no room for its
// terminator before `end` or is longer than 255 characters.
bool readString(std::string_view bytes, size_t& pos, size_t end, bool cutAtEnd, std::string_view& out) {
  size_t start = pos;
  while (pos < end && bytes[pos] != '\0') ++pos;
  if (pos - start > MaxStringLength) return false;
  if (pos == end && !cutAtEnd) return false;
  out = bytes.substr(start, pos - start);
  if (pos < end) ++pos;
  return true;
}

class Loader {
 public:
  Loader(ProgramImage& image, std::string_view bytes, const DispatchTable& commands, std::string& error)
      : img(image), bytes(bytes), commands(commands), error(error) {}

  bool run() {
    if (bytes.size() < ImageHeaderWords * 4) return fail("file too short for a header");
    hdr = readImageHeader(bytes);
    if (hdr.version != ImageVersion) return fail("unsupported format version");
    if (!checkHeader()) return false;

    img.ValueArea.assign(ValueAreaCells, zeroCell());
    if (!loadConstants() || !loadData() || !loadOwners() || !loadCode()) return false;
    for (int32_t i = 0; i < hdr.stringVars; ++i) img.ValueArea[StringVars + i].s = copyString({});
    img.loaded = true;
    return true;
  }

 private:
  ProgramImage& img;
  std::string_view bytes;
  const DispatchTable& commands;
  std::string& error;
  ImageHeader hdr{};
  std::vector<int32_t> raw;  // code words as in the file

  bool fail(const std::string& why) {
    error = why;
    return false;
  }

  bool checkHeader() {
    const int64_t fileWords = int64_t(bytes.size() / 4);
    if (!sectionsInOrder(hdr, fileWords))
      return fail("section offsets out of order or outside the file");
    if (hdr.floatConsts - hdr.intConsts > MaxConstants || hdr.stringConsts - hdr.floatConsts > MaxConstants)
      return fail("too many numeric constants");
    if (hdr.stringCount < 0 || hdr.stringCount > MaxConstants) return fail("bad string constant count");
    if (hdr.dataCount < 0 || hdr.dataCount > MaxDataItems) return fail("bad DATA item count");
    if (hdr.stringVars < 0 || hdr.stringVars > MaxVariables) return fail("bad string variable count");
    if (hdr.ownerWords < 0 || hdr.ownerWords > hdr.codeSection - hdr.dataSection)
      return fail("owner tables outside their section");
    return true;
  }

  bool loadConstants() {
    for (int32_t w = hdr.intConsts; w < hdr.floatConsts; ++w) img.ValueArea[IntConsts + w - hdr.intConsts].i = readWord(bytes, w);
    for (int32_t w = hdr.floatConsts; w < hdr.stringConsts; ++w) {
      int32_t bits = readWord(bytes, w);
      std::memcpy(&img.ValueArea[FloatConsts + w - hdr.floatConsts].f, &bits, 4);
    }
    size_t pos = size_t(hdr.stringConsts) * 4;
    const size_t end = size_t(hdr.dataSection) * 4;
    for (int32_t i = 0; i < hdr.stringCount; ++i) {
      std::string_view s;
      if (pos >= end && i < hdr.stringCount) return fail("string constants run past their section");
      if (!readString(bytes, pos, end, true, s)) return fail("string constant longer than 255 characters");
      img.ValueArea[StringConsts + i].s = copyString(s);
    }
    return true;
  }

  bool loadData() {
    size_t pos = size_t(hdr.dataSection) * 4;
    const size_t end = size_t(hdr.codeSection - hdr.ownerWords) * 4;
    const size_t n = size_t(hdr.dataCount);
    const size_t typeBytes = dataLetterBytes(n);
    if (pos + typeBytes > end) return fail("DATA type string runs past its section");
    img.DataTypes.assign(bytes.substr(pos, n));
    pos += typeBytes;
    for (size_t i = 0; i < n; ++i) {
      Cell& c = img.ValueArea[DataCells + i];
      char t = img.DataTypes[i];
      if (t == 'l' || t == 'f') {
        if (pos + 4 > end) return fail("DATA values run past their section");
        int32_t bits = readWord(bytes, pos / 4);
        std::memcpy(&c, &bits, 4);
        pos += 4;
      } else if (t == 's') {
        std::string_view s;
        size_t start = pos;
        if (!readString(bytes, pos, end, false, s)) return fail("DATA string without terminator or too long");
        c.s = copyString(s);
        pos = start + dataStringBytes(s.size());
        if (pos > end) return fail("DATA values run past their section");
      } else {
        return fail("unknown DATA type letter");
      }
    }
    return true;
  }

  bool loadOwners() {
    size_t w = size_t(hdr.codeSection - hdr.ownerWords);
    const size_t end = size_t(hdr.codeSection);
    for (auto& list : img.OwnerLists) {
      if (w >= end) {
        if (hdr.ownerWords == 0) continue;  // an image without owner tables has no variables
        return fail("owner tables truncated");
      }
      int32_t count = readWord(bytes, w++);
      if (count < 0 || count > MaxVariables || size_t(count) > end - w) return fail("bad owner table count");
      list.resize(size_t(count));
      for (auto& owner : list) owner = readWord(bytes, w++);
    }
    listOwnedCells();
    return true;
  }

  // Sorts the variables by the function that owns them (by its 16-bit number), keeping
  // the order integers, floats, strings and cell order within each.
  void listOwnedCells() {
    const int32_t firstCell[3] = {IntVars, FloatVars, StringVars};
    size_t functions = 0;
    for (const auto& list : img.OwnerLists)
      for (int32_t owner : list) functions = std::max(functions, size_t(uint16_t(owner)) + 1);
    img.OwnedStart.assign(functions + 1, 0);
    for (const auto& list : img.OwnerLists)
      for (int32_t owner : list) ++img.OwnedStart[size_t(uint16_t(owner)) + 1];
    for (size_t f = 1; f <= functions; ++f) img.OwnedStart[f] += img.OwnedStart[f - 1];
    img.OwnedCells.assign(img.OwnedStart[functions], 0);
    img.OwnedStringStart.assign(functions, 0);
    std::vector<uint32_t> next(img.OwnedStart.begin(), img.OwnedStart.end() - 1);
    for (int kind = 0; kind < 3; ++kind) {
      if (kind == 2) img.OwnedStringStart = next;
      for (size_t i = 0; i < img.OwnerLists[kind].size(); ++i)
        img.OwnedCells[next[uint16_t(img.OwnerLists[kind][i])]++] = firstCell[kind] + int32_t(i);
    }
  }

  bool loadCode() {
    img.CodeWords = bytes.size() / 4 - size_t(hdr.codeSection);
    raw.resize(img.CodeWords);
    for (size_t i = 0; i < img.CodeWords; ++i) raw[i] = readWord(bytes, hdr.codeSection + i);
    for (int32_t k : raw)
      if (k >= CodeWordBase && size_t(k - CodeWordBase) > img.CodeWords) return fail("jump target outside the code");
    if (!walkCode()) return false;

    // The end word after the code reads as an identifier without a handler: running off
    // the end of a program ends it.
    img.CodeBlock.assign(img.CodeWords + 1, Word{});
    img.CommandStarts.assign(img.CodeWords + 1, false);
    for (size_t i = 0; i <= img.CodeWords; ++i) {
      Word& w = img.CodeBlock[i];
      const int32_t k = i < img.CodeWords ? raw[i] : 0;
      if (roles[i] == Role::Command) {
        const int32_t id = identifierOf(k);
        const CommandRow* row = rowOf(id);
        w.n = encodeCommand(id, row ? commands.entries[size_t(id)] : commands.noHandlerEntry, row ? factOf(*row, i) : 0);
        img.CommandStarts[i] = true;
      } else if (k >= CellWordBase && k < CellWordEnd) {
        w.cell = &img.ValueArea[k - CellWordBase];
      } else if (k >= PlainWordBase && k < PlainWordEnd) {
        w.n = k - PlainWordBase;
      } else if (k >= CodeWordBase) {
        w.target = &img.CodeBlock[k - CodeWordBase];
      } else {
        w.n = k;
      }
    }
    chooseFusedForms(img);
    return true;
  }

  // What the command word at `p` records besides its entry: a call, the argument count
  // the walk checked its layout with; an array element command, its array (see
  // encodeCommand).
  uint32_t factOf(const CommandRow& row, size_t p) const {
    if (row.flow == Flow::FunctionCall) return uint32_t(img.ValueArea[size_t(raw[p + 3] - CellWordBase)].i);
    for (size_t j = 0; row.operands && row.operands[j]; ++j) {
      const char kind = row.operands[j];
      if (kind != 'l' && kind != 'f' && kind != 's') continue;
      const int32_t first = kind == 'l' ? IntVars : kind == 'f' ? FloatVars : StringVars;
      const int32_t n = raw[p + 1 + j] - CellWordBase;
      return n >= first && n < first + MaxVariables ? uint32_t(n - IntVars + 1) : 0;
    }
    return 0;
  }

  // The identifier a command word holds once decoded: the plain-integer encoding of a
  // number decodes to the number, and the walk checks the command that will really run.
  static int32_t identifierOf(int32_t k) { return k >= PlainWordBase && k < PlainWordEnd ? k - PlainWordBase : k; }
  const CommandRow* rowOf(int32_t id) const { return id >= 1 && id < MaxCommandId ? commands.rows[size_t(id)] : nullptr; }

  // What the walk found each code word to be.
  enum class Role : uint8_t { None, Command, Operand };
  std::vector<Role> roles;

  bool claimOperands(size_t first, size_t count) {
    for (size_t j = first; j < first + count; ++j) {
      if (roles[j] == Role::Command) return fail("word " + std::to_string(j) + " is both a command and an operand");
      roles[j] = Role::Operand;
    }
    return true;
  }

  // Kind of the cell a raw operand word names, or 0 when it names none.
  char operandCellKind(int32_t k) const { return k >= CellWordBase && k < CellWordEnd ? cellKind(k - CellWordBase) : 0; }

  bool checkOperand(char kind, int32_t k) const {
    switch (kind) {
      case 'L':
      case 'F':
      case 'S': return operandCellKind(k) == kind;
      case 'l': return operandCellKind(k) == 'L';
      case 'f': return operandCellKind(k) == 'F';
      case 's': return operandCellKind(k) == 'S';
      case 'N': return operandCellKind(k) == 'L' || operandCellKind(k) == 'F';
      case 'C': return k >= CodeWordBase;
      default: return true;
    }
  }

  // Follows every path of control from the first word. Each reachable command must have
  // all its words inside the code and operands of the kinds its handler reads.
  bool walkCode() {
    roles.assign(img.CodeWords + 1, Role::None);
    std::vector<size_t> work{0};
    auto follow = [&](size_t p) {
      if (p <= img.CodeWords && roles[p] != Role::Command) work.push_back(p);
    };
    auto target = [&](size_t p) { return size_t(raw[p] - CodeWordBase); };
    while (!work.empty()) {
      size_t p = work.back();
      work.pop_back();
      if (roles[p] == Role::Command) continue;
      if (roles[p] == Role::Operand) return fail("word " + std::to_string(p) + " is both a command and an operand");
      roles[p] = Role::Command;
      if (p == img.CodeWords) continue;
      const int32_t id = identifierOf(raw[p]);
      const CommandRow* found = rowOf(id);
      if (!found) continue;  // ends the program when run
      const CommandRow& row = *found;
      if (row.flow == Flow::FunctionCall) {
        if (!walkFunctionCall(p, follow)) return false;
        continue;
      }
      const char* kinds = row.operands ? row.operands : row.signature;
      const size_t count = operandCount(row);
      bool hasTarget = row.flow == Flow::Branch || row.flow == Flow::Jump;
      size_t next = p + 1 + count + (hasTarget ? 1 : 0);
      if (next > img.CodeWords) return fail("command at word " + std::to_string(p) + " runs past the code");
      for (size_t j = 0; j < count; ++j)
        if (!checkOperand(kinds[j] == 'A' ? 'I' : kinds[j], raw[p + 1 + j]))
          return fail("bad operand " + std::to_string(j) + " of command " + std::to_string(id) + " at word " +
                      std::to_string(p));
      if (hasTarget && !checkOperand('C', raw[next - 1]))
        return fail("bad jump target of command at word " + std::to_string(p));
      if (!claimOperands(p + 1, next - p - 1)) return false;
      switch (row.flow) {
        case Flow::Next:
        case Flow::Return: follow(next); break;
        case Flow::Branch: follow(next); follow(target(next - 1)); break;
        case Flow::Jump: follow(target(next - 1)); break;
        case Flow::CallOperand: follow(next); follow(target(p + 1)); break;
        case Flow::JumpOperand: follow(target(p + 1)); break;
        case Flow::FunctionCall:
        case Flow::End: break;
      }
    }
    return true;
  }

  // Call layout: id, E, R, N, A1..AN; entry at E: P1..PN, function number, body.
  template <class Follow>
  bool walkFunctionCall(size_t p, Follow& follow) {
    auto bad = [&](const char* why) { return fail(std::string("function call at word ") + std::to_string(p) + ": " + why); };
    if (p + 4 > img.CodeWords) return bad("truncated");
    int32_t e = raw[p + 1], r = raw[p + 2], nWord = raw[p + 3];
    if (e < CodeWordBase || !operandCellKind(r)) return bad("bad entry or result operand");
    if (nWord < CellWordBase + IntConsts || nWord >= CellWordBase + FloatConsts) return bad("argument count is not a constant");
    int32_t n = img.ValueArea[nWord - CellWordBase].i;
    if (n < 0 || n > MaxFunctionParameters || p + 4 + size_t(n) > img.CodeWords) return bad("bad argument count");
    size_t entry = size_t(e - CodeWordBase);
    if (entry + size_t(n) + 1 > img.CodeWords) return bad("function entry runs past the code");
    for (int32_t j = 0; j < n; ++j) {
      char argKind = operandCellKind(raw[p + 4 + j]);
      const int64_t param = int64_t(raw[entry + j]) - CellWordBase;
      if (!argKind || param < IntVars || param >= IntConsts || cellKind(int32_t(param)) != argKind)
        return bad("argument and parameter differ");
    }
    if (!claimOperands(p + 1, 3 + size_t(n)) || !claimOperands(entry, size_t(n) + 1)) return false;
    follow(entry + size_t(n) + 1);
    follow(p + 4 + size_t(n));
    return true;
  }
};

}  // namespace

bool loadProgram(ProgramImage& image, std::string_view bytes, const DispatchTable& commands, std::string& error) {
  image = ProgramImage{};
  Loader loader(image, bytes, commands, error);
  if (loader.run()) return true;
  ArrayState noArrays;
  releaseProgram(image, noArrays);
  image = ProgramImage{};
  return false;
}

void releaseProgram(ProgramImage& image, ArrayState& arrays) {
  if (image.ValueArea.empty()) return;
  Cell* v = image.ValueArea.data();
  for (int32_t i = StringTemps; i < IntVars && v[i].s; ++i) freeString(v[i]);
  for (int32_t i = StringConsts; i < DataCells && v[i].s; ++i) freeString(v[i]);
  for (size_t i = 0; i < image.DataTypes.size(); ++i)
    if (image.DataTypes[i] == 's') freeString(v[DataCells + i]);
  releaseArrays(arrays, image);
  for (int32_t i = StringVars; i < IntConsts; ++i) freeString(v[i]);
  image.OwnerLists = {};
  image.OwnedCells.clear();
  image.OwnedStart.clear();
  image.OwnedStringStart.clear();
  image.DataTypes.clear();
  image.ValueArea.clear();
  image.CodeBlock.clear();
  image.CommandStarts.clear();
  image.CodeWords = 0;
  image.loaded = false;
}

}  // namespace zt
