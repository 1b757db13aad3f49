#include "ui/button.h"

namespace hint {
namespace {

class Button final : public Control {
  public:
    Button(const WindowItem& item, const ControlContext& context)
        : Control(context, item.id),
          settings_(std::get<ButtonSettings>(item.settings)),
          font_(settings_.font) {}

    bool Create(const WindowItem& item, const ControlContext& context) {
        const DWORD style = context.itemStyles | ButtonStyle(settings_);
        handle_ =
            CreateWindowExA(0, "BUTTON", settings_.caption.c_str(), style, item.common.left,
                            item.common.top, item.common.width, item.common.height, context.parent,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(context.controlNumber)),
                            GetModuleHandleA(nullptr), nullptr);
        if (!handle_) return false;
        // The platform's button keeps its own procedure; ours sees its input
        // first to raise the item's input and focus events.
        SetWindowLongPtrA(handle_, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(this));
        platformProc_ = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
            handle_, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(&Button::SubclassProc)));
        SendMessageA(handle_, WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        return true;
    }

    bool CanTakeFocus() const override { return true; }

    bool IsDefaultPushButton() const override {
        return (GetWindowLongA(handle_, GWL_STYLE) & BS_TYPEMASK) == BS_DEFPUSHBUTTON;
    }

    void OnNotification(WORD code) override {
        if (code == BN_CLICKED) OnClicked();
    }

    bool Click() override {
        if (!IsWindowEnabled(handle_)) return false;
        SendMessageA(handle_, BM_CLICK, 0, 0);
        return true;
    }

  private:
    void OnClicked() { Raise(EventNumber(ButtonEvent::kClick)); }

    static LRESULT CALLBACK SubclassProc(HWND hwnd, UINT message, WPARAM wParam, LPARAM lParam) {
        auto* button = reinterpret_cast<Button*>(GetWindowLongPtrA(hwnd, GWLP_USERDATA));
        const WNDPROC platformProc = button->platformProc_;
        if (message == WM_NCDESTROY) {
            SetWindowLongPtrA(hwnd, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(platformProc));
            SetWindowLongPtrA(hwnd, GWLP_USERDATA, 0);
            button->handle_ = nullptr;
        } else {
            button->RaiseInputEvent(message, wParam, lParam);
        }
        return CallWindowProcA(platformProc, hwnd, message, wParam, lParam);
    }

    ButtonSettings settings_;
    ControlFont font_;
    WNDPROC platformProc_ = nullptr;
};

}  // namespace

DWORD ButtonStyle(const ButtonSettings& settings) {
    static constexpr DWORD kHorizontal[] = {BS_LEFT, BS_CENTER, BS_RIGHT};
    static constexpr DWORD kVertical[] = {BS_TOP, BS_VCENTER, BS_BOTTOM};
    const DWORD type = settings.buttonType == 1 ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON;
    return type | kHorizontal[settings.hAlign] | kVertical[settings.vAlign] | WS_CHILD |
           WS_CLIPSIBLINGS | BS_MULTILINE;
}

std::unique_ptr<Control> CreateButton(const WindowItem& item, const ControlContext& context) {
    auto button = std::make_unique<Button>(item, context);
    if (!button->Create(item, context)) return nullptr;
    return button;
}

}  // namespace hint
