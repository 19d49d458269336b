#include "platform/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <random>

namespace zt {

namespace fs = std::filesystem;

std::string executablePath() {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  return ec ? std::string() : self.string();
}

namespace {

// The per-user folder, created private; an existing one must be ours and a real folder,
// so another user cannot redirect our temporary files.
bool userFolderIsSafe(const fs::path& folder) {
  ::mkdir(folder.c_str(), 0700);
  struct stat st {};
  return ::lstat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == ::getuid() &&
         (st.st_mode & 0077) == 0;
}

}  // namespace

std::string createRunFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) return {};
  fs::path user = base / ("zentropia-" + std::to_string(::getuid()));
  if (!userFolderIsSafe(user)) return {};
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path run = user / ("run-" + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
    if (fs::create_directory(run, ec)) return (run / "").string();
  }
  return {};
}

void removeRunFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::remove_all(folder, ec);
}

}  // namespace zt
