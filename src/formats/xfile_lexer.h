// The two token forms of .x data behind one interface, so that one parser reads both: the text
// form (words, quoted strings, <GUID>s, braces; "//" and "#" comments) and the binary form (16-bit
// token numbers with counted names, strings and number lists). The separators ";" and "," carry
// nothing the templates do not already say, so both lexers pass over them everywhere. Every read
// checks what is left, and a failure is kept as the lexer's error with the place it happened.
#pragma once

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

#include "formats/xfile.h"

namespace zt::xfile {

enum class Next { End, Name, OBrace, CBrace, Template, Value, Other };

// What both lexers share: the data, the position and the first failure.
class LexerBase {
 public:
  explicit LexerBase(std::string_view d) : data(d) {}
  bool ok() const { return error == XFileError::None; }
  bool fail(XFileError e, std::string_view what) {
    if (ok()) {
      error = e;
      message = std::string(what);
      at = pos;
    }
    return false;
  }
  bool truncated() { return fail(XFileError::Truncated, "the file ends inside its data"); }
  bool malformed(std::string_view what) { return fail(XFileError::Malformed, what); }

  XFileError error = XFileError::None;
  std::string message;
  size_t at = 0;  // where the failure was met

 protected:
  std::string_view data;
  size_t pos = 0;
};

class TextLexer : public LexerBase {
 public:
  using LexerBase::LexerBase;

  std::string where() const {
    size_t line = 1;
    for (size_t i = 0; i < at && i < data.size(); ++i) line += data[i] == '\n';
    return "line " + std::to_string(line);
  }

  // Each value takes at least one character.
  size_t maxValuesLeft() const { return data.size() - pos; }

  Next peek() {
    skipSpace();
    if (pos >= data.size()) return Next::End;
    switch (data[pos]) {
      case '{': return Next::OBrace;
      case '}': return Next::CBrace;
      case '"':
      case '<': return Next::Value;
      case '[': case ']': case '(': case ')': case '>': return Next::Other;
      default: break;
    }
    std::string_view w = word();
    if (startsNumber(w[0])) return Next::Value;
    return w == "template" ? Next::Template : Next::Name;
  }

  bool integer(uint32_t& v) {
    std::string_view w;
    if (!valueWord(w)) return false;
    uint64_t n = 0;
    auto r = std::from_chars(w.data(), w.data() + w.size(), n);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size() || n > UINT32_MAX)
      return malformed("a whole number from 0 to 4294967295 was expected");
    v = uint32_t(n);
    return true;
  }

  bool number(float& v) {
    std::string_view w;
    if (!valueWord(w)) return false;
    const char* first = w.data() + (w[0] == '+');
    auto r = std::from_chars(first, w.data() + w.size(), v);
    if (r.ec != std::errc() || r.ptr != w.data() + w.size() || !std::isfinite(v))
      return malformed("a number was expected");
    return true;
  }

  bool string(std::string& s) {
    skipSpace();
    if (pos >= data.size()) return truncated();
    if (data[pos] != '"') return malformed("a quoted string was expected");
    size_t end = data.find('"', pos + 1);
    if (end == std::string_view::npos) return truncated();
    s.assign(data.substr(pos + 1, end - pos - 1));
    pos = end + 1;
    return true;
  }

  // A name: any word (files name frames "1" too).
  bool name(std::string& s) {
    Next n = peek();
    if (n == Next::End) return truncated();
    if (n != Next::Name && n != Next::Value && n != Next::Template) return malformed("a name was expected");
    if (data[pos] == '"' || data[pos] == '<') return malformed("a name was expected");
    std::string_view w = word();
    s.assign(w);
    pos += w.size();
    return true;
  }

  // The name after a template name in an object's header, when there is one.
  bool optionalName(std::string& s) {
    Next n = peek();
    if (n == Next::Name || (n == Next::Value && data[pos] != '"' && data[pos] != '<')) return name(s);
    return ok();
  }

  bool optionalGuid() {
    skipSpace();
    if (pos >= data.size() || data[pos] != '<') return true;
    size_t end = data.find('>', pos);
    if (end == std::string_view::npos) return truncated();
    pos = end + 1;
    return true;
  }

  bool expect(Next want) {
    Next n = peek();
    if (n == Next::End) return truncated();
    if (n != want) return malformed(want == Next::OBrace ? "\"{\" was expected" : "\"}\" was expected");
    ++pos;
    return true;
  }

