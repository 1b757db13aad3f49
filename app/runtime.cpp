#include "app/runtime.h"

#include <windows.h>

#include <string_view>

#include "app/fatal_error.h"
#include "app/program.h"
#include "ui/description_reader.h"

namespace hint {
namespace {

constexpr char kDescriptionResourceName[] = "WINDOW_DESCRIPTION";

// The quit rule: once no window of the description is open and the loop has
// been entered, the loop is asked to end with exit code 0.
void OnWindowDestroyed() {
    Runtime& runtime = Runtime::Instance();
    if (!runtime.Windows().AnyWindowOpen() && runtime.LoopEntered()) PostQuitMessage(0);
}

bool DescriptionResource(std::string_view& text) {
    const HMODULE module = GetModuleHandleA(nullptr);
    const HRSRC resource = FindResourceA(module, kDescriptionResourceName, RT_RCDATA);
    if (!resource) return false;
    const HGLOBAL loaded = LoadResource(module, resource);
    const DWORD size = SizeofResource(module, resource);
    const void* bytes = loaded ? LockResource(loaded) : nullptr;
    if (!bytes) return false;
    text = std::string_view(static_cast<const char*>(bytes), size);
    return true;
}

}  // namespace

Runtime::Runtime() : windows_(description_, &ReportFatalError, &OnWindowDestroyed) {}

Runtime& Runtime::Instance() {
    static Runtime runtime;
    return runtime;
}

void SuppressPlatformErrorBoxes() {
    const UINT mode = SetErrorMode(0);
    SetErrorMode(mode | SEM_FAILCRITICALERRORS | SEM_NOOPENFILEERRORBOX);
}

void InitializeSystem() {
    Runtime& runtime = Runtime::Instance();
    std::string_view text;
    ReadFailure failure;
    if (!DescriptionResource(text) ||
        !ReadWindowDescription(text, ProgramHandlers(), runtime.Description(), failure)) {
        ReportFatalError(FatalError{kDescriptionUnreadable, 0, 0, 0});
    }
}

void ResetFloatingPoint() {
    // fninit leaves the x87 control word at 0x037F with an empty stack; the
    // SSE unit gets the matching state (all exceptions masked, round to nearest).
    __asm__ volatile("fninit");
    unsigned int sseControl = 0x1F80;
    __asm__ volatile("ldmxcsr %0" : : "m"(sseControl));
}

void RegisterExitRoutine(ExitRoutine routine) {
    Runtime::Instance().ExitRoutineList().Register(routine);
}

void LoadWindow(Identifier windowId) {
    Runtime::Instance().Windows().LoadWindow(windowId);
}

void RunMessageLoop() {
    Runtime& runtime = Runtime::Instance();
    runtime.SetLoopEntered();
    runtime.SetExitCode(0);
    if (!runtime.Windows().AnyWindowOpen()) return;
    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) {
            runtime.SetExitCode(static_cast<int>(message.wParam));
            return;
        }
        if (got == -1) return;
        ProcessMessage(runtime.Windows(), message);
    }
}

void EndProgram(int exitCode) {
    Runtime& runtime = Runtime::Instance();
    runtime.ExitRoutineList().RunAll();
    runtime.Windows().ReleaseIcons();
    ExitProcess(static_cast<UINT>(exitCode));
}

}  // namespace hint
