#include "host/options.h"

#include <algorithm>
#include <charconv>

#include "core/image_format.h"
#include "formats/line_table.h"
#include "host/version.h"

namespace zt {

namespace {

// Arguments with blanks are quoted, as a command line writes them.
void appendArgument(std::string& line, const std::string& arg) {
  if (!line.empty()) line += ' ';
  if (arg.empty() || arg.find_first_of(" \t") != std::string::npos)
    line += '"' + arg + '"';
  else
    line += arg;
}

}  // namespace

std::string usageText() {
  return "usage: zentropia [options] PROGRAM [ARGUMENTS...]\n"
         "PROGRAM is a .ztb source file, a program image or a packed game.\n"
         "  --window          run in a window (the WINDOWMODE setting does the same)\n"
         "  --headless        no window, no audio device, no real input\n"
         "  --echo            also write console text and the final error message to stdout\n"
         "  --virtual-clock   time advances by a fixed cost per command and frame: runs repeat exactly\n"
         "  --frames N        stop after N frames\n"
         "  --input FILE      scripted input: keys, typed text, mouse and window events by frame\n"
         "  --record FILE     write the session's input to FILE as an --input script\n"
         "  --dump-frame N:FILE  write the frame shown N-th (from 1) as a 24-bit BMP (repeatable)\n"
         "  --warn            report ignored (soft) errors and commands without a handler on stderr\n"
         "  --version         show the version and the formats this engine reads\n"
         "  --help            show this text\n";
}

std::string versionText() {
  return std::string("zentropia ") + EngineVersion + " (program images version " + std::to_string(ImageVersion) +
         ", line tables version " + std::to_string(LineTableVersion) + ")\n";
}

CommandLineResult parseCommandLine(const std::vector<std::string>& args, bool ownGame, RunOptions& options,
                                   std::string& error) {
  size_t i = 0;
  auto value = [&](const std::string& option, std::string& into) {
    if (i + 1 >= args.size()) {
      error = option + " needs a value";
      return false;
    }
    into = args[++i];
    return true;
  };
  for (; i < args.size(); ++i) {
    const std::string& a = args[i];
    if (a == "--") {
      ++i;
      break;
    }
    if (a.size() < 2 || a[0] != '-') break;
    std::string number;
    if (a == "--help" || a == "-h") return CommandLineResult::Help;
    if (a == "--version") return CommandLineResult::Version;
    if (a == "--window")
      options.window = true;
    else if (a == "--headless")
      options.headless = true;
    else if (a == "--echo")
      options.echo = true;
    else if (a == "--virtual-clock")
      options.virtualClock = true;
    else if (a == "--warn")
      options.warn = true;
    else if (a == "--input") {
      if (!value(a, options.inputScript)) return CommandLineResult::Invalid;
    } else if (a == "--record") {
      if (!value(a, options.recordFile)) return CommandLineResult::Invalid;
    } else if (a == "--frames") {
      if (!value(a, number)) return CommandLineResult::Invalid;
      auto [end, ec] = std::from_chars(number.data(), number.data() + number.size(), options.frames);
      if (ec != std::errc() || end != number.data() + number.size() || options.frames < 1) {
        error = "--frames needs a number of frames, 1 or more";
        return CommandLineResult::Invalid;
      }
    } else if (a == "--dump-frame") {
      std::string frameAndFile;
      if (!value(a, frameAndFile)) return CommandLineResult::Invalid;
      const size_t colon = frameAndFile.find(':');
      int64_t frame = 0;
      auto [end, ec] = std::from_chars(frameAndFile.data(), frameAndFile.data() + std::min(colon, frameAndFile.size()), frame);
      if (colon == std::string::npos || ec != std::errc() || end != frameAndFile.data() + colon || frame < 1 ||
          colon + 1 == frameAndFile.size()) {
        error = "--dump-frame needs FRAME:FILE with a frame number of 1 or more";
        return CommandLineResult::Invalid;
      }
      options.dumpFrames.emplace_back(frame, frameAndFile.substr(colon + 1));
    } else {
      error = "unknown option " + a;
      return CommandLineResult::Invalid;
    }
  }
  if (!ownGame) {
    if (i == args.size()) {
      error = "no program given";
      return CommandLineResult::Invalid;
    }
    options.program = args[i++];
  }
  for (; i < args.size(); ++i) appendArgument(options.commandLine, args[i]);
  return CommandLineResult::Run;
}

}  // namespace zt
