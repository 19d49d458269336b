// The peak of the process's resident memory, for tests that a reader refuses a hostile
// header before it allocates (and fills) the picture the header declares. A limit on
// address space cannot show that: the reader catches the failed allocation and refuses
// the file either way.
#pragma once

#include <cstdint>
#include <functional>

namespace zt::test {

// False where the kernel does not let the peak be measured again from the current size.
bool peakMemoryMeasurable();
// How far, in kilobytes, the peak of the resident memory rises while `work` runs.
int64_t peakRiseKb(const std::function<void()>& work);

}  // namespace zt::test
