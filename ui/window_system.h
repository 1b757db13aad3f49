// The open windows of the description: LoadWindow builds a window from its
// entry, the registry answers which windows are open, and the message loop
// offers each message to the window it is meant for before translating it.
#pragma once

#include <windows.h>

#include <map>
#include <memory>

#include "app/handles.h"
#include "ui/event_table.h"
#include "ui/window_description.h"

namespace hint {

class MainWindow;

class WindowSystem {
  public:
    // `windowDestroyed` runs whenever a window of the description has been
    // destroyed completely.
    WindowSystem(const WindowDescription& description, FatalReporter reportFatal,
                 void (*windowDestroyed)());
    ~WindowSystem();
    WindowSystem(const WindowSystem&) = delete;
    WindowSystem& operator=(const WindowSystem&) = delete;

    // Builds and shows the window, or brings it forward when it is open
    // already. A window that cannot be built is a fatal error.
    void LoadWindow(Identifier windowId);

    bool AnyWindowOpen() const { return !open_.empty(); }
    HWND WindowHandle(Identifier windowId) const;

    // The keys a window handles for its controls, before translation. True
    // when the message was consumed.
    bool PreTranslateMessage(const MSG& message);

    EventDispatcher& Dispatcher() { return dispatcher_; }
    const WindowDescription& Description() const { return description_; }

    // The program's icons, loaded on first need and kept until the end.
    HICON LargeIcon();
    HICON SmallIcon();
    void ReleaseIcons();

    // Called by a window when it has been destroyed completely.
    void ForgetWindow(Identifier windowId);

  private:
    [[noreturn]] void FailToLoad(Identifier windowId);
    void LoadIcons();

    const WindowDescription& description_;
    FatalReporter reportFatal_;
    void (*windowDestroyed_)();
    EventDispatcher dispatcher_;
    std::map<Identifier, std::unique_ptr<MainWindow>> open_;
    UniqueIcon largeIcon_;
    UniqueIcon smallIcon_;
    bool iconsLoaded_ = false;
};

// Handles, one after another, the messages already waiting in the thread's
// queue. A quit request stays queued for the message loop.
void HandleWaitingMessages(WindowSystem& system);

// Offers the message to the window, then translates and dispatches it.
void ProcessMessage(WindowSystem& system, const MSG& message);

}  // namespace hint
