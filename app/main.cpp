// Entry point of hint.exe.
#include <windows.h>

#include "app/process_hardening.h"
#include "app/program.h"
#include "app/runtime.h"

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    hint::HardenProcess();
    hint::SuppressPlatformErrorBoxes();
    hint::StartProgram();
    hint::EndProgram(hint::Runtime::Instance().ExitCode());
}
