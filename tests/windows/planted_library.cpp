// A library that the hardening test places beside the test program, where a
// planted DLL would sit beside the real program file.
#include <windows.h>

extern "C" BOOL WINAPI DllMain(HINSTANCE, DWORD, LPVOID) {
    return TRUE;
}
