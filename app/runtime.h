// The process-wide state of the program and the steps of its life: reading
// the description, the message loop, the end of the process.
#pragma once

#include <memory>

#include "app/exit_routines.h"
#include "ui/window_description.h"
#include "ui/window_system.h"

namespace hint {

class Runtime {
  public:
    static Runtime& Instance();

    WindowDescription& Description() { return description_; }
    ExitRoutines& ExitRoutineList() { return exitRoutines_; }
    WindowSystem& Windows() { return windows_; }

    bool LoopEntered() const { return loopEntered_; }
    void SetLoopEntered() { loopEntered_ = true; }

    int ExitCode() const { return exitCode_; }
    void SetExitCode(int code) { exitCode_ = code; }

  private:
    Runtime();

    WindowDescription description_;
    bool loopEntered_ = false;
    ExitRoutines exitRoutines_;
    WindowSystem windows_;
    int exitCode_ = 0;
};

// Tells the platform to report critical errors and unopenable files to the
// caller instead of in boxes of its own.
void SuppressPlatformErrorBoxes();

// Reads the description the program file carries; fatal when it cannot be read.
void InitializeSystem();

// Resets the floating-point unit: exceptions masked, rounding to nearest,
// extended precision, empty register stack.
void ResetFloatingPoint();

void RegisterExitRoutine(ExitRoutine routine);

void LoadWindow(Identifier windowId);

// Runs the message loop until a quit request; its code becomes the exit code.
void RunMessageLoop();

// Runs the exit routines, releases what start-up acquired and ends the process.
[[noreturn]] void EndProgram(int exitCode);

}  // namespace hint
