// The disassembler: a program image as text. It lists the header counts, the constants,
// the DATA items and owner tables, then the code: the commands reachable from the first
// word (followed along jumps and calls, as the loader does), one per line with their
// operands, each function entry with its parameters, and any other word as ".word".
#pragma once

#include <cstddef>
#include <map>
#include <string>
#include <string_view>

namespace zt::compiler {

// Returns false with a reason when the image's header does not describe its sections.
// `notes` are lines to show before the code at their code index (source lines, for one):
// before the item that starts there, or the next one.
bool disassemble(std::string_view image, std::string& text, std::string& error,
                 const std::map<size_t, std::string>& notes = {});

}  // namespace zt::compiler
