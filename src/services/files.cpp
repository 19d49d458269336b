#include "services/files.h"

#include "core/runtime.h"
#include "host/payload.h"
#include "services/state.h"

namespace zt {

std::string lookupPath(Runtime& rt, std::string_view name, std::string_view extension) {
  std::string path(name);
  return findVirtualFile(rt, path, extension) ? path : rt.fs.resolve(name);
}

bool fileExists(Runtime& rt, std::string_view name) { return isReadableFile(lookupPath(rt, name, "dat")); }

}  // namespace zt
