// The write-out action: the fixed text written, whole, to the log file.
#pragma once

#include <functional>
#include <initializer_list>

#include "log/byte_sequence.h"

namespace hint {

inline constexpr char kLogText[] = "ypxt{ptez_gt_skgq????}";
inline constexpr char kLogPath[] = "C:\\flag.txt";

using ByteSequences = std::initializer_list<std::reference_wrapper<const ByteSequence>>;

// Creates or empties the file at `path` and writes the sequences into it back
// to back, skipping those with no bytes. True only when the file was opened,
// every sequence written in full and the file closed cleanly. Shows nothing.
[[nodiscard]] bool WriteBytesToFile(const char* path, ByteSequences sequences);

// The steps of the action for any text and path: the text's bytes (or the
// empty sequence for an empty text) written to the file. Returns the write's result.
bool WriteTextToLog(const char* text, const char* path);

// The handler of the button: writes the fixed text to the log file. A failed
// write is not reported; the next press tries again.
void WriteLog();

}  // namespace hint
