#include "support/xfile_writer.h"

#include "formats/xfile.h"

#include <zlib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <stdexcept>

namespace zt::test {
namespace {

enum : uint16_t {
  TName = 1, TString = 2, TGuid = 5, TIntegerList = 6, TFloatList = 7, TOBrace = 10, TCBrace = 11,
  TOBracket = 14, TCBracket = 15, TSemicolon = 20, TTemplate = 31, TDword = 41,
};

// One block as a raw deflate stream that may refer back into `history`.
std::string deflateBlock(std::string_view block, std::string_view history) {
  z_stream zs{};
  if (deflateInit2(&zs, 9, Z_DEFLATED, -15, 8, Z_DEFAULT_STRATEGY) != Z_OK) throw std::runtime_error("deflateInit2");
  if (!history.empty())
    deflateSetDictionary(&zs, reinterpret_cast<const Bytef*>(history.data()), uInt(history.size()));
  std::string out(deflateBound(&zs, uLong(block.size())) + 16, '\0');
  zs.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(block.data()));
  zs.avail_in = uInt(block.size());
  zs.next_out = reinterpret_cast<Bytef*>(out.data());
  zs.avail_out = uInt(out.size());
  if (deflate(&zs, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate");
  out.resize(zs.total_out);
  deflateEnd(&zs);
  return out;
}

void le(std::string& s, uint64_t v, int bytes) {
  for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i) & 255);
}

}  // namespace

void XWriter::token(uint16_t t) { le(out, t, 2); }
void XWriter::word(uint32_t v) { le(out, v, 4); }
void XWriter::name(std::string_view s) {
  token(TName);
  word(uint32_t(s.size()));
  out += s;
}

XWriter& XWriter::open(std::string_view type, std::string_view n) {
  if (!binary) {
    out += std::string(type) + (n.empty() ? "" : " " + std::string(n)) + " {\n";
    return *this;
  }
  name(type);
  if (!n.empty()) name(n);
  token(TOBrace);
  return *this;
}

XWriter& XWriter::close() {
  if (binary) token(TCBrace);
  else out += "}\n";
  return *this;
}

XWriter& XWriter::ints(const std::vector<uint32_t>& v) {
  if (!binary) {
    for (uint32_t x : v) out += std::to_string(x) + ";";
    out += "\n";
    return *this;
  }
  token(TIntegerList);
  word(uint32_t(v.size()));
  for (uint32_t x : v) word(x);
  return *this;
}

XWriter& XWriter::floats(const std::vector<float>& v) {
  if (!binary) {
    char buf[32];
    for (float x : v) {
      std::snprintf(buf, sizeof buf, "%.9g;", double(x));
      out += buf;
    }
    out += "\n";
    return *this;
  }
  token(TFloatList);
  word(uint32_t(v.size()));
  for (float x : v) {
    if (doubles) {
      double d = x;
      uint64_t bits;
      std::memcpy(&bits, &d, 8);
      le(out, bits, 8);
    } else {
      uint32_t bits;
      std::memcpy(&bits, &x, 4);
      word(bits);
    }
  }
  return *this;
}

XWriter& XWriter::string(std::string_view s) {
  if (!binary) {
    out += "\"" + std::string(s) + "\";\n";
    return *this;
  }
  token(TString);
  word(uint32_t(s.size()));
  out += s;
  word(TSemicolon);  // the terminator as a 32-bit word
  return *this;
}

XWriter& XWriter::reference(std::string_view n) {
  if (!binary) {
    out += "{ " + std::string(n) + " }\n";
    return *this;
  }
  token(TOBrace);
  name(n);
  token(TCBrace);
  return *this;
}

