// The program's own part: its start routine, its (empty) global variables and
// the routines its window description binds events to.
#pragma once

#include <span>

#include "ui/description_reader.h"

namespace hint {

// Starts the program and runs it until its window is closed. Returns 0.
int StartProgram();

void InitializeGlobals();
void ReleaseGlobals();

// The routines the description may name as handlers.
std::span<const NamedHandler> ProgramHandlers();

}  // namespace hint
