// Run-time errors.
// A command raises an error by number and returns; a hard error stops the program after
// the current command, a soft one is ignored while the program runs. The final message
// is "Runtime Error : " (or "System", or "Warning") + the number's message text + ". " +
// the last engine failure text. Each number maps to one of 200 message slots.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>

namespace zt {

struct Runtime;

constexpr int MessageSlots = 200;

struct ErrorState {
  int32_t ErrorNumber = 0;
  bool ErrorIsWarning = false;
  std::array<std::array<char, 16>, MessageSlots> ErrorMessageTable{};
  std::string EngineErrorText;
  // Writes a "KIND" record with its text into the log; set by the host, which keeps the log.
  void (*LogRecord)(Runtime& rt, std::string_view kind, std::string_view text) = nullptr;
  // The code position of the command that raised ErrorNumber; -1 for the host's errors.
  int64_t ErrorPosition = -1;
  // Warnings, set by the host when they are on: a soft error ignored while the program
  // runs, and a command identifier without a handler, which ends the program quietly.
  void (*WarnSoftError)(Runtime& rt, int32_t number) = nullptr;
  void (*WarnNoHandler)(Runtime& rt, int32_t id) = nullptr;
};

// Fills the message slots ("ERROR 0" .. "ERROR 199").
void createErrorMessages(ErrorState& errors);

// The message slot of an error number, or -1 when it has none.
int errorMessageSlot(int32_t number);
bool isSoftError(int32_t number);

void raiseError(Runtime& rt, int32_t number);
void raiseSoftError(Runtime& rt, int32_t number);
std::string errorMessageText(const ErrorState& errors, int32_t number);
std::string formatErrorText(const ErrorState& errors);

// A platform failure: remembered for the final message and logged in debug mode.
void LogEngineError(Runtime& rt, std::string_view text);

}  // namespace zt
