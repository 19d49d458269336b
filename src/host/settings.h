// Settings and the log.
// SETUP.INI beside the program (section SETTINGS: WINDOWMODE, DEBUGMODE, TRACEMODE) is read
// once at start-up. In debug mode ZT.LOG beside the program receives the error records
// (section ERRORLOG) and a trace of every program position executed (section
// ZENTROPIALOOPMIDDLE, one key per position) and the progress lines of file conversions
// (section CONVERSION). The card memory (section
// ZentropiaStateData of win.ini in the user's configuration folder) remembers the chosen
// display card and depth.
#pragma once

#include <string>
#include <string_view>


namespace zt {

struct Runtime;

std::string settingsPath(const Runtime& rt);
std::string logPath(const Runtime& rt);

// Reads SETUP.INI; sets windowMode when WINDOWMODE is "1", leaves it alone otherwise. With
// DEBUGMODE or TRACEMODE "1" the log in the current directory is deleted first.
void readSettings(Runtime& rt, bool& windowMode);

void traceCommand(Runtime& rt, size_t position, intptr_t id);
// Writes "KIND ON d/m/y AT h:m" = text into ERRORLOG (debug mode only) and saves the log.
void writeErrorRecord(Runtime& rt, std::string_view kind, std::string_view text);
void flushLog(Runtime& rt);
// Debug mode only: a progress line of a file conversion, without its line feed, as the next
// "LINEn" key of section CONVERSION.
bool debugLogging(const Runtime& rt);
void writeConversionLine(Runtime& rt, std::string_view line);

// The run's own folder for temporary files, with a trailing separator; empty when none
// could be made.
const std::string& temporaryFolder(const Runtime& rt);

// Display-card memory, for the card chooser.
std::string cardMemoryPath();
void readCardChoice(std::string& card, int& depth);
void storeCardName(std::string_view card);
void storeCardDepth(int depth);

}  // namespace zt
