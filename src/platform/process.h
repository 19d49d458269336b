// The running process as the host needs it: the path of its own executable and a private
// folder for temporary files. Each run gets its own folder inside a per-user one, so
// two games running at once never overwrite each other's extracted files.
#pragma once

#include <string>

namespace zt {

// Absolute path of the running executable, or empty when it cannot be found.
std::string executablePath();

// Creates a new folder for this run under "<system temp>/zentropia-<user>/" and returns
// its path with a trailing separator, or empty when no such folder can be made. The
// per-user folder is private to the user and must not be a link.
std::string createRunFolder();

// Deletes the run folder and everything left in it.
void removeRunFolder(const std::string& folder);

}  // namespace zt
