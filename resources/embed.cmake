# Writes INPUT as a C++ byte array named SYMBOL (namespace zt) into OUTPUT.
file(READ ${INPUT} content HEX)
string(LENGTH "${content}" hexLength)
math(EXPR size "${hexLength} / 2")
# Bytes above 0x7F are written as char conversions, so binary files embed as well as text.
string(REGEX REPLACE "([0-9a-f][0-9a-f])" "char(0x\\1)," bytes "${content}")
string(REGEX REPLACE "((char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),)(char\\(0x..\\),))" "\\1\n" bytes "${bytes}")
file(WRITE ${OUTPUT}
  "// Generated from ${INPUT}; do not edit.\n"
  "#include <cstddef>\n#include <string_view>\n"
  "namespace zt {\n"
  "static const char ${SYMBOL}Bytes[] = {\n${bytes}0x00};\n"
  "extern const std::string_view ${SYMBOL}(${SYMBOL}Bytes, ${size});\n"
  "}\n")
