#include "ui/label.h"

namespace hint {
namespace {

constexpr char kLabelClassName[] = "HintLabel";

class Label final : public Control {
  public:
    Label(const WindowItem& item, const ControlContext& context)
        : Control(context, item.id),
          settings_(std::get<LabelSettings>(item.settings)),
          font_(settings_.font) {
        if (settings_.backColor != kButtonFaceColor) {
            ownBrush_.Reset(CreateSolidBrush(settings_.backColor));
        }
    }

    bool Create(const WindowItem& item, const ControlContext& context) {
        const DWORD style = WS_CHILD | WS_CLIPSIBLINGS | context.itemStyles;
        CreateWindowExA(0, kLabelClassName, settings_.caption.c_str(), style, item.common.left,
                        item.common.top, item.common.width, item.common.height, context.parent,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(context.controlNumber)),
                        GetModuleHandleA(nullptr), this);
        return handle_ != nullptr;
    }

    bool CanTakeFocus() const override { return false; }

    static LRESULT CALLBACK WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam);

  private:
    LRESULT Handle(UINT message, WPARAM wParam, LPARAM lParam);
    void OnPaint();
    HBRUSH BackBrush() const {
        if (ownBrush_) return static_cast<HBRUSH>(ownBrush_.Get());
        return GetSysColorBrush(COLOR_BTNFACE);
    }

    LabelSettings settings_;
    ControlFont font_;
    UniqueGdiObject ownBrush_;
};

bool RegisterLabelClass(HINSTANCE instance) {
    WNDCLASSEXA existing{};
    existing.cbSize = sizeof existing;
    if (GetClassInfoExA(instance, kLabelClassName, &existing)) return true;
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = CS_HREDRAW | CS_VREDRAW | CS_DBLCLKS;
    windowClass.lpfnWndProc = &Label::WindowProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    // No background brush: the label paints all of its area itself.
    windowClass.hbrBackground = nullptr;
    windowClass.lpszClassName = kLabelClassName;
    return RegisterClassExA(&windowClass) != 0;
}

LRESULT CALLBACK Label::WindowProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == WM_NCCREATE) {
        auto* label = static_cast<Label*>(reinterpret_cast<CREATESTRUCTA*>(lParam)->lpCreateParams);
        label->handle_ = hwnd;
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(label));
    }
    auto* label = reinterpret_cast<Label*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
    if (!label) return DefWindowProcA(hwnd, message, wParam, lParam);
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
        label->handle_ = nullptr;
        return DefWindowProcA(hwnd, message, wParam, lParam);
    }
    return label->Handle(message, wParam, lParam);
}

LRESULT Label::Handle(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_PAINT: OnPaint(); return 0;
        case WM_ERASEBKGND: return 1;
        case WM_GETFONT: return reinterpret_cast<LRESULT>(font_.Get());
        default: break;
    }
    RaiseInputEvent(message, wParam, lParam);
    return DefWindowProcA(handle_, message, wParam, lParam);
}

void Label::OnPaint() {
    PAINTSTRUCT paint;
    const HDC dc = BeginPaint(handle_, &paint);
    RECT client;
    GetClientRect(handle_, &client);
    RECT area;
    if (dc && !IsRectEmpty(&paint.rcPaint) && IntersectRect(&area, &paint.rcPaint, &client)) {
        FillRect(dc, &area, BackBrush());
        const int length = GetWindowTextLengthA(handle_);
        if (length > 0) {
            std::string text(static_cast<std::size_t>(length) + 1, '\0');
            const int copied = GetWindowTextA(handle_, text.data(), length + 1);
            const HGDIOBJ previousFont = SelectObject(dc, font_.Get());
            SetBkMode(dc, TRANSPARENT);
            SetTextColor(dc, settings_.textColor);
            DrawTextA(dc, text.c_str(), copied, &client, LabelTextFormat(settings_));
            SelectObject(dc, previousFont);
        }
    }
    EndPaint(handle_, &paint);
}

}  // namespace

UINT LabelTextFormat(const LabelSettings& settings) {
    static constexpr UINT kHorizontal[] = {DT_LEFT, DT_CENTER, DT_RIGHT};
    static constexpr UINT kVertical[] = {DT_TOP, DT_VCENTER, DT_BOTTOM};
    UINT format = DT_NOCLIP | kHorizontal[settings.hAlign];
    if (settings.wordWrap) {
        format |= DT_WORDBREAK | DT_VCENTER;
    } else {
        format |= DT_SINGLELINE | kVertical[settings.vAlign];
    }
    return format;
}

std::unique_ptr<Control> CreateLabel(const WindowItem& item, const ControlContext& context) {
    if (!RegisterLabelClass(GetModuleHandleA(nullptr))) return nullptr;
    auto label = std::make_unique<Label>(item, context);
    if (!label->Create(item, context)) return nullptr;
    return label;
}

}  // namespace hint
