#include "compiler/source.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <new>
#include <system_error>

#include "platform/fs.h"

namespace zt::compiler {

int SourceSet::add(std::string path, std::string text) {
  bytes_ += text.size();
  files_.push_back({std::move(path), std::move(text)});
  return int(files_.size() - 1);
}

bool readWholeFile(const std::string& path, std::string& text, std::string& why, size_t limit) {
  std::error_code ec;
  if (std::filesystem::is_directory(path, ec)) {
    why = "it is a folder";
    return false;
  }
  errno = 0;
  FileHandle f = openFile(path, OpenMode::ReadExisting);
  if (!f) {
    why = errno == ENOENT   ? "no such file"
          : errno == EACCES ? "permission denied"
          : errno           ? std::strerror(errno)
                            : "not a regular file";
    return false;
  }
  text.clear();
  try {
    char buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f.get())) > 0) {
      if (n > limit - text.size()) {
        text = std::string();
        why = "too large";
        return false;
      }
      text.append(buffer, n);
    }
  } catch (const std::bad_alloc&) {
    text = std::string();
    why = "too large to hold in memory";
    return false;
  }
  if (std::ferror(f.get())) {
    why = "read error";
    return false;
  }
  return true;
}

int SourceSet::load(const std::string& path, std::string& why, std::string shownAs) {
  std::string text;
  if (!readWholeFile(path, text, why, MaxSourceBytes - std::min(bytes_, MaxSourceBytes))) {
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

std::string SourceSet::formatAll() const {
  std::string out;
  for (const Diagnostic& d : diagnostics_) out += format(d) + "\n";
  if (tooMany()) out += "too many errors; stopping\n";
  return out;
}

}  // namespace zt::compiler
