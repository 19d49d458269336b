// --record: the session's input, as it enters the input queue, written to a file as an
// --input script (see formats/input_script.h), frame by frame as the run goes.
#pragma once

#include <string>

namespace zt {

struct Runtime;

// Creates the file; false with the reason when it cannot be written.
bool startRecording(Runtime& rt, const std::string& path, std::string& error);
// Writes the lines complete so far (after every frame).
void saveRecording(Runtime& rt);
// Writes the rest and closes the file; a failed write is reported on stderr.
void finishRecording(Runtime& rt);

}  // namespace zt
