// The command families: each family file defines its rows, and the dispatch table is
// built from this list. A new family adds its rows here and in dispatch.cpp.
#pragma once

#include <span>

#include "core/commands.h"

namespace zt {

extern const std::span<const CommandRow> ControlRows;
extern const std::span<const CommandRow> OperatorRows;
extern const std::span<const CommandRow> ConsoleRows;
extern const std::span<const CommandRow> StringRows;
extern const std::span<const CommandRow> MathRows;
extern const std::span<const CommandRow> ArrayRows;
extern const std::span<const CommandRow> ChecklistRows;
extern const std::span<const CommandRow> SwitchRows;
extern const std::span<const CommandRow> ArrayFileRows;
extern const std::span<const CommandRow> FileRows;
extern const std::span<const CommandRow> FileSystemRows;
extern const std::span<const CommandRow> DirectoryRows;
extern const std::span<const CommandRow> DisplayRows;
extern const std::span<const CommandRow> BitmapRows;
extern const std::span<const CommandRow> RefreshRows;
extern const std::span<const CommandRow> DrawingRows;
extern const std::span<const CommandRow> TextRows;

}  // namespace zt
