#include "compiler/disassembler.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <set>
#include <vector>

#include "compiler/command_index.h"
#include "core/image_format.h"
#include "core/value.h"

namespace zt::compiler {

namespace {

// Commands that carry a jump-target word after their operands, and commands after
// which control does not fall through.
const std::set<std::string> TargetKeywords = {"IF",   "ELSE",  "EXIT",     "LOOP", "FOR",
                                              "NEXT", "WHILE", "ENDWHILE", "UNTIL"};
const std::set<std::string> NoFallThrough = {"ELSE", "EXIT", "LOOP",  "NEXT",        "ENDWHILE",    "GOTO",
                                             "END",  "STOP", "BREAK", "ENDFUNCTION", "EXITFUNCTION"};

std::string quoted(std::string_view s) {
  std::string q = "\"";
  for (char c : s) q += (static_cast<unsigned char>(c) < 32 || c == '"') ? '?' : c;
  return q + "\"";
}

std::string floatText(float f) {
  char buf[32];
  std::snprintf(buf, sizeof buf, "%.9g", double(f));
  std::string s(buf);
  if (s.find_first_of(".en") == std::string::npos) s += ".0";
  return s;
}

class Lister {
 public:
  Lister(std::string_view image, const CommandIndex& commands, const std::map<size_t, std::string>& notes)
      : bytes(image), commands(commands), notes(notes) {}

  bool run(std::string& out, std::string& error) {
    if (bytes.size() < ImageHeaderWords * 4) return fail(error, "too short for a header");
    h = readImageHeader(bytes);
    const int64_t words = int64_t(bytes.size() / 4);
    if (h.version != ImageVersion)
      return fail(error, "format version " + std::to_string(h.version) + ", not " + std::to_string(ImageVersion));
    if (!sectionsInOrder(h, words) || h.ownerWords < 0 || h.ownerWords > h.codeSection - h.dataSection ||
        h.stringCount < 0 || h.dataCount < 0)
      return fail(error, "section offsets out of order or outside the file");
    readConstants();
    if (!readData(error) || !readOwners(error)) return false;
    for (int64_t i = h.codeSection; i < words; ++i) code.push_back(word(size_t(i)));
    walk();
    out = summary() + constantsText() + dataText() + codeText();
    return true;
  }

 private:
  std::string_view bytes;
  const CommandIndex& commands;
  const std::map<size_t, std::string>& notes;
  ImageHeader h{};
  std::vector<int32_t> ints;
  std::vector<float> floats;
  std::vector<std::string> strings;
  std::string dataTypes;
  std::vector<std::string> dataValues;
  std::vector<int32_t> owners[3];
  std::vector<int32_t> code;
  std::map<size_t, std::string> lines;  // code index -> listing text of the item there
  std::map<size_t, size_t> lengths;     // code index -> words the item takes

  static bool fail(std::string& error, std::string why) {
    error = std::move(why);
    return false;
  }
  int32_t word(size_t i) const { return readWord(bytes, i); }

  void readConstants() {
    for (int32_t w = h.intConsts; w < h.floatConsts; ++w) ints.push_back(word(size_t(w)));
    for (int32_t w = h.floatConsts; w < h.stringConsts; ++w) {
      int32_t bits = word(size_t(w));
      float f;
      std::memcpy(&f, &bits, 4);
      floats.push_back(f);
    }
    size_t pos = size_t(h.stringConsts) * 4, end = size_t(h.dataSection) * 4;
    for (int32_t i = 0; i < h.stringCount && pos < end; ++i) {
      size_t stop = pos;
      while (stop < end && bytes[stop]) ++stop;
      strings.emplace_back(bytes.substr(pos, stop - pos));
      pos = stop + 1;
    }
  }

