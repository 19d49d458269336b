#include "compiler/lexer.h"

#include <cctype>
#include <cmath>
#include <cstdlib>

namespace zt::compiler {

namespace {

bool isWordStart(char c) { return std::isalpha(static_cast<unsigned char>(c)) || c == '_'; }
bool isWordChar(char c) { return std::isalnum(static_cast<unsigned char>(c)) || c == '_'; }
bool isDigit(char c) { return std::isdigit(static_cast<unsigned char>(c)) != 0; }
bool isHexDigit(char c) { return std::isxdigit(static_cast<unsigned char>(c)) != 0; }

std::string upper(std::string s) {
  for (char& c : s) c = char(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

class Lexer {
 public:
  Lexer(SourceSet& sources, int file, const CommandIndex& commands, std::vector<Token>& out)
      : sources(sources), file(file), text(sources.file(file).text), commands(commands), out(out) {}

  void run() {
    while (i < text.size()) step();
    endLine();
  }

 private:
  SourceSet& sources;
  int file;
  const std::string& text;
  const CommandIndex& commands;
  std::vector<Token>& out;
  size_t i = 0;
  int line = 1;
  size_t lineStart = 0;

  SourcePos here(size_t at) const { return {file, line, int(at - lineStart) + 1}; }
  bool atStatementStart() const {
    return out.empty() || out.back().kind == Tok::LineEnd || out.back().kind == Tok::Colon;
  }
  void push(Tok kind, std::string t, size_t at) {
    Token tok;
    tok.kind = kind;
    tok.text = std::move(t);
    tok.pos = here(at);
    out.push_back(std::move(tok));
  }
  void endLine() {
    if (!out.empty() && out.back().kind != Tok::LineEnd) push(Tok::LineEnd, "", i);
  }
  void newLine() {  // at a '\n'
    endLine();
    ++i;
    ++line;
    lineStart = i;
  }
  void skipToLineEnd() {
    while (i < text.size() && text[i] != '\n') ++i;
  }

  void step() {
    char c = text[i];
    if (c == '\n') return newLine();
    if (c == ' ' || c == '\t' || c == '\r') return void(++i);
    if (c == '`' || (c == '/' && i + 1 < text.size() && text[i + 1] == '/')) return skipToLineEnd();
    if (c == '"') return lexString();
    if (isDigit(c) || (c == '.' && i + 1 < text.size() && isDigit(text[i + 1]))) return lexNumber();
    if (isWordStart(c) || (c == '#' && i + 1 < text.size() && isWordStart(text[i + 1]))) return lexWord();
    if (c == '%' && i + 1 < text.size() && isDigit(text[i + 1])) return lexBinary();
    if (c == '$' && i + 1 < text.size() && isHexDigit(text[i + 1])) return lexHex(1);
    lexSymbol();
  }

  void lexString() {
    size_t start = i++;
    std::string s;
    while (i < text.size() && text[i] != '"' && text[i] != '\n') s += text[i++];
    if (i >= text.size() || text[i] != '"') {
      sources.error(here(start), "string has no closing quote");
    } else {
      ++i;
    }
    if (s.size() > 255) sources.error(here(start), "string longer than 255 characters");
    push(Tok::String, std::move(s), start);
  }

  void lexNumber() {
    size_t start = i;
    // A word the command table has that starts with a digit ("3DS2X").
    size_t j = i;
    while (j < text.size() && isWordChar(text[j])) ++j;
    if (j < text.size() && (text[j] == '$' || text[j] == '#')) ++j;
    std::string word = upper(text.substr(i, j - i));
    if (commands.isKeywordWord(word)) {
      i = j;
      push(Tok::Word, std::move(word), start);
      return;
    }
    if (text[i] == '0' && i + 2 < text.size() && (text[i + 1] == 'x' || text[i + 1] == 'X') && isHexDigit(text[i + 2]))
      return lexHex(2);
    while (i < text.size() && isDigit(text[i])) ++i;
    bool real = false;
    if (i < text.size() && text[i] == '.') {
      real = true;
      ++i;
      while (i < text.size() && isDigit(text[i])) ++i;
    }
    if (i < text.size() && (text[i] == 'e' || text[i] == 'E')) {  // 1e3, 2.5E-2
      size_t j = i + 1;
      if (j < text.size() && (text[j] == '+' || text[j] == '-')) ++j;
      if (j < text.size() && isDigit(text[j])) {
        real = true;
        i = j;
        while (i < text.size() && isDigit(text[i])) ++i;
      }
    }
    std::string digits = text.substr(start, i - start);
    if (i < text.size() && isWordChar(text[i])) {
      sources.error(here(start), "malformed number");
      while (i < text.size() && isWordChar(text[i])) ++i;
    }
    if (real) {
      push(Tok::Float, digits, start);
      out.back().real = std::strtof(digits.c_str(), nullptr);
      if (!std::isfinite(out.back().real)) sources.error(here(start), "float constant too large");
      return;
    }
    pushInteger(digits, 10, start);
  }

  // %1010
  void lexBinary() {
    size_t start = i++;
    while (i < text.size() && (text[i] == '0' || text[i] == '1')) ++i;
    std::string digits = text.substr(start + 1, i - start - 1);
    if (digits.empty() || (i < text.size() && isWordChar(text[i]))) {
      sources.error(here(start), "malformed binary number");
      while (i < text.size() && isWordChar(text[i])) ++i;
    }
    pushInteger(digits.empty() ? "0" : digits, 2, start);
  }

  // 0xFF or $FF, after a prefix of `prefix` characters.
  void lexHex(size_t prefix) {
    size_t start = i;
    i += prefix;
    while (i < text.size() && isHexDigit(text[i])) ++i;
    std::string digits = text.substr(start + prefix, i - start - prefix);
    if (i < text.size() && isWordChar(text[i])) {
      sources.error(here(start), "malformed hexadecimal number");
      while (i < text.size() && isWordChar(text[i])) ++i;
    }
    pushInteger(digits, 16, start);
  }

  // Decimal integers up to 2147483648, which only a minus sign in front makes valid;
  // binary and hexadecimal ones are 32-bit patterns (%1 followed by 31 zeros and
  // $80000000 are -2147483648, $FFFFFFFF is -1).
  void pushInteger(const std::string& digits, int base, size_t start) {
    push(Tok::Integer, text.substr(start, i - start), start);
    size_t significant = digits.find_first_not_of('0');
    size_t maxDigits = base == 2 ? 32u : base == 16 ? 8u : 10u;
    bool tooLong = significant != std::string::npos && digits.size() - significant > maxDigits;
    long long v = tooLong ? 0 : std::strtoll(digits.c_str(), nullptr, base);
    if (base != 10) v = int32_t(uint32_t(v));
    if (tooLong || v > 2147483648LL) {
      sources.error(here(start), "integer constant too large");
      v = 0;
    }
    out.back().integer = v;
  }

  void lexWord() {
    size_t start = i++;
    while (i < text.size() && isWordChar(text[i])) ++i;
    if (i < text.size() && (text[i] == '$' || text[i] == '#')) ++i;
    std::string word = upper(text.substr(start, i - start));
    if (atStatementStart() && word == "REM") return skipToLineEnd();
    if (atStatementStart() && word == "REMSTART") return skipBlockComment(start);
    push(Tok::Word, std::move(word), start);
  }

  // Skips to the end of the word REMEND.
  void skipBlockComment(size_t start) {
    const SourcePos opened = here(start);
    while (i < text.size()) {
      if (text[i] == '\n') {
        ++i;
        ++line;
        lineStart = i;
        continue;
      }
      if (isWordStart(text[i]) && (i == 0 || !isWordChar(text[i - 1]))) {
        size_t j = i;
        while (j < text.size() && isWordChar(text[j])) ++j;
        bool end = upper(text.substr(i, j - i)) == "REMEND";
        i = j;
        if (end) return;
        continue;
      }
      ++i;
    }
    sources.error(opened, "REMSTART without REMEND");
  }

  void lexSymbol() {
    size_t start = i;
    static const char* const Pairs[] = {"<>", "<=", ">=", "==", "!="};
    for (const char* p : Pairs)
      if (text.compare(i, 2, p) == 0) {
        i += 2;
        push(Tok::Symbol, p, start);
        return;
      }
    char c = text[i++];
    if (c == ':') return push(Tok::Colon, ":", start);
    static const std::string Singles = "+-*/^=<>&|(),;";
    if (Singles.find(c) != std::string::npos) return push(Tok::Symbol, std::string(1, c), start);
    sources.error(here(start), std::string("unexpected character '") + c + "'");
  }
};

}  // namespace

void lexFile(SourceSet& sources, int file, const CommandIndex& commands, std::vector<Token>& out) {
  Lexer(sources, file, commands, out).run();
}

}  // namespace zt::compiler
