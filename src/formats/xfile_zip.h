// The compressed .x forms ("tzip", "bzip"): after the 16-byte header, the size of the whole
// file once expanded, then blocks of (expanded size, stored size, "CK" and a deflate stream)
// of which each may refer back into the 32 KB expanded before it.
#pragma once

#include <string>
#include <string_view>

#include "formats/xfile.h"

namespace zt::xfile {

// Largest expanded data accepted; a file asking for more is refused before anything is held.
constexpr size_t MaxExpandedBytes = size_t(512) << 20;

// Expands `blocks` (the file after its header) into `out`, the data as its uncompressed form
// would hold it after the header.
XFileResult expandBlocks(std::string_view blocks, std::string& out);

}  // namespace zt::xfile
