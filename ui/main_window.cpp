#include "ui/main_window.h"

#include <windowsx.h>

#include "ui/window_system.h"

namespace hint {
namespace {

constexpr char kWindowClassName[] = "HintWindow";

// Command numbers from here up belong to the platform's own commands.
constexpr WORD kFirstPlatformCommand = 0xE100;
// Command numbers from here up to the platform's belong to menu entries.
constexpr WORD kFirstMenuCommand = 20000;

bool RegisterWindowClass(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kWindowClassName, &existing)) return true;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &MainWindow::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // No background brush: painting fills the client area with the window's colour.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kWindowClassName;
    return RegisterClassExA(&windowClass) != 0;
}

bool KeyIsDown(int virtualKey) {
    return (GetKeyState(virtualKey) & 0x8000) != 0;
}

}  // namespace

FrameStyle FrameStyleFor(const WindowSettings& settings) {
    FrameStyle frame;
    switch (settings.borderStyle) {
        case 0: frame.style = WS_POPUP; break;
        case 1: frame.style = WS_CAPTION | WS_THICKFRAME; break;
        default: frame.style = WS_CAPTION; break;
    }
    if (settings.controlBox && settings.borderStyle != 0) {
        frame.style |= WS_SYSMENU;
        if (settings.minButton) frame.style |= WS_MINIMIZEBOX;
        if (settings.maxButton) frame.style |= WS_MAXIMIZEBOX;
    }
    frame.style |= WS_CLIPCHILDREN;
    if (settings.alwaysOnTop) frame.exStyle |= WS_EX_TOPMOST;
    if (!settings.showInTaskbar) frame.exStyle |= WS_EX_TOOLWINDOW;
    return frame;
}

MainWindow::MainWindow(WindowSystem& system, const WindowEntry& entry)
    : system_(system), id_(entry.id), items_(entry.items), controls_(entry.items.size()) {
    if (Settings().backColor != kButtonFaceColor) {
        ownBackBrush_.Reset(CreateSolidBrush(Settings().backColor));
    }
}

MainWindow::~MainWindow() = default;

bool MainWindow::Build() {
    if (!CreateFrame() || !CreateControls()) return false;
    StackControls();
    for (std::size_t position = 1; position < items_.size(); ++position) {
        if (items_[position].common.visible) ShowWindow(controls_[position]->Handle(), SW_SHOWNA);
    }
    return true;
}

bool MainWindow::CreateFrame() {
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (!RegisterWindowClass(instance)) return false;
    const WindowSettings& settings = Settings();
    const CommonSettings& common = items_[0].common;
    Point origin{common.left, common.top};
    if (settings.startPosition == 1) {
        origin = CenteredOrigin(GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN),
                                common.width, common.height);
    }
    const FrameStyle frame = FrameStyleFor(settings);
    CreateWindowExA(frame.exStyle, kWindowClassName, settings.caption.c_str(), frame.style,
                    origin.x, origin.y, common.width, common.height, nullptr, nullptr, instance,
                    this);
    if (!handle_) return false;

    // The declared size is the outer size; a frame that came out otherwise is
    // resized once, in place.
    RECT outer;
    GetWindowRect(handle_, &outer);
    if (outer.right - outer.left != common.width || outer.bottom - outer.top != common.height) {
        SetWindowPos(handle_, nullptr, 0, 0, common.width, common.height,
                     SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SendMessageA(handle_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(system_.LargeIcon()));
    SendMessageA(handle_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(system_.SmallIcon()));
    SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    return true;
}

bool MainWindow::CreateControls() {
    // From the last item back to item 1; control numbers go up in that order.
    std::size_t created = 0;
    for (std::size_t position = items_.size() - 1; position >= 1; --position) {
        const WindowItem& item = items_[position];
        ControlContext context;
        context.parent = handle_;
        context.itemStyles =
            (item.common.disabled ? WS_DISABLED : 0u) | (item.common.tabStop ? WS_TABSTOP : 0u);
        context.controlNumber = ControlNumber(created++);
        context.window = id_;
        context.dispatcher = &system_.Dispatcher();
        controls_[position] = CreateControl(item, context);
        if (!controls_[position]) return false;
    }
    return true;
}

void MainWindow::StackControls() {
    // Item 1 on top, each later item directly below the one before it.
    HWND above = HWND_TOP;
    for (std::size_t position = 1; position < items_.size(); ++position) {
        const HWND control = controls_[position]->Handle();
        SetWindowPos(control, above, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = control;
    }
}

void MainWindow::Show() {
    built_ = true;
    Raise(WindowEvent::kCreated);
    Raise(WindowEvent::kMoved);
    Raise(WindowEvent::kResized);
    if (items_[0].common.visible) {
        ShowWindow(handle_, SW_SHOWNORMAL);
        SetForegroundWindow(handle_);
        UpdateWindow(handle_);
    }
}

void MainWindow::BringForward() {
    if (IsIconic(handle_)) {
        ShowWindow(handle_, SW_RESTORE);
    } else {
        SetForegroundWindow(handle_);
        SetActiveWindow(handle_);
    }
}

LRESULT CALLBACK MainWindow::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* window =
            static_cast<MainWindow*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        window->handle_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(window));
    }
    auto* window = reinterpret_cast<MainWindow*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!window) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        WindowSystem& system = window->system_;
        const Identifier id = window->id_;
        window->OnNcDestroy();
        const LRESULT result = DefWindowProcA(hwnd, message, wParam, lParam);
        // Drops the window's state; nothing of it may be touched after this.
        system.ForgetWindow(id);
        return result;
    }
    return window->Handle(message, wParam, lParam);
}

