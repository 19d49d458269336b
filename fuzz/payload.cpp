// A packed game's tail: the file is read as the engine reads its own executable.
#include <cstdint>

#include "fuzz/fuzz_file.h"
#include "host/payload.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  zt::Payload payload;
  if (zt::openPayload(payload, zt::fuzz::inputFile(data, size)))
    for (const zt::PayloadEntry& e : payload.entries) (void)payload.data(e).size();
  return 0;
}
