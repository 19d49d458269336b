// .x mesh files. An input that starts with "xof " is read as the file it is; any other input is
// a body whose first byte picks the form (text, binary, tzip, bzip) and the float size, wrapped
// in that header and compressed for the zip forms, so that mutations reach the parser behind
// the compressed forms too. Whatever is read must keep every index inside its array.
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/xfile.h"
#include "support/xfile_writer.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const std::string_view in(reinterpret_cast<const char*>(data), size);
  std::string file(in);
  if (!in.empty() && !in.starts_with("xof "))
    file = zt::test::xFile(zt::test::XForm(in[0] & 3), (in[0] & 4) != 0, in.substr(1));
  zt::XFile f;
  if (zt::readXFile(file, f) && !zt::test::xFileFault(f).empty()) __builtin_trap();
  return 0;
}
