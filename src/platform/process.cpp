#include "platform/process.h"

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <csignal>
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

constexpr std::string_view RunPrefix = "run-";

// "run-<process id>-<number>": the process that made the folder, or 0 for other names.
pid_t ownerOf(std::string_view name) {
  if (!name.starts_with(RunPrefix)) return 0;
  name.remove_prefix(RunPrefix.size());
  pid_t pid = 0;
  const auto [end, error] = std::from_chars(name.data(), name.data() + name.size(), pid);
  return error == std::errc() && end < name.data() + name.size() && *end == '-' ? pid : 0;
}

// A folder whose process still exists is kept, even when the number has been reused.
void removeAbandonedRuns(const fs::path& user) {
  std::error_code ec;
  for (fs::directory_iterator it(user, ec), end; !ec && it != end; it.increment(ec)) {
    const pid_t pid = ownerOf(it->path().filename().string());
    std::error_code ignored;
    if (pid > 0 && ::kill(pid, 0) != 0 && errno == ESRCH) fs::remove_all(it->path(), ignored);
  }
}

// The one piece of process-wide state: a signal handler can reach nothing else.
volatile std::sig_atomic_t ReceivedStop = 0;

void onStopSignal(int number) { ReceivedStop = number; }

}  // namespace

std::string createRunFolder() {
  std::error_code ec;
  fs::path base = fs::temp_directory_path(ec);
  if (ec) return {};
  fs::path user = base / ("zentropia-" + std::to_string(::getuid()));
  if (!userFolderIsSafe(user)) return {};
  removeAbandonedRuns(user);
  std::random_device random;
  for (int attempt = 0; attempt < 16; ++attempt) {
    fs::path run = user / (std::string(RunPrefix) + std::to_string(::getpid()) + "-" + std::to_string(random() % 1000000));
    if (fs::create_directory(run, ec)) return (run / "").string();
  }
  return {};
}

void removeRunFolder(const std::string& folder) {
  if (folder.empty()) return;
  std::error_code ec;
  fs::remove_all(folder, ec);
}

void catchSignals() {
  struct sigaction stop {};
  stop.sa_handler = onStopSignal;
  stop.sa_flags = SA_RESETHAND | SA_RESTART;  // the second signal takes its default action
  sigemptyset(&stop.sa_mask);
  for (int number : {SIGINT, SIGTERM, SIGHUP}) ::sigaction(number, &stop, nullptr);
  std::signal(SIGXFSZ, SIG_IGN);
}

const volatile std::sig_atomic_t& stopSignal() { return ReceivedStop; }

}  // namespace zt