LRESULT MainWindow::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_COMMAND:
            OnCommand(LOWORD(wParam), HIWORD(wParam), reinterpret_cast<HWND>(lParam));
            return 0;
        case WM_ACTIVATE: OnActivate(LOWORD(wParam), HIWORD(wParam) != 0); return 0;
        case WM_SETFOCUS: OnSetFocus(); return 0;
        case WM_CLOSE: OnClose(); return 0;
        case WM_QUERYENDSESSION: return OnQueryEndSession();
        case WM_DESTROY: OnDestroy(); return 0;
        case WM_SYSCOMMAND: return OnSysCommand(wParam, lParam);
        case WM_NCHITTEST: return OnNcHitTest(lParam);
        case WM_NCACTIVATE: return OnNcActivate(wParam, lParam);
        case WM_MOVE: OnMoveOrSize(WindowEvent::kMoved); break;
        case WM_SIZE: OnMoveOrSize(WindowEvent::kResized); break;
        case WM_SHOWWINDOW: OnShowWindow(wParam != 0); break;
        default: RaiseInput(message, wParam, lParam); break;
    }
    return DefWindowProcA(handle_, message, wParam, lParam);
}

void MainWindow::OnPaint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(handle_, &paint);
    if (dc && !IsRectEmpty(&paint.rcPaint)) {
        const HBRUSH brush = ownBackBrush_ ? static_cast<HBRUSH>(ownBackBrush_.Get())
                                           : GetSysColorBrush(COLOR_BTNFACE);
        FillRect(dc, &paint.rcPaint, brush);
    }
    EndPaint(handle_, &paint);
}

void MainWindow::OnCommand(WORD id, WORD code, HWND control) {
    if (id >= kFirstPlatformCommand) return;
    if (id >= kFirstMenuCommand) return;  // this window has no menu entries
    if (!control) return;
    // The control is found by its window, not by its number.
    const auto position = PositionOf(control);
    if (position) controls_[*position]->OnNotification(code);
}

void MainWindow::OnActivate(WORD state, bool minimized) {
    if (state == WA_INACTIVE) {
        const HWND focus = GetFocus();
        if (focus && IsChild(handle_, focus)) lastFocus_ = focus;
        Raise(WindowEvent::kDeactivated);
        return;
    }
    if (!firstActivationDone_) {
        firstActivationDone_ = true;
        Raise(WindowEvent::kFirstActivation);
    }
    Raise(WindowEvent::kActivated);
    if (!minimized) MoveFocusIntoWindow();
}

void MainWindow::OnSetFocus() {
    // The window itself never keeps the focus while a control can take it.
    MoveFocusIntoWindow();
}

void MainWindow::OnClose() {
    RequestClose();
}

BOOL MainWindow::OnQueryEndSession() {
    EventNotice notice{id_, 0, EventNumber(WindowEvent::kCanClose), {}};
    system_.Dispatcher().RaiseEvent(notice);
    return !(notice.hasResult && notice.result == 0);
}

void MainWindow::OnDestroy() {
    Raise(WindowEvent::kAboutToBeDestroyed);
}

void MainWindow::OnNcDestroy() {
    SetWindowLongPtrA(handle_, GWLP_USERDATA, 0);
    // The platform has destroyed the controls with the window.
    controls_.clear();
    handle_ = nullptr;
}

LRESULT MainWindow::OnSysCommand(WPARAM command, LPARAM lParam) {
    if ((command & 0xFFF0) == SC_MOVE && !Settings().movable) return 0;
    return DefWindowProcA(handle_, WM_SYSCOMMAND, command, lParam);
}

LRESULT MainWindow::OnNcHitTest(LPARAM lParam) {
    const LRESULT hit = DefWindowProcA(handle_, WM_NCHITTEST, 0, lParam);
    if (hit == HTCLIENT && Settings().dragAnywhere) return HTCAPTION;
    return hit;
}

LRESULT MainWindow::OnNcActivate(WPARAM active, LPARAM lParam) {
    if (Settings().keepTitleActive) active = TRUE;
    return DefWindowProcA(handle_, WM_NCACTIVATE, active, lParam);
}

void MainWindow::OnMoveOrSize(WindowEvent event) {
    if (built_) Raise(event);
}

void MainWindow::OnShowWindow(bool shown) {
    Raise(shown ? WindowEvent::kShown : WindowEvent::kHidden);
}

bool MainWindow::RequestClose() {
    Raise(WindowEvent::kCloseRequested);
    EventNotice canClose{id_, 0, EventNumber(WindowEvent::kCanClose), {}};
    system_.Dispatcher().RaiseEvent(canClose);
    if (canClose.hasResult && canClose.result == 0) return false;
    DestroyWindow(handle_);
    return true;
}

