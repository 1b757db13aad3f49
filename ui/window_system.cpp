#include "ui/window_system.h"

#include <cstdlib>

#include "app/fatal_error.h"
#include "ui/main_window.h"

namespace hint {
namespace {

constexpr char kProgramIconName[] = "DEFAULT_ICON";
constexpr int kLargeIconSize = 32;
constexpr int kSmallIconSize = 16;

UniqueIcon LoadProgramIcon(int size) {
    return UniqueIcon(static_cast<HICON>(
        LoadImageA(GetModuleHandleA(nullptr), kProgramIconName, IMAGE_ICON, size, size, 0)));
}

}  // namespace

WindowSystem::WindowSystem(const WindowDescription& description, FatalReporter reportFatal,
                           void (*windowDestroyed)())
    : description_(description),
      reportFatal_(reportFatal),
      windowDestroyed_(windowDestroyed),
      dispatcher_(
          description,
          [this](Identifier windowId) -> const std::vector<WindowItem>* {
              const auto open = open_.find(windowId);
              return open == open_.end() ? nullptr : &open->second->Items();
          },
          reportFatal) {}

WindowSystem::~WindowSystem() = default;

void WindowSystem::FailToLoad(Identifier windowId) {
    reportFatal_(FatalError{kStartWindowFailed, 0, windowId, 0});
    std::abort();
}

void WindowSystem::LoadWindow(Identifier windowId) {
    const WindowEntry* entry = description_.FindEntry(windowId);
    if (!entry || entry->items.empty()) FailToLoad(windowId);
    const auto open = open_.find(windowId);
    if (open != open_.end()) {
        open->second->BringForward();
        return;
    }

    HandleWaitingMessages(*this);
    MainWindow* window = nullptr;
    {
        // No handler runs while the window is being built.
        EventHoldBack holdBack(dispatcher_);
        auto created = std::make_unique<MainWindow>(*this, *entry);
        window = created.get();
        open_.emplace(windowId, std::move(created));
        if (!window->Build()) FailToLoad(windowId);
        HandleWaitingMessages(*this);
    }
    window->Show();
}

HWND WindowSystem::WindowHandle(Identifier windowId) const {
    const auto open = open_.find(windowId);
    return open == open_.end() ? nullptr : open->second->Handle();
}

bool WindowSystem::PreTranslateMessage(const MSG& message) {
    if (!message.hwnd) return false;
    const HWND root = GetAncestor(message.hwnd, GA_ROOT);
    for (const auto& [id, window] : open_) {
        if (window->Handle() == root) return window->HandleKey(message);
    }
    return false;
}

void WindowSystem::LoadIcons() {
    if (iconsLoaded_) return;
    iconsLoaded_ = true;
    largeIcon_ = LoadProgramIcon(kLargeIconSize);
    smallIcon_ = LoadProgramIcon(kSmallIconSize);
}

HICON WindowSystem::LargeIcon() {
    LoadIcons();
    return largeIcon_.Get();
}

HICON WindowSystem::SmallIcon() {
    LoadIcons();
    return smallIcon_.Get();
}

void WindowSystem::ReleaseIcons() {
    largeIcon_.Reset();
    smallIcon_.Reset();
    iconsLoaded_ = false;
}

void WindowSystem::ForgetWindow(Identifier windowId) {
    open_.erase(windowId);
    if (windowDestroyed_) windowDestroyed_();
}

void HandleWaitingMessages(WindowSystem& system) {
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // The loop ends on it later: put it back.
            PostQuitMessage(static_cast<int>(message.wParam));
            return;
        }
        ProcessMessage(system, message);
    }
}

void ProcessMessage(WindowSystem& system, const MSG& message) {
    if (system.PreTranslateMessage(message)) return;
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

}  // namespace hint
