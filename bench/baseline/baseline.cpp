// The Hint window written directly against Win32, as the yardstick the
// benchmarks hold hint.exe against: the same frame, label, button and log
// write, with no window description and no event dispatcher in between.
#include <windows.h>

namespace {

constexpr char kFrameClass[] = "HintBaselineFrame";
constexpr char kLabelClass[] = "HintBaselineLabel";
constexpr char kTitle[] = "Hint";
constexpr char kLabelText[] = "这是Tavrin写的程序。";
constexpr char kButtonText[] = "写出日志";
constexpr char kLogText[] = "ypxt{ptez_gt_skgq????}";
constexpr char kLogPath[] = "C:\\flag.txt";
constexpr char kIconName[] = "DEFAULT_ICON";
constexpr int kButtonId = 100;
constexpr DWORD kButtonStyle = 0x44012F00;
constexpr DWORD kFrameStyle = WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_CLIPCHILDREN;
constexpr int kFrameWidth = 263;
constexpr int kFrameHeight = 108;

// Destroys the icon it was given when it goes out of scope.
class OwnedIcon {
  public:
    explicit OwnedIcon(HICON icon) : icon_(icon) {}
    ~OwnedIcon() {
        if (icon_) DestroyIcon(icon_);
    }
    OwnedIcon(const OwnedIcon&) = delete;
    OwnedIcon& operator=(const OwnedIcon&) = delete;
    HICON Get() const { return icon_; }

  private:
    HICON icon_;
};

HWND g_button = nullptr;

void WriteLogFile() {
    SECURITY_ATTRIBUTES security{};
    security.nLength = sizeof security;
    security.bInheritHandle = TRUE;
    const HANDLE file = CreateFileA(kLogPath, GENERIC_WRITE, 0, &security, CREATE_ALWAYS,
                                    FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) return;
    DWORD written = 0;
    WriteFile(file, kLogText, sizeof kLogText - 1, &written, nullptr);
    CloseHandle(file);
}

LRESULT CALLBACK LabelProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_ERASEBKGND: return 1;
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(hwnd, &paint);
            RECT client;
            GetClientRect(hwnd, &client);
            FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
            const HGDIOBJ previousFont = SelectObject(dc, GetStockObject(DEFAULT_GUI_FONT));
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, RGB(0, 0, 0));
            DrawTextA(dc, kLabelText, -1, &client,
                      DT_NOCLIP | DT_SINGLELINE | DT_VCENTER | DT_LEFT);
            SelectObject(dc, previousFont);
            EndPaint(hwnd, &paint);
            return 0;
        }
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

LRESULT CALLBACK FrameProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: {
            PAINTSTRUCT paint;
            const HDC dc = BeginPaint(hwnd, &paint);
            FillRect(dc, &paint.rcPaint, GetSysColorBrush(COLOR_BTNFACE));
            EndPaint(hwnd, &paint);
            return 0;
        }
        case WM_COMMAND:
            if (LOWORD(wParam) == kButtonId && HIWORD(wParam) == BN_CLICKED) WriteLogFile();
            return 0;
        case WM_ACTIVATE:
            if (LOWORD(wParam) != WA_INACTIVE && g_button) SetFocus(g_button);
            return 0;
        case WM_SETFOCUS:
            if (g_button) SetFocus(g_button);
            return 0;
        case WM_DESTROY: PostQuitMessage(0); return 0;
        default: return DefWindowProcA(hwnd, message, wParam, lParam);
    }
}

bool RegisterClasses(HINSTANCE instance) {
    WNDCLASSEXA frame{};
    frame.cbSize = sizeof frame;
    frame.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    frame.lpfnWndProc = &FrameProc;
    frame.hInstance = instance;
    frame.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    frame.lpszClassName = kFrameClass;
    WNDCLASSEXA label = frame;
    label.lpfnWndProc = &LabelProc;
    label.lpszClassName = kLabelClass;
    return RegisterClassExA(&frame) != 0 && RegisterClassExA(&label) != 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    if (!RegisterClasses(instance)) return 1;
    const OwnedIcon largeIcon(
        static_cast<HICON>(LoadImageA(instance, kIconName, IMAGE_ICON, 32, 32, 0)));
    const OwnedIcon smallIcon(
        static_cast<HICON>(LoadImageA(instance, kIconName, IMAGE_ICON, 16, 16, 0)));

    const int x = (GetSystemMetrics(SM_CXSCREEN) - kFrameWidth) / 2;
    const int y = (GetSystemMetrics(SM_CYSCREEN) - kFrameHeight) / 2;
    const HWND frame = CreateWindowExA(0, kFrameClass, kTitle, kFrameStyle, x, y, kFrameWidth,
                                       kFrameHeight, nullptr, nullptr, instance, nullptr);
    if (!frame) return 1;
    SendMessageA(frame, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(largeIcon.Get()));
    SendMessageA(frame, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon.Get()));

    const HWND label =
        CreateWindowExA(0, kLabelClass, kLabelText, WS_CHILD | WS_VISIBLE | WS_CLIPSIBLINGS, 5, 5,
                        256, 27, frame, nullptr, instance, nullptr);
    g_button = CreateWindowExA(0, "BUTTON", kButtonText, kButtonStyle, 168, 40, 80, 32, frame,
                               reinterpret_cast<HMENU>(static_cast<INT_PTR>(kButtonId)), instance,
                               nullptr);
    if (!label || !g_button) return 1;
    SendMessageA(g_button, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    ShowWindow(g_button, SW_SHOWNA);

    ShowWindow(frame, SW_SHOWNORMAL);
    SetForegroundWindow(frame);
    UpdateWindow(frame);
    SetFocus(g_button);

    MSG message;
    for (;;) {
        const BOOL got = GetMessageA(&message, nullptr, 0, 0);
        if (got == 0) break;
        if (got == -1) return 1;
        // Esc anywhere in the window closes it, before any control sees the key.
        if (message.message == WM_KEYDOWN && message.wParam == VK_ESCAPE) {
            SendMessageA(frame, WM_SYSCOMMAND, SC_CLOSE, 0);
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    g_button = nullptr;
    return static_cast<int>(message.wParam);
}
