// 3DS files: the 3DS2X command, and the work file through which objects and meshes are
// loaded from them. The converter's progress lines go to the log in debug mode only.
#include <cctype>
#include <string>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/errors.h"
#include "core/runtime.h"
#include "engine3d/object_parts.h"
#include "engine3d/objects.h"
#include "formats/three_ds_x.h"
#include "host/settings.h"
#include "platform/fs.h"
#include "services/files.h"

namespace zt {

namespace {

ThreeDsTrace conversionTrace(Runtime& rt) {
  if (!debugLogging(rt)) return {};
  return [&rt](std::string_view line) { writeConversionLine(rt, line); };
}

// Converts the 3DS file `source` into `destination`: 0, or the error of a failed
// conversion (105 when the source cannot be read, 7102 otherwise).
int32_t convert(Runtime& rt, const std::string& source, const std::string& destination) {
  const int result = convertThreeDsFile(source, destination, conversionTrace(rt));
  if (result == ThreeDsOk) return 0;
  return result == ThreeDsCannotOpen ? ErrFileNotFound : ErrObjectConversion;
}

void op3dsToX(Runtime& rt, Word* pc) {
  const std::string_view source = cellText(operand(pc, 0)), destination = cellText(operand(pc, 1));
  if (lowerExtension(source) != "3ds") return raiseError(rt, ErrConvertSource);
  if (lowerExtension(destination) != "x") return raiseError(rt, ErrConvertDestination);
  const std::string from = lookupPath(rt, source, "3ds");
  if (!isReadableFile(from)) return raiseError(rt, ErrFileNotFound);
  const std::string to = rt.fs.resolve(destination);
  if (pathExists(to)) return raiseError(rt, ErrFileExists);
  if (const int32_t error = convert(rt, from, to)) raiseError(rt, error);
}

const CommandRow Rows[] = {
    {Cmd3ds2x, skipAfter<op3dsToX, 2>},
};

}  // namespace

std::string lowerExtension(std::string_view name) {
  const size_t dot = name.rfind('.');
  std::string ext(dot == std::string_view::npos ? std::string_view{} : name.substr(dot + 1));
  for (char& c : ext) c = char(std::tolower(static_cast<unsigned char>(c)));
  return ext;
}

int32_t convertToWorkFile(Runtime& rt, const std::string& source, std::string& workFile) {
  const std::string& folder = temporaryFolder(rt);
  if (folder.empty()) return ErrObjectConversion;
  workFile = folder + "workfile.x";
  const int32_t error = convert(rt, source, workFile);
  if (error) removeFile(workFile);
  return error;
}

extern const std::span<const CommandRow> ThreeDsRows(Rows);

}  // namespace zt
