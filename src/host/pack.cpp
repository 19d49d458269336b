#include "host/pack.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <limits>

#include "host/payload.h"
#include "platform/fs.h"
#include "platform/process.h"

namespace zt {

namespace fs = std::filesystem;

namespace {

constexpr uint64_t MaxPayloadInt = uint64_t(std::numeric_limits<int32_t>::max());

void putInt32(std::ofstream& out, uint32_t v) {
  const char b[4] = {char(v), char(v >> 8), char(v >> 16), char(v >> 24)};
  out.write(b, 4);
}

bool writeEntry(std::ofstream& out, std::string_view name, std::string_view data, std::string& error) {
  if (name.size() > MaxPayloadName) {
    error = "name longer than 255 bytes: " + std::string(name);
    return false;
  }
  if (data.size() > MaxPayloadInt) {
    error = "file larger than 2 GB: " + std::string(name);
    return false;
  }
  putInt32(out, uint32_t(name.size() + 1));
  out.write(name.data(), std::streamsize(name.size()));
  out.put('\0');
  putInt32(out, uint32_t(data.size()));
  out.write(data.data(), std::streamsize(data.size()));
  return true;
}

bool writeGame(std::ofstream& out, const std::string& engine, std::string_view imageName, std::string_view image,
               std::string_view lineTable, const std::vector<PayloadItem>& media, std::string& error) {
  std::string bytes;
  if (!readWholeFile(engine, bytes)) {
    error = "cannot read the engine " + engine;
    return false;
  }
  if (bytes.size() > MaxPayloadInt) {
    error = "the engine is larger than 2 GB";
    return false;
  }
  const uint32_t start = uint32_t(bytes.size());
  out.write(bytes.data(), std::streamsize(bytes.size()));
  if (!writeEntry(out, imageName, image, error)) return false;
  if (!lineTable.empty() && !writeEntry(out, LineTableEntryName, lineTable, error)) return false;
  for (const PayloadItem& item : media) {
    if (!readWholeFile(item.path, bytes)) {
      error = "cannot read " + item.path;
      return false;
    }
    if (!writeEntry(out, item.name, bytes, error)) return false;
  }
  putInt32(out, start);
  out.flush();
  if (!out) error = "write failed";
  return bool(out);
}

}  // namespace

bool collectMedia(const std::string& folder, std::vector<PayloadItem>& items, std::string& error) {
  std::error_code ec;
  fs::recursive_directory_iterator it(folder, ec), end;
  for (; !ec && it != end; it.increment(ec)) {
    std::error_code entryError;  // a broken link is skipped, not an error
    if (!it->is_regular_file(entryError)) continue;
    PayloadItem item;
    for (const fs::path& part : it->path().lexically_relative(folder)) {
      if (!item.name.empty()) item.name += '\\';
      item.name += part.string();
    }
    if (item.name.size() > MaxPayloadName) {
      error = "name longer than 255 bytes: " + item.name;
      return false;
    }
    item.path = it->path().string();
    items.push_back(std::move(item));
  }
  if (ec) {
    error = "cannot read the media folder " + folder + ": " + ec.message();
    return false;
  }
  std::sort(items.begin(), items.end(), [](const PayloadItem& a, const PayloadItem& b) { return a.name < b.name; });
  return true;
}

bool packGame(const std::string& engine, std::string_view imageName, std::string_view image,
              const std::vector<PayloadItem>& media, const std::string& output, std::string& error,
              std::string_view lineTable) {
  const std::string partial = output + ".part";
  bool ok;
  {
    std::ofstream out(partial, std::ios::binary | std::ios::trunc);
    if (!out) {
      error = "cannot write " + partial;
      return false;
    }
    ok = writeGame(out, engine, imageName, image, lineTable, media, error);
  }
  std::error_code ec;
  if (ok) {
    fs::permissions(partial,
                    fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec | fs::perms::others_read |
                        fs::perms::others_exec,
                    ec);
    fs::rename(partial, output, ec);
    if (ec) error = "cannot rename " + partial + " to " + output + ": " + ec.message();
    ok = !ec;
  }
  if (!ok) fs::remove(partial, ec);
  return ok;
}

bool packCompiledGame(const std::string& source, std::string_view image, const std::string& mediaFolder,
                      const std::string& engine, const std::string& output, std::string& error,
                      std::string_view lineTable) {
  std::vector<PayloadItem> media;
  if (!mediaFolder.empty() && !collectMedia(mediaFolder, media, error)) return false;
  const std::string engineFile =
      engine.empty() ? (fs::path(executablePath()).parent_path() / "zentropia").string() : engine;
  const std::string imageName = fs::path(source).filename().replace_extension(".img").string();
  return packGame(engineFile, imageName, image, media, output, error, lineTable);
}

}  // namespace zt
