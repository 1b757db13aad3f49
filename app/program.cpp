#include "app/program.h"

#include "app/runtime.h"
#include "log/write_log.h"

namespace hint {
namespace {

HandlerResult OnWriteLog(const EventArguments&) {
    WriteLog();
    return std::nullopt;
}

constexpr NamedHandler kHandlers[] = {
    {"WriteLog", &OnWriteLog},
};

}  // namespace

std::span<const NamedHandler> ProgramHandlers() {
    return kHandlers;
}

// The program keeps no global variables, so there is nothing to set up or release.
void InitializeGlobals() {}
void ReleaseGlobals() {}

int StartProgram() {
    InitializeSystem();
    ResetFloatingPoint();
    InitializeGlobals();
    RegisterExitRoutine(&ReleaseGlobals);
    LoadWindow(kMainWindowId);
    RunMessageLoop();
    return 0;
}

}  // namespace hint
