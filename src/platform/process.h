// The running process as the host needs it: the path of its own executable and a private
// folder for temporary files. Each run gets its own folder inside a per-user one, so
// two games running at once never overwrite each other's extracted files.
#pragma once

#include <csignal>
#include <string>

namespace zt {

// Absolute path of the running executable, or empty when it cannot be found.
std::string executablePath();

// Creates a new folder for this run under "<system temp>/zentropia-<user>/" and returns
// its path with a trailing separator, or empty when no such folder can be made. The
// per-user folder is private to the user and must not be a link. The folders that runs
// whose process has ended (killed, crashed) left there are removed first.
std::string createRunFolder();

// Deletes the run folder and everything left in it.
void removeRunFolder(const std::string& folder);

// SIGINT, SIGTERM and SIGHUP end the run as closing the window does (exit code 0), so
// that the engine shuts down and removes the run folder; a second one ends the process at
// once. SIGXFSZ is ignored: a write beyond the file-size limit fails (and is cleaned up)
// instead of killing the process.
void catchSignals();
// The stop signal received since catchSignals, or 0; the interpreter reads it through a
// pointer the host gives it.
const volatile std::sig_atomic_t& stopSignal();

}  // namespace zt
