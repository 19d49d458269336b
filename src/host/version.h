// The version both binaries report (--version).
#pragma once

namespace zt {

inline constexpr const char* EngineVersion = "0.1.0";

}  // namespace zt
