#include "formats/line_table.h"

#include <algorithm>
#include <charconv>
#include <limits>

namespace zt {

namespace {

constexpr std::string_view Magic = "zentropia-lines";
constexpr char HexDigits[] = "0123456789abcdef";

std::string escapeName(std::string_view name) {
  std::string out;
  for (char c : name) {
    const auto u = static_cast<unsigned char>(c);
    if (u == '%' || u < 33 || u > 126) {
      out += '%';
      out += HexDigits[u >> 4];
      out += HexDigits[u & 15];
    } else {
      out += c;
    }
  }
  return out;
}

int hexValue(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'a' && c <= 'f') return c - 'a' + 10;
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;
}

bool unescapeName(std::string_view text, std::string& name) {
  name.clear();
  for (size_t i = 0; i < text.size(); ++i) {
    const auto u = static_cast<unsigned char>(text[i]);
    if (u < 33 || u > 126) return false;
    if (u != '%') {
      name += text[i];
      continue;
    }
    if (i + 2 >= text.size()) return false;
    const int high = hexValue(text[i + 1]), low = hexValue(text[i + 2]);
    if (high < 0 || low < 0) return false;
    name += char(high * 16 + low);
    i += 2;
  }
  return !name.empty() && name.size() <= MaxLineTableName;
}

// Splits off the next blank-separated field.
std::string_view nextField(std::string_view& rest) {
  const size_t blank = rest.find(' ');
  std::string_view field = rest.substr(0, blank);
  rest = blank == std::string_view::npos ? std::string_view() : rest.substr(blank + 1);
  return field;
}

template <typename T>
bool parseNumber(std::string_view text, T& value, int base = 10) {
  if (text.empty() || (text.size() > 1 && text[0] == '0' && base == 10)) return false;
  auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value, base);
  return ec == std::errc() && end == text.data() + text.size();
}

class Reader {
 public:
  explicit Reader(LineTable& table) : table(table) {}

  bool run(std::string_view text, std::string& error) {
    if (text.size() > MaxLineTableBytes) return fail(error, 0, "larger than 64 MB");
    if (text.empty() || text.back() != '\n') return fail(error, 0, "does not end with a line break");
    size_t number = 0;
    while (!text.empty()) {
      const size_t end = text.find('\n');
      std::string_view line = text.substr(0, end);
      text.remove_prefix(end + 1);
      ++number;
      const char* why = record(number, line);
      if (why) return fail(error, number, why);
    }
    if (number < 2) return fail(error, number, "no image record");
    return true;
  }

 private:
  LineTable& table;

  bool fail(std::string& error, size_t line, const std::string& why) {
    table = LineTable{};
    error = line ? "line " + std::to_string(line) + ": " + why : why;
    return false;
  }

  const char* record(size_t number, std::string_view line) {
    std::string_view rest = line;
    const std::string_view kind = nextField(rest);
    if (number == 1) return header(kind, rest);
    if (number == 2) return kind == "image" ? image(rest) : "the second line must be the image record";
    if (kind == "file" || kind == "function") {
      std::string name;
      if (!unescapeName(rest, name)) return "a name must be 1 to 4096 bytes, written as the format says";
      if (!table.places.empty()) return "names must come before the places";
      (kind == "file" ? table.files : table.functions).push_back(std::move(name));
      return nullptr;
    }
    if (kind == "at") return place(rest);
    return "unknown record";
  }

  const char* header(std::string_view kind, std::string_view rest) {
    if (kind != Magic) return "not a line table";
    int version = 0;
    if (!parseNumber(rest, version)) return "no format version";
    if (version != LineTableVersion) return "a format version this engine does not read";
    return nullptr;
  }

  const char* image(std::string_view rest) {
    const std::string_view size = nextField(rest);
    if (!parseNumber(size, table.imageSize)) return "bad image size";
    if (rest.size() != 16 || !parseNumber(rest, table.imageHash, 16)) return "bad image hash";
    return nullptr;
  }

  const char* place(std::string_view rest) {
    uint32_t v[5];
    for (uint32_t& x : v)
      if (!parseNumber(nextField(rest), x)) return "a place needs five numbers";
    if (!rest.empty()) return "a place needs five numbers";
    const LinePlace p{v[0], v[1], v[2], v[3], v[4]};
    if (!table.places.empty() && p.word <= table.places.back().word) return "places must come in increasing word order";
    if (p.file >= table.files.size()) return "no such file";
    if (p.line < 1 || p.column < 1) return "lines and columns count from 1";
    if (p.function > table.functions.size()) return "no such function";
    table.places.push_back(p);
    return nullptr;
  }
};

}  // namespace

const LinePlace* LineTable::find(size_t word) const {
  auto it =
      std::upper_bound(places.begin(), places.end(), word, [](size_t w, const LinePlace& p) { return w < p.word; });
  return it == places.begin() ? nullptr : &*std::prev(it);
}

bool LineTable::describes(std::string_view image) const {
  return imageSize == image.size() && imageHash == lineTableHash(image);
}

std::string LineTable::describe(const LinePlace& place) const {
  std::string text = files[place.file] + ":" + std::to_string(place.line) + ":" + std::to_string(place.column);
  if (place.function > 0) text += " in FUNCTION " + functions[place.function - 1];
  return text;
}

uint64_t lineTableHash(std::string_view bytes) {
  uint64_t h = 14695981039346656037ull;
  for (char c : bytes) {
    h ^= static_cast<unsigned char>(c);
    h *= 1099511628211ull;
  }
  return h;
}

std::string lineTablePath(std::string_view imagePath) {
  const size_t slash = imagePath.find_last_of('/');
  const size_t dot = imagePath.find_last_of('.');
  const bool hasExtension = dot != std::string_view::npos && (slash == std::string_view::npos || dot > slash + 1);
  return std::string(hasExtension ? imagePath.substr(0, dot) : imagePath) + ".zmap";
}

std::string writeLineTable(const LineTable& table) {
  std::string out = std::string(Magic) + " " + std::to_string(LineTableVersion) + "\n";
  char hash[17];
  for (int i = 0; i < 16; ++i) hash[i] = HexDigits[(table.imageHash >> (60 - 4 * i)) & 15];
  hash[16] = '\0';
  out += "image " + std::to_string(table.imageSize) + " " + hash + "\n";
  for (const std::string& f : table.files) out += "file " + escapeName(f) + "\n";
  for (const std::string& f : table.functions) out += "function " + escapeName(f) + "\n";
  for (const LinePlace& p : table.places)
    out += "at " + std::to_string(p.word) + " " + std::to_string(p.file) + " " + std::to_string(p.line) + " " +
           std::to_string(p.column) + " " + std::to_string(p.function) + "\n";
  return out;
}

bool readLineTable(std::string_view text, LineTable& table, std::string& error) {
  table = LineTable{};
  return Reader(table).run(text, error);
}

}  // namespace zt
