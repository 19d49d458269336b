#include "core/commands.h"
#include "core/runtime.h"

namespace zt {

void buildDispatchTable(DispatchTable& table, std::span<const std::span<const CommandRow>> families) {
  table.handlers.fill(endAtCommand);
  table.rows.fill(nullptr);
  for (std::span<const CommandRow> family : families)
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
