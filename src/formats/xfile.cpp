// Reading .x files: the header picks the form, one parser walks the data objects of either
// lexer. Objects of the templates the engine uses are read member by member (their layouts are
// fixed, so a file need not declare them); any other object is passed over whole. References by
// name are resolved once the whole file is read, so they may point forwards.
#include "formats/xfile.h"

#include <new>
#include <stdexcept>
#include <unordered_map>

#include "formats/xfile_lexer.h"
#include "formats/xfile_zip.h"

namespace zt {
namespace xfile {
namespace {

// Deeper frame nesting than any model needs; it keeps a hostile file from exhausting the stack.
constexpr int MaxFrameDepth = 256;

bool is(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'a' && x <= 'z') x = char(x - 32);
    if (y >= 'a' && y <= 'z') y = char(y - 32);
    if (x != y) return false;
  }
  return true;
}

enum class Child { End, Reference, Object, Failed };

template <class Lexer>
class Parser {
 public:
  Parser(Lexer& l, XFile& f) : lex(l), out(f) {}

  bool file() {
    std::string type, name;
    for (;;) {
      Next n = lex.peek();
      if (n == Next::End) break;
      if (n == Next::Template) {
        if (!lex.skipTemplate()) return false;
        continue;
      }
      if (n != Next::Name) return lex.malformed("an object was expected");
      if (!header(type, name)) return false;
      bool read = is(type, "Frame")               ? frame(name, -1)
                  : is(type, "Mesh")              ? mesh(name, -1)
                  : is(type, "Material")          ? material(name)
                  : is(type, "AnimationSet")      ? animationSet(name)
                  : is(type, "Animation")         ? looseAnimation(name)
                  : is(type, "AnimTicksPerSecond") ? lex.integer(out.ticksPerSecond) && finish()
                                                  : lex.skipBlock();
      if (!read) return false;
    }
    return resolve();
  }

 private:
  struct Reference {
    uint32_t owner;  // the frame, or the mesh whose material list names it
    uint32_t slot;   // the place in that mesh's material list
    std::string name;
  };

  Lexer& lex;
  XFile& out;
  std::vector<Reference> frameReferences, materialReferences;
  std::vector<uint32_t> corners;  // corners of each polygon of the mesh being read
  int depth = 0;

  // "Type [name] [<guid>] {"
  bool header(std::string& type, std::string& name) {
    name.clear();
    return lex.name(type) && lex.optionalName(name) && lex.optionalGuid() && lex.expect(Next::OBrace);
  }

  // The next thing inside an object after its members: its end ("}", consumed), a reference
  // ("{ name }"; a GUID alone gives an empty name) or a nested object (its header read).
  Child child(std::string& type, std::string& name) {
    switch (lex.peek()) {
      case Next::CBrace: return lex.expect(Next::CBrace) ? Child::End : Child::Failed;
      case Next::OBrace:
        name.clear();
        if (!lex.expect(Next::OBrace)) return Child::Failed;
        if (lex.peek() == Next::Name && !lex.name(name)) return Child::Failed;
        return lex.optionalGuid() && lex.expect(Next::CBrace) ? Child::Reference : Child::Failed;
      case Next::Name: return header(type, name) ? Child::Object : Child::Failed;
      case Next::End: lex.truncated(); return Child::Failed;
      default: lex.malformed("more data than the template holds"); return Child::Failed;
    }
  }

  // Passes over the rest of an object whose members are read.
  bool finish() {
    std::string type, name;
    for (;;) {
      switch (child(type, name)) {
        case Child::End: return true;
        case Child::Failed: return false;
        case Child::Reference: break;
        case Child::Object:
          if (!lex.skipBlock()) return false;
          break;
      }
    }
  }

  // A count of items of at least `values` numbers each, refused when the rest of the file
  // cannot hold them; so no count makes the reader reserve more than the file could fill.
  bool count(uint32_t& n, size_t values) {
    if (!lex.integer(n)) return false;
    if (n > lex.maxValuesLeft() / values) return lex.truncated();
    return true;
  }

  bool numbers(float* to, int n) {
    for (int i = 0; i < n; ++i)
      if (!lex.number(to[i])) return false;
    return true;
  }
  bool vector(XVector& v) { return lex.number(v.x) && lex.number(v.y) && lex.number(v.z); }

