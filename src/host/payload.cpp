#include "host/payload.h"

#include <cctype>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>

#include "core/runtime.h"
#include "host/state.h"
#include "platform/fs.h"

namespace zt {

namespace {

constexpr size_t TrailerSize = 4;
constexpr int64_t MaxNameLength = MaxPayloadName + 1;  // with its NUL

int32_t readInt32(const char* p) {
  uint32_t v = uint32_t(uint8_t(p[0])) | uint32_t(uint8_t(p[1])) << 8 | uint32_t(uint8_t(p[2])) << 16 |
               uint32_t(uint8_t(p[3])) << 24;
  return static_cast<int32_t>(v);
}

char lowerAscii(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }

std::string lowerCase(std::string_view s) {
  std::string out(s);
  for (char& c : out) c = lowerAscii(c);
  return out;
}

bool readAt(std::ifstream& in, std::streamoff at, char* into, std::streamsize count) {
  in.seekg(at);
  return bool(in.read(into, count));
}

// Writes an entry to TempFolder/_virtual.<extension>, replacing the copy of any earlier
// lookup with the same extension.
bool writeCopy(Runtime& rt, const PayloadEntry& entry, std::string_view extension, std::string& out) {
  const std::string& folder = rt.settings.TempFolder;
  if (folder.empty()) return false;
  std::string path = folder + "_virtual.";
  for (char c : extension) path += (std::isalnum(static_cast<unsigned char>(c)) || c == '_') ? c : '_';
  std::remove(path.c_str());
  std::ofstream file(path, std::ios::binary | std::ios::trunc);
  std::string_view data = rt.host.payload.data(entry);
  if (!file.write(data.data(), std::streamsize(data.size())) || !file.flush()) return false;
  out = path;
  return true;
}

// The first entry the predicate accepts whose copy can be written wins.
template <typename Match>
bool lookup(Runtime& rt, std::string& path, std::string_view extension, Match match) {
  for (const PayloadEntry& e : rt.host.payload.entries)
    if (match(e.name) && writeCopy(rt, e, extension, path)) return true;
  return false;
}

}  // namespace

bool openPayload(Payload& payload, const std::string& path) {
  payload = Payload{};
  if (!isReadableFile(path)) return false;  // a folder opens as a stream but has no size
  std::ifstream in(path, std::ios::binary);
  if (!in) return false;
  in.seekg(0, std::ios::end);
  const std::streamoff size = in.tellg();
  if (size < 0) return false;
  if (size < std::streamoff(TrailerSize)) return true;
  char word[4];
  if (!readAt(in, size - 4, word, 4)) return false;
  const int64_t start = readInt32(word);
  if (start < 0 || start > size - 4) {
    payload.defect = "its last 4 bytes point outside the file";
    return true;
  }
  // A first name length that cannot be right spares reading a file that has no payload.
  if (start < size - 4) {
    if (!readAt(in, start, word, 4)) return false;
    const int32_t first = readInt32(word);
    if (first < 1 || first > MaxNameLength) {
      payload.defect = "entry 1: the name length is not 1 to 256 bytes";
      return true;
    }
  }
  try {
    payload.bytes.resize(size_t(size - start));
  } catch (const std::bad_alloc&) {
    return false;
  }
  if (!readAt(in, start, payload.bytes.data(), std::streamsize(payload.bytes.size()))) return false;
  parsePayload(payload);
  return true;
}

void parsePayload(Payload& payload) {
  payload.entries.clear();
  payload.defect.clear();
  const char* base = payload.bytes.data();
  const size_t end = payload.bytes.size() < TrailerSize ? 0 : payload.bytes.size() - TrailerSize;
  size_t at = 0;
  const char* defect = nullptr;
  while (at < end && !defect) {
    if (end - at < 4) {
      defect = "the name length runs past the trailer";
      break;
    }
    const int64_t nameLength = readInt32(base + at);
    at += 4;
    if (nameLength < 1 || nameLength > MaxNameLength)
      defect = "the name length is not 1 to 256 bytes";
    else if (uint64_t(nameLength) > end - at)
      defect = "the name runs past the trailer";
    else if (base[at + size_t(nameLength) - 1] != '\0')
      defect = "the name does not end in a NUL";
    else if (end - at - size_t(nameLength) < 4)
      defect = "the data size runs past the trailer";
    if (defect) break;
    PayloadEntry entry;
    entry.name = lowerCase(std::string_view(base + at, strnlen(base + at, size_t(nameLength))));
    at += size_t(nameLength);
    const int64_t dataSize = readInt32(base + at);
    at += 4;
    if (dataSize < 0 || uint64_t(dataSize) > end - at) {
      defect = "the data runs past the trailer";
      break;
    }
    entry.offset = at;
    entry.size = uint32_t(dataSize);
    at += size_t(dataSize);
    payload.entries.push_back(std::move(entry));
  }
  if (!defect) return;
  payload.defect = "entry " + std::to_string(payload.entries.size() + 1) + ": " + defect;
  payload.entries.clear();
  payload.bytes.clear();
}

bool extractProgram(Runtime& rt, std::string& path) {
  const std::vector<PayloadEntry>& entries = rt.host.payload.entries;
  return !entries.empty() && writeCopy(rt, entries.front(), "dat", path);
}

bool findVirtualFile(Runtime& rt, std::string& path, std::string_view extension) {
  if (rt.host.payload.entries.empty()) return false;
  std::string wanted = lowerCase(path);
  for (char& c : wanted)
    if (c == '/') c = '\\';
  return lookup(rt, path, extension, [&](const std::string& name) { return name == wanted; });
}

bool findVirtualFileByBaseName(Runtime& rt, std::string& name, std::string_view extension) {
  if (rt.host.payload.entries.empty()) return false;
  const std::string wanted = lowerCase(name);
  return lookup(rt, name, extension, [&](const std::string& entry) {
    size_t slash = entry.rfind('\\');
    return std::string_view(entry).substr(slash == std::string::npos ? 0 : slash + 1) == wanted;
  });
}

void closePayload(Runtime& rt) {
  if (!rt.settings.TempFolder.empty())
    for (const char* ext : {"dat", "avi", "mid", "mp3"})
      std::remove((rt.settings.TempFolder + "_virtual." + ext).c_str());
  rt.host.payload = Payload{};
}

}  // namespace zt
