// Threads for the Windows-side tests, and a watcher that answers the fatal
// error box of a child process.
#pragma once

#include <windows.h>

#include <atomic>
#include <functional>
#include <string>

namespace hint {

// A thread of the platform's own (the standard thread header cannot be
// compiled with the code page 936 execution character set).
class Thread {
  public:
    explicit Thread(std::function<void()> body) : body_(std::move(body)) {
        handle_ = CreateThread(nullptr, 0, &Thread::Run, this, 0, nullptr);
    }
    ~Thread() { Join(); }
    void Join() {
        if (!handle_) return;
        WaitForSingleObject(handle_, INFINITE);
        CloseHandle(handle_);
        handle_ = nullptr;
    }

  private:
    static DWORD WINAPI Run(void* self) {
        static_cast<Thread*>(self)->body_();
        return 0;
    }
    std::function<void()> body_;
    HANDLE handle_ = nullptr;
};

// The fatal box of a child process, answered by a watcher thread here.
class FatalBoxWatcher {
  public:
    FatalBoxWatcher() : thread_([this] { Watch(); }) {}
    ~FatalBoxWatcher() {
        stop_ = true;
        thread_.Join();
    }
    std::string Text() {
        stop_ = true;
        thread_.Join();
        return text_;
    }

  private:
    void Watch() {
        const ULONGLONG deadline = GetTickCount64() + 60000;
        while (!stop_ && GetTickCount64() < deadline) {
            const HWND box = FindWindowA("#32770", "错误");
            if (!box) {
                Sleep(20);
                continue;
            }
            char text[1024] = {};
            GetDlgItemTextA(box, 0xFFFF, text, sizeof text);
            text_ = text;
            PostMessageA(box, WM_COMMAND, IDOK, 0);
            return;
        }
    }

    std::atomic<bool> stop_{false};
    std::string text_;
    Thread thread_;
};

}  // namespace hint