  bool readData(std::string& error) {
    size_t pos = size_t(h.dataSection) * 4, end = size_t(h.codeSection - h.ownerWords) * 4;
    size_t n = size_t(h.dataCount);
    if (pos + dataLetterBytes(n) > end) return fail(error, "DATA section too short");
    dataTypes = std::string(bytes.substr(pos, n));
    pos += dataLetterBytes(n);
    for (char t : dataTypes) {
      if (pos >= end) return fail(error, "DATA section too short");
      if (t == 's') {
        size_t stop = pos;
        while (stop < end && bytes[stop]) ++stop;
        std::string_view s = bytes.substr(pos, stop - pos);
        dataValues.push_back(quoted(s));
        pos += dataStringBytes(s.size());
      } else {
        if (pos + 4 > end) return fail(error, "DATA section too short");
        int32_t bits = word(pos / 4);
        float f;
        std::memcpy(&f, &bits, 4);
        dataValues.push_back(t == 'f' ? floatText(f) : std::to_string(bits));
        pos += 4;
      }
    }
    return true;
  }

  bool readOwners(std::string& error) {
    size_t w = size_t(h.codeSection - h.ownerWords), end = size_t(h.codeSection);
    for (auto& list : owners) {
      if (w >= end) break;
      int32_t count = word(w++);
      if (count < 0 || size_t(count) > end - w) return fail(error, "bad owner table");
      for (int32_t i = 0; i < count; ++i) list.push_back(word(w++));
    }
    return true;
  }

  // ---- operands ----

  std::string cell(int32_t k) const {
    if (k < CellWordBase || k >= CellWordEnd) return "?" + std::to_string(k);
    int32_t c = k - CellWordBase;
    if (c < IntVars) return std::string(1, "LFS"[c / MaxTemporaries]) + ":tmp" + std::to_string(c);
    if (c < IntConsts) {
      int kind = (c - IntVars) / MaxVariables;
      size_t index = size_t((c - IntVars) % MaxVariables);
      std::string s = std::string(1, "LFS"[kind]) + ":var" + std::to_string(c);
      if (index < owners[kind].size() && owners[kind][index] != 0)
        s += owners[kind][index] == UnsavedOwner ? "@shared" : "@f" + std::to_string(owners[kind][index]);
      return s;
    }
    if (c < FloatConsts) {
      size_t i = size_t(c - IntConsts);
      return i < ints.size() ? "=" + std::to_string(ints[i]) : "const" + std::to_string(c);
    }
    if (c < StringConsts) {
      size_t i = size_t(c - FloatConsts);
      return i < floats.size() ? "=" + floatText(floats[i]) : "const" + std::to_string(c);
    }
    if (c < DataCells) {
      size_t i = size_t(c - StringConsts);
      return i < strings.size() ? "=" + quoted(strings[i]) : "const" + std::to_string(c);
    }
    return "data" + std::to_string(c);
  }
  static std::string target(int32_t k) {
    return k >= CodeWordBase ? "-> " + std::to_string(k - CodeWordBase) : "-> ?" + std::to_string(k);
  }

  const CommandEntry* entryOf(int32_t id) const {
    for (const CommandEntry& e : commands.entries())
      if (e.id == id) return &e;
    return nullptr;
  }

  // ---- code ----

  void walk() {
    std::vector<size_t> work{0};
    std::set<size_t> seen;
    auto follow = [&](int32_t k) {
      if (k >= CodeWordBase && size_t(k - CodeWordBase) < code.size()) work.push_back(size_t(k - CodeWordBase));
    };
    while (!work.empty()) {
      size_t p = work.back();
      work.pop_back();
      if (p >= code.size() || !seen.insert(p).second || lengths.count(p)) continue;
      const CommandEntry* e = entryOf(code[p]);
      if (!e) {
        lines[p] = "unknown command " + std::to_string(code[p]) + " (ends the program)";
        lengths[p] = 1;
        continue;
      }
      if (e->keyword == "FUNCTION") {
        call(p, follow);
        continue;
      }
      std::string letters = e->signature == "0" ? "" : e->signature;
      bool hasTarget = TargetKeywords.count(e->keyword) > 0;
      size_t length = 1 + letters.size() + (hasTarget ? 1 : 0);
      if (p + length > code.size()) {
        lines[p] = e->keyword + " (runs past the code)";
        lengths[p] = 1;
        continue;
      }
      std::string text = e->keyword;
      for (size_t j = 0; j < letters.size(); ++j) {
        int32_t k = code[p + 1 + j];
        text += j ? ", " : " ";
        if (letters[j] == 'A' && e->keyword == "RESTORE")
          text += k >= PlainWordBase && k < CodeWordBase ? "data #" + std::to_string(k - PlainWordBase) : "?" + std::to_string(k);
        else if (letters[j] == 'A')
          text += target(k), follow(k);
        else
          text += cell(k);
      }
      if (hasTarget) {
        text += (letters.empty() ? " " : "  ") + target(code[p + length - 1]);
        follow(code[p + length - 1]);
      }
      lines[p] = text;
      lengths[p] = length;
      if (!NoFallThrough.count(e->keyword)) work.push_back(p + length);
    }
  }

