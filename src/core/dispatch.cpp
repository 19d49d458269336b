#include "core/commands.h"
#include "core/family.h"
#include "core/runtime.h"

namespace zt {

namespace {

const std::span<const CommandRow> Families[] = {
    ControlRows,
    OperatorRows,
    ConsoleRows,
    StringRows,
    MathRows,
    ArrayRows,
    ChecklistRows,
    SwitchRows,
    ArrayFileRows,
    FileRows,
    FileSystemRows,
    DirectoryRows,
    DisplayRows,
    BitmapRows,
    RefreshRows,
    DrawingRows,
    TextRows,
};

}  // namespace

std::span<const std::span<const CommandRow>> commandFamilies() { return Families; }

void buildDispatchTable(DispatchTable& table) {
  table.handlers.fill(endAtCommand);
  table.rows.fill(nullptr);
  for (std::span<const CommandRow> family : commandFamilies())
    for (const CommandRow& row : family) {
      table.handlers[row.id] = row.handler;
      table.rows[row.id] = &row;
    }
  markLoopEntries(table);
}

bool handlerReturnIsSound(const CommandRow& row, const Word* command, const Word* returned) {
  return returned == command || row.flow != Flow::Next || returned == command + 1 + operandCount(row);
}

}  // namespace zt
