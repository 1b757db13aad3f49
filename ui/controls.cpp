#include "ui/controls.h"

#include <windowsx.h>

#include "ui/button.h"
#include "ui/label.h"

namespace hint {

bool InputEventFor(UINT message, std::int32_t& event) {
    switch (message) {
        case WM_LBUTTONDOWN:
        case WM_RBUTTONDOWN:
        case WM_MBUTTONDOWN: event = EventNumber(InputEvent::kMouseDown); return true;
        case WM_LBUTTONUP:
        case WM_RBUTTONUP:
        case WM_MBUTTONUP: event = EventNumber(InputEvent::kMouseUp); return true;
        case WM_LBUTTONDBLCLK: event = EventNumber(InputEvent::kDoubleClick); return true;
        case WM_MOUSEMOVE: event = EventNumber(InputEvent::kMouseMove); return true;
        case WM_KEYDOWN: event = EventNumber(InputEvent::kKeyDown); return true;
        case WM_KEYUP: event = EventNumber(InputEvent::kKeyUp); return true;
        case WM_CHAR: event = EventNumber(InputEvent::kCharacter); return true;
        case WM_SETFOCUS: event = EventNumber(InputEvent::kFocusGained); return true;
        case WM_KILLFOCUS: event = EventNumber(InputEvent::kFocusLost); return true;
        default: return false;
    }
}

EventArguments InputEventArguments(UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
        case WM_KILLFOCUS: return {};
        case WM_KEYDOWN:
        case WM_KEYUP:
        case WM_CHAR:
            return {static_cast<std::uint32_t>(wParam), static_cast<std::uint32_t>(lParam)};
        default:
            return {static_cast<std::uint32_t>(wParam),
                    static_cast<std::uint32_t>(GET_X_LPARAM(lParam)),
                    static_cast<std::uint32_t>(GET_Y_LPARAM(lParam))};
    }
}

void Control::Raise(std::int32_t event, EventArguments arguments) {
    if (!dispatcher_) return;
    EventNotice notice{window_, item_, event, std::move(arguments)};
    dispatcher_->RaiseEvent(notice);
}

bool Control::RaiseInputEvent(UINT message, WPARAM wParam, LPARAM lParam) {
    std::int32_t event = 0;
    if (!InputEventFor(message, event)) return false;
    Raise(event, InputEventArguments(message, wParam, lParam));
    return true;
}

ControlFont::ControlFont(const std::optional<FontDescription>& description) {
    if (!description) return;
    LOGFONTA font{};
    font.lfHeight = description->height;
    font.lfWidth = description->width;
    font.lfEscapement = description->escapement;
    font.lfOrientation = description->orientation;
    font.lfWeight = description->weight;
    font.lfItalic = description->italic;
    font.lfUnderline = description->underline;
    font.lfStrikeOut = description->strikeOut;
    font.lfCharSet = description->charSet;
    font.lfOutPrecision = description->outPrecision;
    font.lfClipPrecision = description->clipPrecision;
    font.lfQuality = description->quality;
    font.lfPitchAndFamily = description->pitchAndFamily;
    lstrcpynA(font.lfFaceName, description->faceName.c_str(), LF_FACESIZE);
    own_.Reset(CreateFontIndirectA(&font));
}

HFONT ControlFont::Get() const {
    if (own_) return static_cast<HFONT>(own_.Get());
    return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

std::unique_ptr<Control> CreateControl(const WindowItem& item, const ControlContext& context) {
    switch (item.kind) {
        case ItemKind::kLabel: return CreateLabel(item, context);
        case ItemKind::kButton: return CreateButton(item, context);
        case ItemKind::kWindow: break;
    }
    return nullptr;
}

}  // namespace hint
