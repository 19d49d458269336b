// Source files and diagnostics of the compiler.
// Every token and diagnostic carries a position (file, line, column, counted from 1).
// The compiler keeps going after an error to report several at once; a compilation
// with any error produces no image.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace zt::compiler {

struct SourcePos {
  int file = 0;  // index into SourceSet::files
  int line = 0;
  int column = 0;
};

struct SourceFile {
  std::string path;  // as shown in messages: as named by the user, or relative to the including file
  std::string text;
};


struct Diagnostic {
  SourcePos pos;
  std::string message;
};

// The files of one compilation and the errors found in them.
class SourceSet {
 public:
  // Adds a file already read into memory; returns its index.
  int add(std::string path, std::string text);
  // Reads a file from disk, shown in messages as `shownAs` (default: `path`); returns -1
  // with the reason in `why` when it cannot be read.
  int load(const std::string& path, std::string& why, std::string shownAs = {});
  const SourceFile& file(int index) const { return files_[size_t(index)]; }
  size_t fileCount() const { return files_.size(); }

  void error(SourcePos pos, std::string message);
  const std::vector<Diagnostic>& diagnostics() const { return diagnostics_; }
  bool failed() const { return !diagnostics_.empty(); }
  // Stop collecting after this many errors: later ones are usually consequences.
  bool tooMany() const { return diagnostics_.size() >= MaxErrors; }

  // "path:line:column: message", one line per diagnostic.
  std::string format(const Diagnostic& d) const;
  std::string formatAll() const;

  // Warnings do not fail the compilation; "path:line:column: warning: message" lines in
  // source order.
  void warn(SourcePos pos, std::string message);
  std::string formatWarnings() const;

  static constexpr size_t MaxErrors = 30;
  // The text of all the files of one compilation (includes read again count again), so
  // that no source makes the compiler's memory grow without bound.
  static constexpr size_t MaxSourceBytes = size_t(16) << 20;

 private:
  std::vector<SourceFile> files_;
  std::vector<Diagnostic> diagnostics_;
  std::vector<Diagnostic> warnings_;
  size_t bytes_ = 0;  // text of the files so far
};

}  // namespace zt::compiler
