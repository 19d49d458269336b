# Writes INPUT as a C++ byte array named SYMBOL (namespace zt) into OUTPUT.
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hexLength)
math(EXPR size "${hexLength} / 2")
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "0x\\1," bytes "${content}")
string(REGEX REPLACE "(0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,0x..,)" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n#include <string_view>\n"
  "namespace zt {\n"
  "static const char ${SYMBOL}Bytes[] = {\n${bytes}0x00};\n"
  "extern const std::string_view ${SYMBOL}(${SYMBOL}Bytes, ${size});\n"
  "}\n")
