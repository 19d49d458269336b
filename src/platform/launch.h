// Starting a file with the program the desktop associates with it, without waiting for
// it: an executable file runs itself with the parameters, anything else goes to the
// desktop's opener (xdg-open). The started program is detached from the engine.
#pragma once

#include <string>
#include <string_view>

namespace zt {

// True when the program was started; false when it could not be (no opener, no such
// file, the folder cannot be entered).
bool openWithDesktop(const std::string& file, std::string_view parameters, const std::string& folder);

}  // namespace zt