XWriter& XWriter::declare(std::string_view n, const std::vector<std::string>& members) {
  if (!binary) {
    out += "template " + std::string(n) + " {\n <11223344-5566-7788-99AA-BBCCDDEEFF00>\n";
    for (const std::string& m : members) out += " DWORD " + m + ";\n";
    out += " [...]\n}\n";
    return *this;
  }
  token(TTemplate);
  name(n);
  token(TOBrace);
  token(TGuid);
  out += std::string(16, '\x42');
  for (const std::string& m : members) {
    token(TDword);
    name(m);
    token(TSemicolon);
  }
  token(TOBracket);
  for (int i = 0; i < 3; ++i) token(18);  // "..."
  token(TCBracket);
  token(TCBrace);
  return *this;
}

XWriter& XWriter::raw(std::string_view bytes) {
  out += bytes;
  return *this;
}

std::string xFile(XForm form, bool doubles, std::string_view body, std::string_view version) {
  static const char* forms[] = {"txt ", "bin ", "tzip", "bzip"};
  std::string file = "xof " + std::string(version) + forms[int(form)] + (doubles ? "0064" : "0032");
  if (form == XForm::Text || form == XForm::Binary) return file + std::string(body);
  le(file, body.size() + 16, 4);
  for (size_t at = 0; at < body.size() || at == 0; at += 32768) {
    const size_t n = std::min<size_t>(32768, body.size() - at), kept = std::min<size_t>(at, 32768);
    std::string packed = "CK" + deflateBlock(body.substr(at, n), body.substr(at - kept, kept));
    le(file, n, 2);
    le(file, packed.size(), 2);
    file += packed;
    if (body.empty()) break;
  }
  return file;
}

}  // namespace zt::test

namespace zt::test {
namespace {

bool finite(const XVector& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

template <class Range>
bool below(const Range& r, size_t limit) {
  return std::all_of(r.begin(), r.end(), [&](auto i) { return size_t(i) < limit; });
}

std::string meshFault(const XFile& f, const XMesh& m) {
  if (m.frame < -1 || m.frame >= int32_t(f.frames.size())) return "mesh frame out of range";
  if (m.triangles.size() % 3 || !below(m.triangles, m.vertices.size())) return "triangle index out of range";
  if (m.triangleFace.size() * 3 != m.triangles.size() || !below(m.triangleFace, m.faceCount))
    return "triangle face out of range";
  if (!m.normalTriangles.empty() &&
      (m.normalTriangles.size() != m.triangles.size() || !below(m.normalTriangles, m.normals.size())))
    return "normal index out of range";
  if (!m.texCoords.empty() && m.texCoords.size() < m.vertices.size()) return "texture coordinates missing";
  if (!below(m.materials, f.materials.size())) return "material out of range";
  if (!m.faceMaterials.empty() && (m.faceMaterials.size() != m.faceCount || !below(m.faceMaterials, m.materials.size())))
    return "face material out of range";
  if (!std::all_of(m.vertices.begin(), m.vertices.end(), finite) || !std::all_of(m.normals.begin(), m.normals.end(), finite))
    return "number not finite";
  return "";
}

}  // namespace

std::string xFileFault(const XFile& f) {
  for (size_t i = 0; i < f.frames.size(); ++i) {
    const XFrame& fr = f.frames[i];
    if (fr.parent >= int32_t(i) || fr.parent < -1) return "frame parent after its child";
    for (uint32_t c : fr.children)
      if (c >= f.frames.size() || f.frames[c].parent != int32_t(i)) return "frame child not linked back";
    if (!below(fr.meshes, f.meshes.size())) return "frame mesh out of range";
  }
  for (uint32_t r : f.rootFrames)
    if (r >= f.frames.size() || f.frames[r].parent != -1) return "root frame has a parent";
  for (const XMesh& m : f.meshes)
    if (std::string fault = meshFault(f, m); !fault.empty()) return fault;
  if (!below(f.looseMeshes, f.meshes.size())) return "loose mesh out of range";
  for (const XAnimationSet& s : f.animationSets)
    for (const XAnimation& a : s.animations)
      if (a.frame < -1 || a.frame >= int32_t(f.frames.size())) return "animation frame out of range";
  return "";
}

}  // namespace zt::test