  bool index(uint32_t& v, size_t below, std::string_view what) {
    if (!lex.integer(v)) return false;
    return v < below || lex.malformed(what);
  }

  // One polygon's corners, fanned into `to`: (a, b, c), (a, c, d), ...
  bool polygon(uint32_t corners, size_t below, std::vector<uint32_t>& to, std::string_view what) {
    uint32_t a = 0, b = 0, c = 0;
    for (uint32_t i = 0; i < corners; ++i) {
      if (!index(c, below, what)) return false;
      if (i == 0) a = c;
      else if (i >= 2) to.insert(to.end(), {a, b, c});
      b = c;
    }
    return true;
  }

  bool frame(const std::string& name, int32_t parent) {
    if (depth >= MaxFrameDepth) return lex.malformed("frames nested too deeply");
    ++depth;
    const auto self = uint32_t(out.frames.size());
    out.frames.push_back({name, parent, XIdentity, {}, {}});
    if (parent < 0) out.rootFrames.push_back(self);
    else out.frames[size_t(parent)].children.push_back(self);
    std::string type, childName;
    for (;;) {
      Child c = child(type, childName);
      if (c == Child::End) break;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) {
        frameReferences.push_back({self, 0, childName});
        continue;
      }
      bool read = is(type, "FrameTransformMatrix") ? numbers(out.frames[self].transform.data(), 16) && finish()
                  : is(type, "Frame")              ? frame(childName, int32_t(self))
                  : is(type, "Mesh")               ? mesh(childName, int32_t(self))
                                                   : lex.skipBlock();
      if (!read) return false;
    }
    --depth;
    return true;
  }

