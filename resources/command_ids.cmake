# Writes OUTPUT, a C++ header with one named CommandForm (identifier, keyword, signature)
# per entry of the command table INPUT, so that code and tests name commands instead of
# writing their numbers.
#
# Naming rule: "Cmd" followed by the keyword in PascalCase: each word capitalised and the
# rest of it in lower case, characters other than letters and digits dropped ("DISABLE
# ESCAPEKEY" is CmdDisableEscapekey, "CHR$[" is CmdChr, "#INCLUDE" is CmdInclude). The
# symbol keywords are spelled out (listed below: "==[" is CmdEqual, "@=" CmdAssignElement).
# Where a keyword has several entries, its signature is appended to each of them
# ("ENDFUNCTION%22%0" is CmdEndfunction0, "ENDFUNCTION%23%L" CmdEndfunctionL). A name
# made twice stops the build.

function(symbol keyword name)
  string(HEX "${keyword}" hex)
  set(symbol_${hex} ${name} PARENT_SCOPE)
endfunction()
symbol("=" Assign)
symbol("@=" AssignElement)
symbol("@[" Element)
symbol("^[" Power)
symbol("*[" Multiply)
symbol("/[" Divide)
symbol("+[" Add)
symbol("-[" Subtract)
symbol("==[" Equal)
symbol("![" NotEqual)
symbol(">[" Greater)
symbol(">=[" GreaterEqual)
symbol("<[" Less)
symbol("<=[" LessEqual)
symbol("&[" And)
symbol("|[" Or)
symbol("`" Backtick)

file(READ ${INPUT} text)
string(REPLACE "\r" "" text "${text}")
# Square brackets and semicolons group or split CMake list items: stand-ins while the
# text is a list of lines.
string(REPLACE "[" "<open>" text "${text}")
string(REPLACE "]" "<close>" text "${text}")
string(REPLACE ";" "<semicolon>" text "${text}")
string(REPLACE "\n" ";" lines "${text}")

set(entries "")
foreach(line IN LISTS lines)
  if(line STREQUAL "" OR line MATCHES "^<semicolon>")
    continue()
  endif()
  if(NOT line MATCHES "^([^%\"\\\\]+)%([0-9]+)%([A-Z0-9]+)$")
    message(FATAL_ERROR "${INPUT}: not KEYWORD%id%signature: ${line}")
  endif()
  string(HEX "${CMAKE_MATCH_1}" key)
  if(NOT DEFINED forms_${key})
    set(forms_${key} 0)
  endif()
  math(EXPR forms_${key} "${forms_${key}} + 1")
  list(APPEND entries "${key}%${CMAKE_MATCH_1}%${CMAKE_MATCH_2}%${CMAKE_MATCH_3}")
endforeach()

set(body "")
set(all "")
foreach(entry IN LISTS entries)
  string(REPLACE "%" ";" fields "${entry}")
  list(GET fields 0 key)
  list(GET fields 1 keyword)
  list(GET fields 2 id)
  list(GET fields 3 signature)
  string(REPLACE "<open>" "[" keyword "${keyword}")
  string(REPLACE "<close>" "]" keyword "${keyword}")
  string(REPLACE "<semicolon>" ";" keyword "${keyword}")
  string(HEX "${keyword}" hex)
  if(DEFINED symbol_${hex})
    set(name ${symbol_${hex}})
  else()
    string(REGEX REPLACE "[^A-Za-z0-9 ]" "" words "${keyword}")
    string(REPLACE " " ";" words "${words}")
    set(name "")
    foreach(word IN LISTS words)
      string(SUBSTRING "${word}" 0 1 first)
      string(SUBSTRING "${word}" 1 -1 rest)
      string(TOUPPER "${first}" first)
      string(TOLOWER "${rest}" rest)
      string(APPEND name "${first}${rest}")
    endforeach()
  endif()
  if(forms_${key} GREATER 1)
    string(APPEND name "${signature}")
  endif()
  if(DEFINED made_${name})
    message(FATAL_ERROR "${INPUT}: the name Cmd${name} is made twice (\"${keyword}\" ${signature})")
  endif()
  set(made_${name} 1)
  string(APPEND body "inline constexpr CommandForm Cmd${name}{${id}, \"${keyword}\", \"${signature}\"};\n")
  string(APPEND all "    Cmd${name},\n")
endforeach()

file(WRITE ${OUTPUT}.new
  "// Generated from ${INPUT} by command_ids.cmake; do not edit.\n"
  "#pragma once\n\n#include \"core/commands.h\"\n\nnamespace zt {\n\n${body}\n"
  "// Every entry, in table order.\ninline constexpr CommandForm AllCommandForms[] = {\n${all}};\n\n}  // namespace zt\n")
# Written only when it changes, so that a table edit that keeps every name rebuilds nothing.
configure_file(${OUTPUT}.new ${OUTPUT} COPYONLY)
file(REMOVE ${OUTPUT}.new)
