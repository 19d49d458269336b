#include "platform/fs.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <new>

namespace zt {

namespace {

constexpr char SystemDrive = 'C';
constexpr const char* Root = "/";
constexpr int MaxTemporaryNames = 100;

char upper(char c) { return c >= 'a' && c <= 'z' ? char(c - 'a' + 'A') : c; }

bool sameIgnoringCase(std::string_view a, std::string_view b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return upper(x) == upper(y); });
}

bool isDriveLetter(char c) { return upper(c) >= 'A' && upper(c) <= 'Z'; }

bool validName(std::string_view name) {
  if (name.empty()) return false;
  for (size_t i = 0; i < name.size(); ++i) {
    const unsigned char c = static_cast<unsigned char>(name[i]);
    if (c < 32 || std::strchr("<>\"|?*", c)) return false;
    if (c == ':' && !(i == 1 && isDriveLetter(name[0]))) return false;
  }
  return true;
}

std::string join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (path != Root) path += '/';
  return path.append(name);
}

std::string parentOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  return slash == 0 || slash == std::string::npos ? Root : path.substr(0, slash);
}

// The folder's entry for `name`: itself when it exists, else the first entry in byte order
// that matches it ignoring case, else the name as given.
std::string findEntry(const std::string& folder, std::string_view name) {
  std::string exact = join(folder, name);
  struct stat st;
  if (::lstat(exact.c_str(), &st) == 0) return exact;
  DIR* d = ::opendir(folder.c_str());
  if (!d) return exact;
  std::string best;
  while (const dirent* e = ::readdir(d)) {
    std::string_view entry = e->d_name;
    if (sameIgnoringCase(entry, name) && (best.empty() || entry < best)) best = entry;
  }
  ::closedir(d);
  return best.empty() ? exact : join(folder, best);
}

// Opens a regular file. O_NONBLOCK keeps a FIFO from blocking the open; it is cleared once
// the file is known to be regular.
int openRegular(const std::string& path, int flags) {
  if (path.empty()) return -1;
  const int fd = ::open(path.c_str(), flags | O_CLOEXEC | O_NONBLOCK, 0666);
  if (fd < 0) return -1;
  struct stat st;
  if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || ::fcntl(fd, F_SETFL, flags & O_ACCMODE) != 0) {
    ::close(fd);
    return -1;
  }
  return fd;
}

bool writeAll(int fd, std::string_view bytes) {
  while (!bytes.empty()) {
    const ssize_t n = ::write(fd, bytes.data(), bytes.size());
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    bytes.remove_prefix(size_t(n));
  }
  return true;
}

bool moveAcrossDevices(const std::string& from, const std::string& to) {
  if (!copyFile(from, to)) return false;
  if (removeFile(from)) return true;
  removeFile(to);
  return false;
}

// Makes a rename durable: the folder's entry goes to the disk too. The file is in place
// either way, so a failure here changes nothing the caller can act on.
void syncFolderOf(const std::string& path) {
  const size_t slash = path.rfind('/');
  const std::string folder = slash == std::string::npos ? "." : slash == 0 ? "/" : path.substr(0, slash);
  const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  ::fsync(fd);
  ::close(fd);
}

}  // namespace

FileSystem::FileSystem() {
  char buffer[4096];
  current = ::getcwd(buffer, sizeof buffer) ? buffer : Root;
}

FileSystem::FileSystem(std::string folder) : current(std::move(folder)) {
  while (current.size() > 1 && current.back() == '/') current.pop_back();
}

std::string FileSystem::resolve(std::string_view name) const {
  if (!validName(name)) return {};
  size_t pos = 0;
  if (name.size() >= 2 && name[1] == ':') {
    if (upper(name[0]) != SystemDrive) return {};
    pos = 2;
  }
  std::string path = pos < name.size() && (name[pos] == '\\' || name[pos] == '/') ? Root : current;
  while (pos < name.size()) {
    size_t end = std::min(name.find_first_of("\\/", pos), name.size());
    std::string_view part = name.substr(pos, end - pos);
    pos = end + 1;
    if (part.empty() || part == ".") continue;
    path = part == ".." ? parentOf(path) : findEntry(path, part);
  }
  return path;
}