void MainWindow::Raise(WindowEvent event, EventArguments arguments) {
    EventNotice notice{id_, 0, EventNumber(event), std::move(arguments)};
    system_.Dispatcher().RaiseEvent(notice);
}

bool MainWindow::RaiseInput(UINT message, WPARAM wParam, LPARAM lParam) {
    std::int32_t event = 0;
    if (!InputEventFor(message, event)) return false;
    EventNotice notice{id_, 0, event, InputEventArguments(message, wParam, lParam)};
    system_.Dispatcher().RaiseEvent(notice);
    return true;
}

std::vector<FocusCandidate> MainWindow::FocusCandidates() const {
    std::vector<FocusCandidate> candidates;
    for (std::size_t position = 1; position < items_.size(); ++position) {
        const Control* control = ControlAt(position);
        if (!control || !control->CanTakeFocus()) continue;
        const HWND hwnd = control->Handle();
        if (!IsWindowVisible(hwnd) || !IsWindowEnabled(hwnd)) continue;
        if ((GetWindowLongA(hwnd, GWL_STYLE) & WS_TABSTOP) == 0) continue;
        candidates.push_back({position, items_[position].common.tabOrder});
    }
    return candidates;
}

void MainWindow::MoveFocusIntoWindow() {
    if (lastFocus_ && IsWindow(lastFocus_) && IsChild(handle_, lastFocus_)) {
        SetFocus(lastFocus_);
        return;
    }
    lastFocus_ = nullptr;
    const auto candidates = FocusCandidates();
    const auto first = FirstFocusCandidate(candidates);
    if (first) SetFocus(controls_[*first]->Handle());
}

void MainWindow::MoveFocusByTab(bool backwards) {
    const auto candidates = FocusCandidates();
    const auto next = NextFocusCandidate(candidates, PositionOf(GetFocus()), backwards);
    if (next) SetFocus(controls_[*next]->Handle());
}

bool MainWindow::ClickDefaultButton() {
    const auto focused = PositionOf(GetFocus());
    if (focused) {
        Control* control = controls_[*focused].get();
        if (control->IsDefaultPushButton() && IsWindowEnabled(control->Handle())) {
            return control->Click();
        }
    }
    for (std::size_t position = 1; position < items_.size(); ++position) {
        Control* control = ControlAt(position);
        if (control && control->IsDefaultPushButton() && IsWindowEnabled(control->Handle())) {
            return control->Click();
        }
    }
    return false;
}

bool MainWindow::HandleAccessKey(char key) {
    for (std::size_t position = 1; position < items_.size(); ++position) {
        Control* control = ControlAt(position);
        if (!control || !HasAccessKey(items_[position].Caption(), key)) continue;
        if (control->CanTakeFocus()) {
            if (!IsWindowEnabled(control->Handle())) return false;
            SetFocus(control->Handle());
            control->Click();
            return true;
        }
        // A control that cannot take the focus passes it to the next candidate.
        std::vector<FocusCandidate> later;
        for (const FocusCandidate& candidate : FocusCandidates()) {
            if (candidate.position > position) later.push_back(candidate);
        }
        if (later.empty()) return false;
        SetFocus(controls_[later.front().position]->Handle());
        return true;
    }
    return false;
}

bool MainWindow::HandleKey(const MSG& message) {
    if (message.message != WM_KEYDOWN && message.message != WM_SYSKEYDOWN) return false;
    KeyPress key;
    key.virtualKey = static_cast<std::uint32_t>(message.wParam);
    key.ctrl = KeyIsDown(VK_CONTROL);
    key.shift = KeyIsDown(VK_SHIFT);
    key.alt =
        message.message == WM_SYSKEYDOWN ? (message.lParam & (1 << 29)) != 0 : KeyIsDown(VK_MENU);
    switch (ClassifyKey(key)) {
        case KeyCommand::kNextControl: MoveFocusByTab(false); return true;
        case KeyCommand::kPreviousControl: MoveFocusByTab(true); return true;
        case KeyCommand::kEnter:
            if (Settings().enterMovesFocus) {
                MoveFocusByTab(false);
                return true;
            }
            return ClickDefaultButton();
        case KeyCommand::kEscape:
            if (!Settings().escCloses) return false;
            SendMessageA(handle_, WM_SYSCOMMAND, SC_CLOSE, 0);
            return true;
        case KeyCommand::kMnemonic: return HandleAccessKey(static_cast<char>(key.virtualKey));
        case KeyCommand::kNone: break;
    }
    return false;
}

std::optional<std::size_t> MainWindow::PositionOf(HWND control) const {
    if (!control) return std::nullopt;
    for (std::size_t position = 1; position < controls_.size(); ++position) {
        if (controls_[position] && controls_[position]->Handle() == control) return position;
    }
    return std::nullopt;
}

Control* MainWindow::ControlAt(std::size_t position) const {
    return position < controls_.size() ? controls_[position].get() : nullptr;
}

}  // namespace hint
