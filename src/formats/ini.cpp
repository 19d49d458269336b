#include "formats/ini.h"

#include <algorithm>
#include <cctype>
#include <new>

#include "core/text_lines.h"

namespace zt {

bool sameName(std::string_view a, std::string_view b) {
  return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
           return std::tolower(static_cast<unsigned char>(x)) == std::tolower(static_cast<unsigned char>(y));
         });
}

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t' || s.back() == '\r')) s.remove_suffix(1);
  return s;
}

// A value written in matching quotes reads without them.
std::string_view unquote(std::string_view v) {
  if (v.size() >= 2 && (v.front() == '"' || v.front() == '\'') && v.back() == v.front())
    return v.substr(1, v.size() - 2);
  return v;
}

}  // namespace

void IniFile::parse(std::string_view text) {
  try {
    parseLines(text);
  } catch (const std::bad_alloc&) {
    preamble.clear();
    sections.clear();
  }
}

void IniFile::parseLines(std::string_view text) {
  preamble.clear();
  sections.clear();
  while (!text.empty()) {
    std::string_view line = takeLine(text);
    std::string_view t = trim(line);
    std::vector<Entry>& into = sections.empty() ? preamble : sections.back().entries;
    if (!t.empty() && t.front() == '[') {
      size_t close = t.find(']');
      sections.push_back(
          {std::string(trim(t.substr(1, close == std::string_view::npos ? t.size() - 1 : close - 1))), {}});
      continue;
    }
    size_t eq = t.find('=');
    if (t.empty() || t.front() == ';' || eq == std::string_view::npos || trim(t.substr(0, eq)).empty()) {
      if (!t.empty()) into.push_back({"", std::string(t)});
      continue;
    }
    into.push_back({std::string(trim(t.substr(0, eq))), std::string(trim(t.substr(eq + 1)))});
  }
}

std::string IniFile::text() const {
  std::string out;
  auto writeEntries = [&](const std::vector<Entry>& entries) {
    for (const Entry& e : entries) out += (e.key.empty() ? e.value : e.key + "=" + e.value) + "\r\n";
  };
  writeEntries(preamble);
  for (const Section& s : sections) {
    out += "[" + s.name + "]\r\n";
    writeEntries(s.entries);
  }
  return out;
}

const IniFile::Section* IniFile::find(std::string_view name) const {
  for (const Section& s : sections)
    if (sameName(s.name, name)) return &s;
  return nullptr;
}

std::string IniFile::get(std::string_view section, std::string_view key, std::string_view fallback) const {
  if (const Section* s = find(section))
    for (const Entry& e : s->entries)
      if (!e.key.empty() && sameName(e.key, key)) return std::string(unquote(e.value));
  return std::string(fallback);
}

void IniFile::set(std::string_view section, std::string_view key, std::string_view value) {
  Section* s = find(section);
  if (!s) {
    sections.push_back({std::string(section), {}});
    s = &sections.back();
  }
  for (Entry& e : s->entries)
    if (!e.key.empty() && sameName(e.key, key)) {
      e.value = value;
      return;
    }
  s->entries.push_back({std::string(key), std::string(value)});
}

size_t IniFile::keyCount(std::string_view section) const {
  const Section* s = find(section);
  return s ? size_t(std::count_if(s->entries.begin(), s->entries.end(), [](const Entry& e) { return !e.key.empty(); }))
           : 0;
}

}  // namespace zt
