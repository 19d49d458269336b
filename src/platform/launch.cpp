#include "platform/launch.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <vector>

namespace zt {

namespace {

bool isExecutableFile(const std::string& path) {
  struct stat st;
  return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode) && ::access(path.c_str(), X_OK) == 0;
}

std::string findOnPath(const std::string& program) {
  const char* path = std::getenv("PATH");
  std::string_view folders = path ? path : "/usr/bin:/bin";
  while (!folders.empty()) {
    const size_t colon = std::min(folders.find(':'), folders.size());
    std::string candidate = std::string(folders.substr(0, colon)) + "/" + program;
    if (colon > 0 && isExecutableFile(candidate)) return candidate;
    folders.remove_prefix(std::min(colon + 1, folders.size()));
  }
  return {};
}

// Parameters split at blanks; double quotes keep blanks inside one parameter.
std::vector<std::string> splitParameters(std::string_view text) {
  std::vector<std::string> out;
  std::string current;
  bool quoted = false, any = false;
  for (char c : text) {
    if (c == '"') {
      quoted = !quoted;
      any = true;
    } else if (c == ' ' && !quoted) {
      if (any) out.push_back(current);
      current.clear();
      any = false;
    } else {
      current += c;
      any = true;
    }
  }
  if (any) out.push_back(current);
  return out;
}

// Reports errno to the engine through the pipe and ends the forked process.
[[noreturn]] void failChild(int pipe) {
  const int error = errno;
  (void)!::write(pipe, &error, sizeof error);
  ::_exit(127);
}

}  // namespace

bool openWithDesktop(const std::string& file, std::string_view parameters, const std::string& folder) {
  std::vector<std::string> args;
  if (isExecutableFile(file)) {
    args.push_back(file);
    for (std::string& p : splitParameters(parameters)) args.push_back(std::move(p));
  } else {
    std::string opener = findOnPath("xdg-open");
    if (opener.empty()) return false;
    args = {opener, file};
  }
  std::vector<char*> argv;
  for (std::string& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);

  // A pipe that closes when the program has started (close-on-exec) or carries the
  // error that kept it from starting. Only async-signal-safe calls follow the fork.
  int report[2];
  if (::pipe2(report, O_CLOEXEC) != 0) return false;
  const int quiet = ::open("/dev/null", O_RDWR | O_CLOEXEC);
  const pid_t child = ::fork();
  if (child == 0) {
    // The middle process leaves at once, so the program is nobody's child here and never
    // waits as a zombie for the engine.
    ::setsid();
    const pid_t program = ::fork();
    if (program < 0) failChild(report[1]);
    if (program > 0) ::_exit(0);
    if (quiet >= 0)
      for (int fd = 0; fd < 3; ++fd) ::dup2(quiet, fd);
    if (::chdir(folder.c_str()) != 0) failChild(report[1]);
    ::execv(argv[0], argv.data());
    failChild(report[1]);
  }
  ::close(report[1]);
  if (quiet >= 0) ::close(quiet);
  bool started = false;
  if (child > 0) {
    ::waitpid(child, nullptr, 0);
    int error = 0;
    ssize_t n;
    do n = ::read(report[0], &error, sizeof error);
    while (n < 0 && errno == EINTR);
    started = n == 0;
  }
  ::close(report[0]);
  return started;
}

}  // namespace zt