  // Passes over the rest of an object whose "{" has been read, nested objects included.
  bool skipBlock() {
    for (int depth = 1; depth > 0;) {
      skipSpace();
      if (pos >= data.size()) return truncated();
      char c = data[pos];
      if (c == '{') ++depth, ++pos;
      else if (c == '}') --depth, ++pos;
      else if (c == '"' || c == '<') {
        size_t end = data.find(c == '"' ? '"' : '>', pos + 1);
        if (end == std::string_view::npos) return truncated();
        pos = end + 1;
      } else if (isPunctuation(c)) ++pos;
      else pos += word().size();
    }
    return true;
  }

  bool skipTemplate() {
    std::string ignored;
    return name(ignored) && name(ignored) && expect(Next::OBrace) && skipBlock();
  }

 private:
  static bool isPunctuation(char c) {
    switch (c) {
      case '{': case '}': case '[': case ']': case '(': case ')': case ';': case ',': case '<': case '>': case '"':
        return true;
      default: return false;
    }
  }
  static bool isSpace(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
  static bool startsNumber(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

  void skipSpace() {
    while (pos < data.size()) {
      char c = data[pos];
      if (isSpace(c) || c == ';' || c == ',') ++pos;
      else if (c == '#' || (c == '/' && pos + 1 < data.size() && data[pos + 1] == '/')) {
        size_t end = data.find('\n', pos);
        pos = end == std::string_view::npos ? data.size() : end + 1;
      } else break;
    }
  }

  // The word at the position (not consumed): up to a blank, a separator or a bracket.
  std::string_view word() const {
    size_t end = pos;
    while (end < data.size() && !isSpace(data[end]) && !isPunctuation(data[end])) ++end;
    return data.substr(pos, end - pos);
  }

  bool valueWord(std::string_view& w) {
    skipSpace();
    if (pos >= data.size()) return truncated();
    w = word();
    if (w.empty() || !startsNumber(w[0])) return malformed("a number was expected");
    pos += w.size();
    return true;
  }
};

class BinaryLexer : public LexerBase {
 public:
  enum Token : uint16_t {
    TName = 1, TString = 2, TInteger = 3, TGuid = 5, TIntegerList = 6, TFloatList = 7,
    TOBrace = 10, TCBrace = 11, TOParen = 12, TCParen = 13, TOBracket = 14, TCBracket = 15,
    TOAngle = 16, TCAngle = 17, TDot = 18, TComma = 19, TSemicolon = 20, TTemplate = 31,
    TWord = 40, TDword = 41, TFloat = 42, TDouble = 43, TChar = 44, TUChar = 45, TSWord = 46,
    TSDword = 47, TVoid = 48, TLpstr = 49, TUnicode = 50, TCString = 51, TArray = 52,
  };

  BinaryLexer(std::string_view d, int floatBytes) : LexerBase(d), floatSize(size_t(floatBytes)) {}

  std::string where() const { return "byte " + std::to_string(at); }

  // Values in a list take four bytes at least (integers and 32-bit floats).
  size_t maxValuesLeft() const { return listLeft + (data.size() - pos) / 4; }

  Next peek() {
    if (listLeft) return Next::Value;
    skipSeparators();
    if (pos == data.size()) return Next::End;
    if (!has(2)) return truncated(), Next::Other;  // half a token
    switch (u16(pos)) {
      case TName: return Next::Name;
      case TOBrace: return Next::OBrace;
      case TCBrace: return Next::CBrace;
      case TTemplate: return Next::Template;
      case TString: case TInteger: case TGuid: case TIntegerList: case TFloatList: return Next::Value;
      default: return Next::Other;
    }
  }

  bool integer(uint32_t& v) {
    while (!listLeft) {
      skipSeparators();
      uint16_t t = 0;
      if (!token(t)) return false;
      if (t == TInteger) return read32(v);
      if (t != TIntegerList) return malformed("a whole number was expected");
      if (!startList(4, false)) return false;
    }
    if (listIsFloat) return malformed("a whole number was expected, the file gives a float");
    --listLeft;
    v = u32(pos);
    pos += 4;
    return true;
  }

  bool number(float& v) {
    while (!listLeft) {
      skipSeparators();
      uint16_t t = 0;
      if (!token(t)) return false;
      if (t == TInteger) {
        uint32_t i = 0;
        if (!read32(i)) return false;
        v = float(i);
        return true;
      }
      if (t == TFloatList) {
        if (!startList(floatSize, true)) return false;
      } else if (t == TIntegerList) {
        if (!startList(4, false)) return false;
      } else {
        return malformed("a number was expected");
      }
    }
    --listLeft;
    if (!listIsFloat) v = float(u32(pos)), pos += 4;
    else if (floatSize == 4) v = std::bit_cast<float>(u32(pos)), pos += 4;
    else v = float(std::bit_cast<double>(u64(pos))), pos += 8;
    if (!std::isfinite(v)) return malformed("a number was expected, the file gives an infinity or NaN");
    return true;
  }

  bool string(std::string& s) {
    if (!noList()) return false;
    skipSeparators();
    uint16_t t = 0;
    if (!token(t)) return false;
    if (t != TString) return malformed("a string was expected");
    return counted(s) && stringTerminator();
  }

  bool name(std::string& s) {
    if (!noList()) return false;
    skipSeparators();
    uint16_t t = 0;
    if (!token(t)) return false;
    if (t != TName) return malformed("a name was expected");
    return counted(s);
  }

  bool optionalName(std::string& s) { return peek() == Next::Name ? name(s) : ok(); }

  bool optionalGuid() {
    if (listLeft || peek() != Next::Value || u16(pos) != TGuid) return ok();
    pos += 2;
    return skip(16);
  }

  bool expect(Next want) {
    if (!noList()) return false;
    Next n = peek();
    if (n == Next::End) return truncated();
    if (n != want) return malformed(want == Next::OBrace ? "\"{\" was expected" : "\"}\" was expected");
    pos += 2;
    return true;
  }

  bool skipBlock() {
    pos += listLeft * (listIsFloat ? floatSize : 4);  // a list being read was checked against the data
    listLeft = 0;
    for (int depth = 1; depth > 0;) {
      uint16_t t = 0;
      if (!token(t)) return false;
      if (t == TOBrace) ++depth;
      else if (t == TCBrace) --depth;
      else if (!skipPayload(t)) return false;
    }
    return true;
  }

  bool skipTemplate() {
    std::string ignored;
    uint16_t t = 0;
    return token(t) && name(ignored) && expect(Next::OBrace) && skipBlock();
  }

 private:
  size_t floatSize;
  size_t listLeft = 0;  // values left in the integer or float list being read
  bool listIsFloat = false;

  uint16_t u16(size_t at) const { return uint16_t(uint8_t(data[at]) | uint8_t(data[at + 1]) << 8); }
  uint32_t u32(size_t at) const { return uint32_t(u16(at)) | uint32_t(u16(at + 2)) << 16; }
  uint64_t u64(size_t at) const { return uint64_t(u32(at)) | uint64_t(u32(at + 4)) << 32; }
  bool has(size_t n) const { return n <= data.size() - pos; }
  bool skip(size_t n) {
    if (!has(n)) return truncated();
    pos += n;
    return true;
  }
  bool read32(uint32_t& v) {
    if (!has(4)) return truncated();
    v = u32(pos);
    pos += 4;
    return true;
  }

  bool noList() { return listLeft == 0 || malformed("more numbers than the template holds"); }

  bool token(uint16_t& t) {
    if (!has(2)) return truncated();
    t = u16(pos);
    pos += 2;
    return true;
  }

  void skipSeparators() {
    while (has(2) && (u16(pos) == TComma || u16(pos) == TSemicolon)) pos += 2;
  }

  bool startList(size_t itemSize, bool isFloat) {
    uint32_t n = 0;
    if (!read32(n)) return false;
    if (n > (data.size() - pos) / itemSize) return truncated();
    listLeft = n;
    listIsFloat = isFloat;
    return true;
  }

  bool counted(std::string& s) {
    uint32_t n = 0;
    if (!read32(n)) return false;
    if (!has(n)) return truncated();
    s.assign(data.substr(pos, n));
    pos += n;
    return true;
  }

  // A string ends with a ";" or "," token, written by some files as a 32-bit word: its high
  // half (a token number 0, which no token has) is passed over too.
  bool stringTerminator() {
    if (has(2) && (u16(pos) == TSemicolon || u16(pos) == TComma)) {
      pos += 2;
      if (has(2) && u16(pos) == 0) pos += 2;
    }
    return true;
  }

  bool skipPayload(uint16_t t) {
    uint32_t n = 0;
    switch (t) {
      case TName: return read32(n) && skip(n);
      case TString: return read32(n) && skip(n) && stringTerminator();
      case TInteger: return skip(4);
      case TGuid: return skip(16);
      case TIntegerList: return read32(n) && skip(size_t(n) * 4);
      case TFloatList: return read32(n) && skip(size_t(n) * floatSize);
      default:
        if ((t >= TOParen && t <= TSemicolon) || t == TTemplate || (t >= TWord && t <= TArray)) return true;
        return malformed("an unknown token");
    }
  }
};

}  // namespace zt::xfile