  bool mesh(const std::string& name, int32_t frame) {
    const auto self = uint32_t(out.meshes.size());
    XMesh m;
    m.name = name;
    m.frame = frame;
    uint32_t n = 0;
    if (!count(n, 3)) return false;
    m.vertices.resize(n);
    for (XVector& v : m.vertices)
      if (!vector(v)) return false;
    if (!count(m.faceCount, 1)) return false;
    corners.assign(m.faceCount, 0);
    m.triangles.reserve(size_t(m.faceCount) * 3);
    m.triangleFace.reserve(m.faceCount);
    for (uint32_t f = 0; f < m.faceCount; ++f) {
      if (!count(corners[f], 1) || !polygon(corners[f], n, m.triangles, "a face names a vertex the mesh does not have"))
        return false;
      m.triangleFace.resize(m.triangles.size() / 3, f);
    }
    std::string type, childName;
    for (;;) {
      Child c = child(type, childName);
      if (c == Child::End) break;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) continue;
      bool read = is(type, "MeshNormals")         ? normals(m) && finish()
                  : is(type, "MeshTextureCoords") ? texCoords(m) && finish()
                  : is(type, "MeshMaterialList")  ? materialList(m, self)
                                                  : lex.skipBlock();
      if (!read) return false;
    }
    out.meshes.push_back(std::move(m));
    if (frame >= 0) out.frames[size_t(frame)].meshes.push_back(self);
    return true;
  }

  // Normal faces must match the mesh's faces corner for corner, so each triangle's corners
  // find their normals through the same fan.
  bool normals(XMesh& m) {
    uint32_t n = 0, faces = 0;
    if (!count(n, 3)) return false;
    m.normals.resize(n);
    for (XVector& v : m.normals)
      if (!vector(v)) return false;
    if (!count(faces, 1)) return false;
    if (faces != m.faceCount) return lex.malformed("the normals give a different number of faces than the mesh");
    m.normalTriangles.clear();
    m.normalTriangles.reserve(m.triangles.size());
    for (uint32_t f = 0; f < faces; ++f) {
      uint32_t k = 0;
      if (!lex.integer(k)) return false;
      if (k != corners[f]) return lex.malformed("a normal face has a different number of corners than its face");
      if (!polygon(k, n, m.normalTriangles, "a normal face names a normal the mesh does not have")) return false;
    }
    return true;
  }

  bool texCoords(XMesh& m) {
    uint32_t n = 0;
    if (!count(n, 2)) return false;
    if (n < m.vertices.size()) return lex.malformed("fewer texture coordinates than vertices");
    m.texCoords.resize(n);
    for (XTexCoord& t : m.texCoords)
      if (!lex.number(t.u) || !lex.number(t.v)) return false;
    return true;
  }

  // The face indices: a list shorter than the faces gives its last material to the rest.
  bool materialList(XMesh& m, uint32_t self) {
    uint32_t materials = 0, indices = 0;
    if (!count(materials, 1) || !count(indices, 1)) return false;
    m.materials.clear();
    m.faceMaterials.assign(materials ? m.faceCount : 0, 0);
    uint32_t last = 0;
    for (uint32_t i = 0; i < indices; ++i) {
      if (!index(last, materials, "a face names a material the list does not have")) return false;
      if (i < m.faceMaterials.size()) m.faceMaterials[i] = last;
    }
    for (size_t i = indices; i < m.faceMaterials.size(); ++i) m.faceMaterials[i] = last;
    std::string type, name;
    for (;;) {
      Child c = child(type, name);
      if (c == Child::End) break;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) {
        materialReferences.push_back({self, uint32_t(m.materials.size()), name});
        m.materials.push_back(0);
      } else if (is(type, "Material")) {
        if (!material(name)) return false;
        m.materials.push_back(uint32_t(out.materials.size() - 1));
      } else if (!lex.skipBlock()) {
        return false;
      }
    }
    return m.materials.size() >= materials || lex.malformed("a material list holds fewer materials than it counts");
  }

  bool material(const std::string& name) {
    XMaterial mat;
    mat.name = name;
    if (!numbers(mat.faceColor.data(), 4) || !lex.number(mat.power) || !numbers(mat.specularColor.data(), 3) ||
        !numbers(mat.emissiveColor.data(), 3))
      return false;
    std::string type, childName;
    for (;;) {
      Child c = child(type, childName);
      if (c == Child::End) break;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) continue;
      bool read = is(type, "TextureFilename") ? lex.string(mat.textureFilename) && finish() : lex.skipBlock();
      if (!read) return false;
    }
    out.materials.push_back(std::move(mat));
    return true;
  }

  bool animationSet(const std::string& name) {
    out.animationSets.push_back({name, {}});
    const size_t set = out.animationSets.size() - 1;
    std::string type, childName;
    for (;;) {
      Child c = child(type, childName);
      if (c == Child::End) return true;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) continue;
      if (!(is(type, "Animation") ? animation(childName, set) : lex.skipBlock())) return false;
    }
  }

  // Animations outside a set are gathered into one set without a name.
  bool looseAnimation(const std::string& name) {
    if (looseSet < 0) {
      looseSet = int32_t(out.animationSets.size());
      out.animationSets.emplace_back();
    }
    return animation(name, size_t(looseSet));
  }
  int32_t looseSet = -1;

  bool animation(const std::string& name, size_t set) {
    XAnimation a;
    a.name = name;
    std::string type, childName;
    for (;;) {
      Child c = child(type, childName);
      if (c == Child::End) break;
      if (c == Child::Failed) return false;
      if (c == Child::Reference) {
        if (a.frameName.empty()) a.frameName = childName;
        continue;
      }
      if (!(is(type, "AnimationKey") ? animationKey(a) && finish() : lex.skipBlock())) return false;
    }
    out.animationSets[set].animations.push_back(std::move(a));
    return true;
  }

  bool animationKey(XAnimation& a) {
    static constexpr uint32_t Values[] = {4, 3, 3, 16, 16};
    uint32_t type = 0, keys = 0;
    if (!lex.integer(type)) return false;
    if (type > 4) return lex.malformed("an animation key type other than 0 to 4");
    if (!count(keys, 2 + Values[type])) return false;
    for (uint32_t k = 0; k < keys; ++k) {
      uint32_t time = 0, values = 0;
      if (!lex.integer(time) || !lex.integer(values)) return false;
      if (values != Values[type]) return lex.malformed("an animation key with the wrong number of values");
      bool read = true;
      if (type == 0) {
        XRotationKey& r = a.rotationKeys.emplace_back();
        r.time = time;
        read = lex.number(r.w) && lex.number(r.x) && lex.number(r.y) && lex.number(r.z);
      } else if (type <= 2) {
        XVectorKey& v = (type == 1 ? a.scaleKeys : a.positionKeys).emplace_back();
        v.time = time;
        read = vector(v.value);
      } else {
        XMatrixKey& mk = a.matrixKeys.emplace_back();
        mk.time = time;
        read = numbers(mk.value.data(), 16);
      }
      if (!read) return false;
    }
    return true;
  }

  // References by name: a frame's to a mesh (or to a frame, which is not instanced), a
  // material list's to a material, an animation's to its frame (kept as -1 when missing).
  bool resolve() {
    std::unordered_map<std::string_view, uint32_t> meshes, materials, frames;
    for (uint32_t i = 0; i < out.meshes.size(); ++i) meshes.emplace(out.meshes[i].name, i);
    for (uint32_t i = 0; i < out.materials.size(); ++i) materials.emplace(out.materials[i].name, i);
    for (uint32_t i = 0; i < out.frames.size(); ++i) frames.emplace(out.frames[i].name, i);
    std::vector<bool> named(out.meshes.size(), false);
    for (const Reference& r : frameReferences) {
      if (auto it = meshes.find(r.name); it != meshes.end() && !r.name.empty()) {
        out.frames[r.owner].meshes.push_back(it->second);
        named[it->second] = true;
      } else if (r.name.empty() || !frames.contains(r.name)) {
        return unresolved(r.name);
      }
    }
    for (const Reference& r : materialReferences) {
      auto it = materials.find(r.name);
      if (it == materials.end() || r.name.empty()) return unresolved(r.name);
      out.meshes[r.owner].materials[r.slot] = it->second;
    }
    for (uint32_t i = 0; i < out.meshes.size(); ++i)
      if (out.meshes[i].frame < 0 && !named[i]) out.looseMeshes.push_back(i);
    for (XAnimationSet& set : out.animationSets)
      for (XAnimation& a : set.animations)
        if (auto it = frames.find(a.frameName); it != frames.end()) a.frame = int32_t(it->second);
    return true;
  }

  bool unresolved(const std::string& name) {
    return lex.malformed(name.empty() ? "a reference by GUID alone" : "a reference to \"" + name + "\", which the file does not hold");
  }
};