std::string FileSystem::currentDirectory() const {
  std::string text = std::string(1, SystemDrive) + ":" + (current == Root ? "" : current);
  std::replace(text.begin(), text.end(), '/', '\\');
  return current == Root ? text + "\\" : text;
}

bool FileSystem::changeDirectory(std::string_view name) {
  std::string path = resolve(name);
  struct stat st;
  if (path.empty() || ::stat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || ::access(path.c_str(), X_OK) != 0)
    return false;
  current = path;
  return true;
}

std::vector<char> FileSystem::drives() { return {SystemDrive}; }

FileHandle openFile(const std::string& path, OpenMode mode) {
  const int flags = mode == OpenMode::CreateNew    ? O_WRONLY | O_CREAT | O_EXCL
                    : mode == OpenMode::ReadAlways ? O_RDONLY | O_CREAT
                                                   : O_RDONLY;
  const int fd = openRegular(path, flags);
  if (fd < 0) return nullptr;
  std::FILE* f = ::fdopen(fd, mode == OpenMode::CreateNew ? "wb" : "rb");
  if (!f) {
    ::close(fd);
    return nullptr;
  }
  if (mode == OpenMode::CreateNew) std::setvbuf(f, nullptr, _IONBF, 0);
  return FileHandle(f);
}

bool isReadableFile(const std::string& path) { return openFile(path, OpenMode::ReadExisting) != nullptr; }

bool pathExists(const std::string& path) {
  struct stat st;
  return !path.empty() && ::stat(path.c_str(), &st) == 0;
}

int64_t fileSize(const std::string& path) {
  FileHandle f = openFile(path, OpenMode::ReadExisting);
  struct stat st;
  return f && ::fstat(::fileno(f.get()), &st) == 0 ? int64_t(st.st_size) : -1;
}

bool readWholeFile(const std::string& path, std::string& bytes, uint64_t maxBytes, std::string* why) {
  bytes.clear();
  std::string reason;
  // Opening a pipe without a writer must not wait for one; reading it then finds its end.
  const int fd = path.empty() ? -1 : ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK);
  if (fd < 0) {
    if (why) *why = path.empty() || errno == ENOENT ? "no such file" : errno == EACCES ? "permission denied" : std::strerror(errno);
    return false;
  }
  struct stat st;
  bool ok = ::fstat(fd, &st) == 0;
  if (!ok) reason = "read error";
  else if (S_ISDIR(st.st_mode)) reason = "it is a folder";
  else if (!S_ISFIFO(st.st_mode) && !S_ISREG(st.st_mode)) reason = "not a regular file";
  else if (S_ISREG(st.st_mode) && uint64_t(st.st_size) > maxBytes) reason = "too large";
  ok = reason.empty() && ::fcntl(fd, F_SETFL, O_RDONLY) == 0;
  try {
    if (ok && S_ISREG(st.st_mode)) bytes.reserve(size_t(st.st_size));
    char chunk[1 << 16];
    while (ok) {
      const ssize_t n = ::read(fd, chunk, sizeof chunk);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0 || uint64_t(n) > maxBytes - bytes.size()) {
        ok = n == 0;
        if (!ok) reason = n < 0 ? "read error" : "too large";
        break;
      }
      bytes.append(chunk, size_t(n));
    }
  } catch (const std::bad_alloc&) {
    ok = false;
    reason = "too large to hold in memory";
  }
  ::close(fd);
  if (!ok) {
    std::string().swap(bytes);
    if (why) *why = reason.empty() ? "read error" : reason;
  }
  return ok;
}

