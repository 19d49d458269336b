// Writes .x files for tests and benchmarks: one description of the data, emitted as text or
// binary tokens, each optionally compressed ("tzip", "bzip") with 32- or 64-bit floats.
#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

namespace zt::test {

enum class XForm { Text, Binary, TextZip, BinaryZip };

class XWriter {
 public:
  explicit XWriter(bool binary, bool doubles = false) : binary(binary), doubles(doubles) {}

  XWriter& open(std::string_view type, std::string_view name = "");  // "Type name {"
  XWriter& close();                                                  // "}"
  XWriter& ints(const std::vector<uint32_t>& v);
  XWriter& floats(const std::vector<float>& v);
  XWriter& string(std::string_view s);
  XWriter& reference(std::string_view name);  // "{ name }"
  // A template declaration with a GUID and DWORD members, as files that declare them write it.
  XWriter& declare(std::string_view name, const std::vector<std::string>& dwordMembers);
  XWriter& raw(std::string_view bytes);  // text or tokens written as given

  const std::string& body() const { return out; }

 private:
  bool binary, doubles;
  std::string out;
  void token(uint16_t t);
  void word(uint32_t v);
  void name(std::string_view s);
};

// The 16-byte header and the body, compressed for the zip forms in blocks of at most 32 KB.
std::string xFile(XForm form, bool doubles, std::string_view body, std::string_view version = "0303");

}  // namespace zt::test

namespace zt {
struct XFile;
}

namespace zt::test {

// What must hold for anything the reader returns (indices within their arrays, parents before
// children, finite numbers); empty when all holds, else the first fault.
std::string xFileFault(const XFile& f);

}  // namespace zt::test