template <class Lexer>
XFileResult parse(Lexer&& lex, XFile& out) {
  Parser<Lexer> parser(lex, out);
  if (parser.file()) return {};
  return {lex.error, lex.message + " (" + lex.where() + ")"};
}

}  // namespace
}  // namespace xfile

XFileResult readXFile(std::string_view file, XFile& out) {
  using namespace xfile;
  out = XFile{};
  XFileResult result;
  if (file.substr(0, 4) != std::string_view("xof ").substr(0, std::min<size_t>(file.size(), 4)))
    return {XFileError::NotXFile, "the file does not start with \"xof \""};
  if (file.size() < 16) return {XFileError::Truncated, "the file ends inside its header"};
  const std::string_view version = file.substr(4, 4), form = file.substr(8, 4), floats = file.substr(12, 4);
  auto digit = [](char c) { return c >= '0' && c <= '9'; };
  if (version.substr(0, 2) != "03" || !digit(version[2]) || !digit(version[3]))
    return {XFileError::Unsupported, "format version " + std::string(version) + " (03xx is read)"};
  if (floats != "0032" && floats != "0064")
    return {XFileError::Unsupported, "float size " + std::string(floats) + " (0032 or 0064 are read)"};
  const bool text = form == "txt " || form == "tzip";
  if (!text && form != "bin " && form != "bzip")
    return {XFileError::Unsupported, "form \"" + std::string(form) + "\" (txt, bin, tzip or bzip are read)"};
  try {
    std::string expanded;
    std::string_view body = file.substr(16);
    if (form == "tzip" || form == "bzip") {
      result = expandBlocks(body, expanded);
      body = expanded;
    }
    if (result) {
      result = text ? parse(TextLexer(body), out) : parse(BinaryLexer(body, floats == "0064" ? 8 : 4), out);
      if (!result.message.empty() && !expanded.empty()) result.message += " of the expanded data";
    }
  } catch (const std::bad_alloc&) {
    result = {XFileError::OutOfMemory, "no memory to hold the file's data"};
  } catch (const std::length_error&) {
    result = {XFileError::OutOfMemory, "no memory to hold the file's data"};
  }
  if (!result) out = XFile{};
  return result;
}

}  // namespace zt
