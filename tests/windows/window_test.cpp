// The window system inside a process that carries the program's resources:
// loading the start window twice, and the quit rule before the loop runs.
#include <gtest/gtest.h>
#include <windows.h>

#include "app/runtime.h"

namespace hint {
namespace {

void HandlePendingMessages() {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

struct ClassCount {
    const char* className;
    int found;
};

BOOL CALLBACK CountWindowOfClass(HWND hwnd, LPARAM context) {
    auto* count = reinterpret_cast<ClassCount*>(context);
    char name[64] = {};
    GetClassNameA(hwnd, name, sizeof name);
    if (lstrcmpA(name, count->className) == 0) ++count->found;
    return TRUE;
}

int WindowsOfClass(const char* className) {
    ClassCount count{className, 0};
    EnumThreadWindows(GetCurrentThreadId(), &CountWindowOfClass, reinterpret_cast<LPARAM>(&count));
    return count.found;
}

TEST(WindowSystemTest, ASecondLoadBringsTheOpenWindowForwardAndTheLoopSkipsWhenNoneIsOpen) {
    InitializeSystem();
    WindowSystem& windows = Runtime::Instance().Windows();
    LoadWindow(kMainWindowId);
    const HWND window = windows.WindowHandle(kMainWindowId);
    ASSERT_NE(window, nullptr);
    EXPECT_TRUE(IsWindowVisible(window));

    ShowWindow(window, SW_MINIMIZE);
    HandlePendingMessages();
    ASSERT_TRUE(IsIconic(window));
    LoadWindow(kMainWindowId);
    HandlePendingMessages();
    EXPECT_EQ(windows.WindowHandle(kMainWindowId), window) << "no second window";
    EXPECT_FALSE(IsIconic(window)) << "a minimised window is restored";
    EXPECT_EQ(WindowsOfClass("HintWindow"), 1);

    // Destroyed before the message loop was entered: no quit request.
    DestroyWindow(window);
    EXPECT_FALSE(windows.AnyWindowOpen());
    MSG quit;
    EXPECT_FALSE(PeekMessageA(&quit, nullptr, WM_QUIT, WM_QUIT, PM_REMOVE));

    // With no window open the loop returns at once.
    RunMessageLoop();
    EXPECT_TRUE(Runtime::Instance().LoopEntered());
    EXPECT_EQ(Runtime::Instance().ExitCode(), 0);
}

}  // namespace
}  // namespace hint
