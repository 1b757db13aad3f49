#include "app/fatal_error.h"

#include <windows.h>

#include "app/runtime.h"

namespace hint {

void ReportFatalError(const FatalError& error) {
    Runtime& runtime = Runtime::Instance();
    // No handler runs from here on, not even while the box is shown.
    runtime.Windows().Dispatcher().HoldBack();
    const std::string text = FatalReportText(error, &runtime.Description());
    MessageBoxA(nullptr, text.c_str(), "错误", MB_OK | MB_ICONERROR);
    runtime.ExitRoutineList().Drop();
    EndProgram(-1);
}

}  // namespace hint
