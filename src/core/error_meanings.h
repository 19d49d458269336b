// What each error number means, in plain words: the second line of the final report and
// the text of a warning. The first line stays the message slot's text ("ERROR 7").
#pragma once

#include <cstdint>
#include <string_view>

namespace zt {

// The meaning of an error number, or an empty view for a number no command uses.
std::string_view errorMeaning(int32_t number);

}  // namespace zt
