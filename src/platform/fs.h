// File system access for the names programs give. Programs were written for a file system
// with drive letters, backslashes and names that match in any letter case, and they rely
// on it. FileSystem::resolve turns such a name into a host path: backslashes become
// separators, drive C: is the root (the only drive), "." and ".." are applied to the
// text, and each component that does not exist with the exact spelling takes the first
// entry of its folder that matches it ignoring case. Names that are created keep the
// program's spelling. The current directory is kept here, not in the process, so every
// engine in a process has its own. Everything else works on resolved host paths.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace zt {

class FileSystem {
 public:
  // Starts in the process's current directory.
  FileSystem();
  // Starts in `folder`, an absolute host path.
  explicit FileSystem(std::string folder);

  // The host path for a program's name, or empty when the name cannot name a file: it
  // is empty, names a drive that does not exist, or holds a character that file names
  // may not hold (control characters, < > " | ? * and a colon other than a drive's).
  std::string resolve(std::string_view name) const;
  // The current directory as programs see it: "C:\folder\sub", "C:\" at the root.
  std::string currentDirectory() const;
  // Fails (leaving the current directory) when the name is no directory that can be entered.
  bool changeDirectory(std::string_view name);

  // The drive letters that exist, in order.
  static std::vector<char> drives();

 private:
  std::string current;  // absolute host path without a trailing separator ("/" at the root)
};

struct DirectoryEntry {
  std::string name;
  bool isDirectory = false;
  int64_t size = 0;
  int64_t modified = 0;  // last write, seconds since 1970
};

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using FileHandle = std::unique_ptr<std::FILE, FileCloser>;

enum class OpenMode {
  ReadExisting,  // an existing file, for reading
  ReadAlways,    // for reading, created empty when missing
  CreateNew,     // a new file for unbuffered writing; fails when the name exists
};
// Null on failure. A folder never opens as a file.
FileHandle openFile(const std::string& path, OpenMode mode);

// A regular file that can be opened for reading.
bool isReadableFile(const std::string& path);
// Anything (file or folder) exists at the path.
bool pathExists(const std::string& path);
// Size in bytes of a readable file, or -1.
int64_t fileSize(const std::string& path);
// The whole contents of a regular file or a pipe (never a folder or a device) into
// `bytes`. False, with `bytes` empty, when it cannot be opened or read, holds more than
// `maxBytes`, or memory runs short: never throws. `why`, when given, receives the reason
// ("it is a folder", "no such file", "too large", ...).
bool readWholeFile(const std::string& path, std::string& bytes, uint64_t maxBytes = UINT64_MAX,
                   std::string* why = nullptr);

// The folder's entries sorted as the language lists them: "." and ".." first (except at
// the root), then by name ignoring case.
bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries);

bool makeDirectory(const std::string& path);
bool removeDirectory(const std::string& path);
bool removeFile(const std::string& path);
// Copies a file to a new name; fails, leaving nothing behind, when `to` exists.
bool copyFile(const std::string& from, const std::string& to);
// Moves a file or folder; fails when `to` exists, never replacing it.
bool moveFile(const std::string& from, const std::string& to);
// Replaces the file's contents through a temporary file in the same folder, so a failed
// write leaves the old contents in place and no temporary behind. The new contents are on
// the disk before the name points at them: a power loss leaves the old file or the new one.
// `produce` hands the bytes, in any number of pieces, to the sink it is given and returns
// false when it, or the sink, fails.
using ByteSink = std::function<bool(std::string_view)>;
bool replaceFile(const std::string& path, const std::function<bool(const ByteSink&)>& produce);
bool replaceFile(const std::string& path, std::string_view bytes);

// A file time broken down in local time.
std::tm localTime(int64_t seconds);

}  // namespace zt
