// Checklist functions: EMPTY CHECKLIST, CHECKLIST QUANTITY, CHECKLIST VALUE A to D and
// CHECKLIST STRING$. Owns the ChecklistState that the PERFORM CHECKLIST commands fill.
// Every error here is hard, and the checks run in a fixed order: a checklist exists, the
// index is 1 to 256, the checklist has values (or strings), the index is filled.
#include "services/checklist.h"

#include "command_ids.h"
#include "core/error_numbers.h"
#include "core/runtime.h"
#include "services/state.h"

namespace zt {

void emptyChecklist(Runtime& rt) {
  ChecklistState& list = rt.checklist;
  list.valid = list.hasValues = list.hasStrings = false;
  list.count = 0;
  list.entries.fill(ChecklistEntry{});
}

void startChecklist(Runtime& rt) { rt.checklist.count = 0; }

ChecklistEntry* addChecklistEntry(Runtime& rt, std::string_view text) {
  ChecklistState& list = rt.checklist;
  if (list.count >= ChecklistCapacity) return nullptr;
  ChecklistEntry& e = list.entries[size_t(list.count++)];
  e.text.assign(text.substr(0, MaxStringLength));
  return &e;
}

void finishChecklist(Runtime& rt, bool valid, bool hasValues) {
  ChecklistState& list = rt.checklist;
  list.valid = valid;
  list.hasValues = hasValues;
  list.hasStrings = true;
}

namespace {

Word* opEmptyChecklist(Runtime& rt, Word* pc) {
  emptyChecklist(rt);
  return pc;
}

Word* opQuantity(Runtime& rt, Word* pc) {
  if (!rt.checklist.valid) {
    raiseError(rt, ErrNoChecklist);
    return pc;
  }
  operand(pc, 0).i = rt.checklist.count;
  return pc + 1;
}

// The entry operand 1 names, or null after raising the first error that applies;
// `hasKind` is the flag for what is read (values or strings), `kindError` its error.
const ChecklistEntry* checkedEntry(Runtime& rt, Word* pc, bool hasKind, int32_t kindError) {
  const ChecklistState& list = rt.checklist;
  const int32_t i = operand(pc, 1).i;
  int32_t error = !list.valid                      ? ErrNoChecklist
                  : i < 1 || i > ChecklistCapacity ? ErrChecklistIndexRange
                  : !hasKind                       ? kindError
                  : i - 1 >= list.count            ? ErrChecklistIndexBeyondCount
                                                   : 0;
  if (error) {
    raiseError(rt, error);
    return nullptr;
  }
  return &list.entries[size_t(i - 1)];
}

template <int32_t ChecklistEntry::*Value>
Word* opValue(Runtime& rt, Word* pc) {
  const ChecklistEntry* e = checkedEntry(rt, pc, rt.checklist.hasValues, ErrChecklistNoValues);
  if (!e) return pc;
  operand(pc, 0).i = e->*Value;
  return pc + 2;
}

Word* opString(Runtime& rt, Word* pc) {
  const ChecklistEntry* e = checkedEntry(rt, pc, rt.checklist.hasStrings, ErrChecklistNoStrings);
  if (!e) return pc;
  storeString(operand(pc, 0), e->text);
  return pc + 2;
}

const CommandRow Rows[] = {
    {CmdEmptyChecklist, opEmptyChecklist},
    {CmdChecklistQuantity, opQuantity},
    {CmdChecklistValueA, opValue<&ChecklistEntry::a>},
    {CmdChecklistValueB, opValue<&ChecklistEntry::b>},
    {CmdChecklistValueC, opValue<&ChecklistEntry::c>},
    {CmdChecklistValueD, opValue<&ChecklistEntry::d>},
    {CmdChecklistString, opString},
};

}  // namespace

extern const std::span<const CommandRow> ChecklistRows(Rows);

}  // namespace zt