  template <class Follow>
  void call(size_t p, Follow& follow) {
    if (p + 4 > code.size()) {
      lines[p] = "FUNCTION (runs past the code)";
      lengths[p] = 1;
      return;
    }
    int32_t e = code[p + 1], n = -1;
    int64_t nCell = int64_t(code[p + 3]) - CellWordBase;  // any word, so in 64 bits
    if (nCell >= IntConsts && size_t(nCell - IntConsts) < ints.size()) n = ints[size_t(nCell - IntConsts)];
    if (n < 0 || n > 127 || p + 4 + size_t(n) > code.size()) {
      lines[p] = "FUNCTION (bad layout)";
      lengths[p] = 1;
      return;
    }
    std::string text = "FUNCTION " + target(e) + ", " + cell(code[p + 2]) + ", " + cell(code[p + 3]);
    for (int32_t j = 0; j < n; ++j) text += ", " + cell(code[p + 4 + size_t(j)]);
    lines[p] = text;
    lengths[p] = 4 + size_t(n);
    size_t entry = e >= CodeWordBase ? size_t(e - CodeWordBase) : code.size();
    if (entry + size_t(n) < code.size() && !lengths.count(entry)) {
      std::string head = ".entry function " + std::to_string(code[entry + size_t(n)] & 0xFFFF) + " (";
      for (int32_t j = 0; j < n; ++j) head += (j ? ", " : "") + cell(code[entry + size_t(j)]);
      lines[entry] = head + ")";
      lengths[entry] = size_t(n) + 1;
      follow(codeWord(int32_t(entry + size_t(n) + 1)));
    }
    follow(codeWord(int32_t(p + 4 + size_t(n))));
  }

  std::string summary() const {
    return "; program image, format " + std::to_string(h.version) + "\n; constants: " + std::to_string(ints.size()) +
           " integer, " + std::to_string(floats.size()) + " float, " + std::to_string(strings.size()) +
           " string\n; variables: " + std::to_string(owners[0].size()) + " integer, " +
           std::to_string(owners[1].size()) + " float, " + std::to_string(owners[2].size()) +
           " string\n; DATA items: " + std::to_string(dataTypes.size()) + "\n; code: " + std::to_string(code.size()) +
           " words\n";
  }

  std::string constantsText() const {
    std::string s;
    for (size_t i = 0; i < strings.size(); ++i)
      s += "; string " + std::to_string(StringConsts + int32_t(i)) + " = " + quoted(strings[i]) + "\n";
    return s;
  }

  std::string dataText() const {
    std::string s;
    for (size_t i = 0; i < dataTypes.size(); ++i)
      s += "; data #" + std::to_string(i) + " " + dataTypes[i] + " " + dataValues[i] + "\n";
    return s;
  }

  std::string codeText() const {
    std::string s;
    char buf[32];
    auto note = notes.begin();
    for (size_t p = 0; p < code.size();) {
      for (; note != notes.end() && note->first <= p; ++note) s += note->second;
      auto it = lines.find(p);
      std::snprintf(buf, sizeof buf, "%6zu  ", p);
      if (it != lines.end()) {
        s += buf + it->second + "\n";
        p += lengths.at(p);
      } else {
        s += buf + std::string(".word ") + std::to_string(code[p]) + "\n";
        ++p;
      }
    }
    return s;
  }
};

}  // namespace

bool disassemble(std::string_view image, std::string& text, std::string& error,
                 const std::map<size_t, std::string>& notes) {
  return Lister(image, builtinCommands(), notes).run(text, error);
}

}  // namespace zt::compiler
