// File management and queries: MAKE, DELETE, COPY, RENAME and MOVE FILE, MAKE and DELETE
// DIRECTORY, EXECUTE FILE, FILE EXIST, FILE SIZE, PATH EXIST, and the clipboard. No records
// of its own (the clipboard belongs to the platform). Every failure is a soft error: the
// command has no effect and the program goes on. Nothing is ever overwritten.
#include <algorithm>
#include <limits>

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "platform/clipboard.h"
#include "platform/launch.h"
#include "services/state.h"

namespace zt {

namespace {

std::string pathOf(Runtime& rt, Word* pc, int at) { return rt.fs.resolve(cellText(operand(pc, at))); }

void makeFile(Runtime& rt, Word* pc) {
  if (!openFile(pathOf(rt, pc, 0), OpenMode::CreateNew)) raiseSoftError(rt, ErrMakeFile);
}

// Only a file that passes the existence test is deleted; whether the deletion works is
// not reported.
void deleteFile(Runtime& rt, Word* pc) {
  if (fileExists(rt, cellText(operand(pc, 0))))
    removeFile(pathOf(rt, pc, 0));
  else
    raiseSoftError(rt, ErrDeleteFile);
}

void copyToNew(Runtime& rt, Word* pc) {
  if (!fileExists(rt, cellText(operand(pc, 0))))
    raiseSoftError(rt, ErrFileNotFound);
  else if (!copyFile(pathOf(rt, pc, 0), pathOf(rt, pc, 1)))
    raiseSoftError(rt, ErrFileExists);
}

template <int32_t Error>
void moveToNew(Runtime& rt, Word* pc) {
  if (fileExists(rt, cellText(operand(pc, 1))))
    raiseSoftError(rt, ErrFileExists);
  else if (!moveFile(pathOf(rt, pc, 0), pathOf(rt, pc, 1)))
    raiseSoftError(rt, Error);
}

void makeFolder(Runtime& rt, Word* pc) {
  if (!makeDirectory(pathOf(rt, pc, 0))) raiseSoftError(rt, ErrMakeDirectory);
}

// A path that exists is removed when it is an empty directory; anything else is left
// without a report.
void deleteFolder(Runtime& rt, Word* pc) {
  const std::string path = pathOf(rt, pc, 0);
  if (pathExists(path))
    removeDirectory(path);
  else
    raiseSoftError(rt, ErrDeleteDirectory);
}

// File, parameters, start directory (the current directory when empty).
void executeFile(Runtime& rt, Word* pc) {
  const std::string_view folder = cellText(operand(pc, 2));
  if (!fileExists(rt, cellText(operand(pc, 0))) ||
      !openWithDesktop(pathOf(rt, pc, 0), cellText(operand(pc, 1)), rt.fs.resolve(folder.empty() ? "." : folder)))
    raiseSoftError(rt, ErrExecuteFile);
}

Word* opWriteClipboard(Runtime& rt, Word* pc) {
  rt.clipboard->setText(cellText(operand(pc, 0)));
  return pc + 1;
}

// The clipboard's text up to its first NUL.
Word* opReadClipboard(Runtime& rt, Word* pc) {
  const std::string text = rt.clipboard->text();
  storeString(operand(pc, 0), std::string_view(text.c_str()));
  return pc + 1;
}

Word* opFileExist(Runtime& rt, Word* pc) {
  operand(pc, 0).i = fileExists(rt, cellText(operand(pc, 1))) ? 1 : 0;
  return pc + 2;
}

// Disk file or payload entry; 0 when there is none, and files beyond 2 GB read as the
// largest size an integer holds.
Word* opFileSize(Runtime& rt, Word* pc) {
  const int64_t size = fileSize(lookupPath(rt, cellText(operand(pc, 1)), "dat"));
  operand(pc, 0).i = int32_t(std::clamp<int64_t>(size, 0, std::numeric_limits<int32_t>::max()));
  return pc + 2;
}

Word* opPathExist(Runtime& rt, Word* pc) {
  operand(pc, 0).i = pathExists(pathOf(rt, pc, 1)) ? 1 : 0;
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdMakeFile, skipAfter<makeFile, 1>},
    {CmdDeleteFile, skipAfter<deleteFile, 1>},
    {CmdCopyFile, skipAfter<copyToNew, 2>},
    {CmdRenameFile, skipAfter<moveToNew<ErrRenameFile>, 2>},
    {CmdMoveFile, skipAfter<moveToNew<ErrMoveFile>, 2>},
    {CmdMakeDirectory, skipAfter<makeFolder, 1>},
    {CmdDeleteDirectory, skipAfter<deleteFolder, 1>},
    {CmdExecuteFile, skipAfter<executeFile, 3>},
    {CmdWriteToClipboard, opWriteClipboard},
    {CmdGetClipboard, opReadClipboard},
    {CmdFileExist, opFileExist},
    {CmdFileSize, opFileSize},
    {CmdPathExist, opPathExist},
};

}  // namespace

extern const std::span<const CommandRow> FileSystemRows(Rows);

}  // namespace zt
