// A top-level window built from its entry in the description, with its
// controls, its focus rule, the keys it handles for its controls and its
// closing. The window's state hangs on the window itself.
#pragma once

#include <windows.h>

#include <memory>
#include <optional>
#include <vector>

#include "app/handles.h"
#include "ui/controls.h"
#include "ui/window_description.h"
#include "ui/window_rules.h"

namespace hint {

class WindowSystem;

// The window styles (and extended styles) that the window's settings give.
struct FrameStyle {
    DWORD style = 0;
    DWORD exStyle = 0;
};
FrameStyle FrameStyleFor(const WindowSettings& settings);

// The control number of the n-th control created (counting from 0).
constexpr int ControlNumber(std::size_t creationIndex) {
    return 100 + 10 * static_cast<int>(creationIndex);
}

class MainWindow {
  public:
    MainWindow(WindowSystem& system, const WindowEntry& entry);
    ~MainWindow();
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Creates the frame and the controls, stacked and shown; false when the
    // platform refuses any of them.
    bool Build();
    // Raises the window's opening events, then shows and activates it.
    void Show();
    // Restores the window when it is minimised, otherwise activates it.
    void BringForward();

    HWND Handle() const { return handle_; }
    Identifier Id() const { return id_; }
    const std::vector<WindowItem>& Items() const { return items_; }

    // Tab, Enter, Esc and Alt with a letter, seen before the control gets
    // them. True when the key was consumed.
    bool HandleKey(const MSG& message);

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);

    bool CreateFrame();
    bool CreateControls();
    void StackControls();

    void OnPaint();
    void OnCommand(WORD id, WORD code, HWND control);
    void OnActivate(WORD state, bool minimized);
    void OnSetFocus();
    void OnClose();
    BOOL OnQueryEndSession();
    void OnDestroy();
    void OnNcDestroy();
    LRESULT OnSysCommand(WPARAM command, LPARAM lParam);
    LRESULT OnNcHitTest(LPARAM lParam);
    LRESULT OnNcActivate(WPARAM active, LPARAM lParam);
    void OnMoveOrSize(WindowEvent event);
    void OnShowWindow(bool shown);

    bool RequestClose();
    void Raise(WindowEvent event, EventArguments arguments = {});
    bool RaiseInput(UINT message, WPARAM wParam, LPARAM lParam);

    void MoveFocusIntoWindow();
    void MoveFocusByTab(bool backwards);
    bool ClickDefaultButton();
    bool HandleAccessKey(char key);
    std::vector<FocusCandidate> FocusCandidates() const;
    std::optional<std::size_t> PositionOf(HWND control) const;
    Control* ControlAt(std::size_t position) const;

    const WindowSettings& Settings() const { return std::get<WindowSettings>(items_[0].settings); }

    WindowSystem& system_;
    Identifier id_;
    // Working copy of the window's items; the description itself never changes.
    std::vector<WindowItem> items_;
    // The live control of each item, by position; none for item 0.
    std::vector<std::unique_ptr<Control>> controls_;
    HWND handle_ = nullptr;
    HWND lastFocus_ = nullptr;
    bool firstActivationDone_ = false;
    bool built_ = false;
    UniqueGdiObject ownBackBrush_;
};

}  // namespace hint
