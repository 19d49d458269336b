#include "compiler/source.h"

#include <algorithm>
#include <tuple>

#include "platform/fs.h"

namespace zt::compiler {

int SourceSet::add(std::string path, std::string text) {
  bytes_ += text.size();
  files_.push_back({std::move(path), std::move(text)});
  return int(files_.size() - 1);
}

int SourceSet::load(const std::string& path, std::string& why, std::string shownAs) {
  std::string text;
  if (!readWholeFile(path, text, MaxSourceBytes - std::min(bytes_, MaxSourceBytes), &why)) {
    if (why == "too large") why = "the program's source files would exceed 16 MB";
    return -1;
  }
  return add(shownAs.empty() ? path : std::move(shownAs), std::move(text));
}

void SourceSet::error(SourcePos pos, std::string message) {
  if (tooMany()) return;
  for (const Diagnostic& d : diagnostics_)  // one report per place and text
    if (d.pos.file == pos.file && d.pos.line == pos.line && d.pos.column == pos.column && d.message == message) return;
  diagnostics_.push_back({pos, std::move(message)});
}

std::string SourceSet::format(const Diagnostic& d) const {
  std::string where = d.pos.file >= 0 && size_t(d.pos.file) < files_.size() ? files_[size_t(d.pos.file)].path : "?";
  return where + ":" + std::to_string(d.pos.line) + ":" + std::to_string(d.pos.column) + ": " + d.message;
}

void SourceSet::warn(SourcePos pos, std::string message) { warnings_.push_back({pos, std::move(message)}); }

std::string SourceSet::formatWarnings() const {
  std::vector<Diagnostic> sorted = warnings_;
  std::stable_sort(sorted.begin(), sorted.end(), [](const Diagnostic& a, const Diagnostic& b) {
    return std::tie(a.pos.file, a.pos.line, a.pos.column) < std::tie(b.pos.file, b.pos.line, b.pos.column);
  });
  std::string out;
  for (Diagnostic& d : sorted) {
    d.message = "warning: " + d.message;
    out += format(d) + "\n";
  }
  return out;
}

std::string SourceSet::formatAll() const {
  std::string out;
  for (const Diagnostic& d : diagnostics_) out += format(d) + "\n";
  if (tooMany()) out += "too many errors; stopping\n";
  return out;
}

}  // namespace zt::compiler
