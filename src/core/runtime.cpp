#include "core/runtime.h"

namespace zt {

Runtime::Runtime() {
  buildDispatchTable(dispatch);
  createErrorMessages(errors);
}

Runtime::~Runtime() { releaseProgram(image, arrays); }

}  // namespace zt
