#include "core/errors.h"

#include <algorithm>
#include <cstdio>

#include "core/error_numbers.h"
#include "core/runtime.h"

namespace zt {

namespace {

// Consecutive error numbers first..last map to consecutive slots from `slot`.
struct SlotRange {
  int32_t first, last;
  int slot;
};

constexpr SlotRange SlotRanges[] = {
    {0, 3, 1},          {21, 21, 5},        {101, 115, 6},      {300, 304, 21},     {310, 312, 26},
    {500, 505, 29},     {1000, 1013, 35},   {1014, 1014, 173},  {1500, 1504, 49},   {2000, 2010, 54},
    {3000, 3007, 65},   {3021, 3023, 73},   {3201, 3201, 76},   {3500, 3507, 77},   {4001, 4002, 85},
    {4101, 4104, 87},   {7000, 7008, 91},   {7021, 7027, 100},  {7010, 7010, 107},  {7009, 7009, 108},
    {7011, 7017, 109},  {7901, 7901, 116},  {7911, 7912, 117},  {7018, 7018, 119},  {7101, 7102, 120},
    {7019, 7019, 122},  {7601, 7606, 123},  {7020, 7020, 129},  {7031, 7031, 130},  {7931, 7932, 131},
    {7028, 7028, 133},  {8001, 8003, 134},  {8021, 8025, 137},  {8101, 8103, 142},  {8201, 8204, 145},
    {8211, 8213, 149},  {9011, 9014, 152},  {9001, 9005, 156},  {10001, 10007, 161}, {7301, 7305, 168},
};

constexpr int32_t SoftErrors[] = {1503, 2007, 2008, 2009, 2010, 3002, 3004, 3201, 3502,
                                  3504, 3507, 4001, 4002, 4101, 7901, 8002, 9011};

void stopProgram(Runtime& rt, int32_t number, bool warning) {
  rt.interp.YieldFlag = true;
  rt.errors.ErrorNumber = number;
  rt.errors.ErrorIsWarning = warning;
  rt.errors.ErrorPosition = currentCommandPosition(rt);
  postQuit(rt);
}

}  // namespace

void createErrorMessages(ErrorState& errors) {
  for (int i = 0; i < MessageSlots; ++i)
    std::snprintf(errors.ErrorMessageTable[i].data(), errors.ErrorMessageTable[i].size(), "ERROR %d", i);
}

int errorMessageSlot(int32_t number) {
  for (const SlotRange& r : SlotRanges)
    if (number >= r.first && number <= r.last) return r.slot + (number - r.first);
  return -1;
}

bool isSoftError(int32_t number) { return std::find(std::begin(SoftErrors), std::end(SoftErrors), number) != std::end(SoftErrors); }

void raiseSoftError(Runtime& rt, int32_t number) {
  if (rt.interp.ProgramRunning) {
    if (rt.errors.WarnSoftError) rt.errors.WarnSoftError(rt, number);
    return;
  }
  stopProgram(rt, number, true);
}

void raiseError(Runtime& rt, int32_t number) {
  if (isSoftError(number)) raiseSoftError(rt, number);
  else stopProgram(rt, number, false);
}

std::string errorMessageText(const ErrorState& errors, int32_t number) {
  if (number == ErrLanguageNotFound) return "Language not found";
  int slot = errorMessageSlot(number);
  return slot < 0 ? std::string() : std::string(errors.ErrorMessageTable[slot].data());
}

std::string formatErrorText(const ErrorState& errors) {
  const char* kind = errors.ErrorIsWarning ? "Warning" : "Error";
  std::string text = (errors.ErrorNumber < 10000 ? "Runtime " : "System ") + std::string(kind) + " : ";
  text += errorMessageText(errors, errors.ErrorNumber) + ". " + errors.EngineErrorText;
  if (text.size() > 255) text.resize(255);  // the message buffer holds 256 bytes
  return text;
}

void LogEngineError(Runtime& rt, std::string_view text) {
  rt.errors.EngineErrorText = text;
  if (rt.errors.LogRecord) rt.errors.LogRecord(rt, "ENGINEERROR", text);
}

}  // namespace zt