bool listDirectory(const std::string& path, std::vector<DirectoryEntry>& entries) {
  entries.clear();
  DIR* d = path.empty() ? nullptr : ::opendir(path.c_str());
  if (!d) return false;
  while (const dirent* e = ::readdir(d)) {
    std::string_view name = e->d_name;
    if (path == Root && (name == "." || name == "..")) continue;
    const std::string full = join(path, name);
    struct stat st;
    if (::stat(full.c_str(), &st) != 0 && ::lstat(full.c_str(), &st) != 0) continue;
    entries.push_back({std::string(name), S_ISDIR(st.st_mode), int64_t(st.st_size), int64_t(st.st_mtime)});
  }
  ::closedir(d);
  auto rank = [](const std::string& n) { return n == "." ? 0 : n == ".." ? 1 : 2; };
  auto folded = [](std::string n) {
    std::transform(n.begin(), n.end(), n.begin(), upper);
    return n;
  };
  std::sort(entries.begin(), entries.end(), [&](const DirectoryEntry& a, const DirectoryEntry& b) {
    if (rank(a.name) != rank(b.name)) return rank(a.name) < rank(b.name);
    std::string fa = folded(a.name), fb = folded(b.name);
    return fa != fb ? fa < fb : a.name < b.name;
  });
  return true;
}

bool makeDirectory(const std::string& path) { return !path.empty() && ::mkdir(path.c_str(), 0777) == 0; }
bool removeDirectory(const std::string& path) { return !path.empty() && ::rmdir(path.c_str()) == 0; }
bool removeFile(const std::string& path) { return !path.empty() && ::unlink(path.c_str()) == 0; }

bool copyFile(const std::string& from, const std::string& to) {
  const int in = openRegular(from, O_RDONLY);
  if (in < 0) return false;
  const int out = to.empty() ? -1 : ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
  bool ok = out >= 0;
  char buffer[65536];
  while (ok) {
    const ssize_t n = ::read(in, buffer, sizeof buffer);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = n == 0;
      break;
    }
    ok = writeAll(out, std::string_view(buffer, size_t(n)));
  }
  ::close(in);
  if (out >= 0 && ::close(out) != 0) ok = false;
  if (!ok && out >= 0) ::unlink(to.c_str());
  return ok;
}

bool moveFile(const std::string& from, const std::string& to) {
  if (from.empty() || to.empty()) return false;
#ifdef RENAME_NOREPLACE
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return true;
  if (errno == EXDEV) return moveAcrossDevices(from, to);
  if (errno != EINVAL && errno != ENOSYS) return false;
#endif
  // Without an exclusive rename: check first, accepting the race.
  struct stat st;
  if (::lstat(to.c_str(), &st) == 0) return false;
  if (::rename(from.c_str(), to.c_str()) == 0) return true;
  return errno == EXDEV && moveAcrossDevices(from, to);
}

bool replaceFile(const std::string& path, const std::function<bool(const ByteSink&)>& produce) {
  if (path.empty()) return false;
  std::string temporary;
  int fd = -1;
  for (int i = 0; i < MaxTemporaryNames && fd < 0; ++i) {
    temporary = path + ".~" + std::to_string(i);
    fd = ::open(temporary.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd < 0 && errno != EEXIST) break;
  }
  if (fd < 0) return false;
  bool ok = false;
  try {
    ok = produce([fd](std::string_view bytes) { return writeAll(fd, bytes); });
  } catch (const std::bad_alloc&) {  // memory for the pieces ran out: the write failed
  }
  ok = ok && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  ok = ok && ::rename(temporary.c_str(), path.c_str()) == 0;
  if (!ok) ::unlink(temporary.c_str());
  if (ok) syncFolderOf(path);
  return ok;
}

bool replaceFile(const std::string& path, std::string_view bytes) {
  return replaceFile(path, [bytes](const ByteSink& sink) { return sink(bytes); });
}

std::tm localTime(int64_t seconds) {
  const time_t t = time_t(seconds);
  std::tm parts{};
  ::localtime_r(&t, &parts);
  return parts;
}

}  // namespace zt
