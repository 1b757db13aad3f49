// The controls of a window. Each kind has one create operation; the window
// builds its controls through CreateControl without knowing the kinds.
#pragma once

#include <windows.h>

#include <memory>

#include "app/handles.h"
#include "ui/event_table.h"
#include "ui/window_description.h"

namespace hint {

// What the window hands to a kind's create operation.
struct ControlContext {
    HWND parent = nullptr;
    DWORD itemStyles = 0;  // WS_DISABLED and WS_TABSTOP as the item declares them
    int controlNumber = 0;
    Identifier window = 0;
    EventDispatcher* dispatcher = nullptr;
};

class Control {
  public:
    virtual ~Control() = default;

    HWND Handle() const { return handle_; }
    Identifier Item() const { return item_; }

    // Whether the kind can ever take the focus.
    virtual bool CanTakeFocus() const = 0;
    // Whether Enter clicks the control when it is the default push button.
    virtual bool IsDefaultPushButton() const { return false; }
    // A notification the control sent its parent (WM_COMMAND), handed back to it.
    virtual void OnNotification(WORD /*code*/) {}
    // Presses the control as a click would; false when it cannot be clicked.
    virtual bool Click() { return false; }

  protected:
    Control(const ControlContext& context, Identifier item)
        : window_(context.window), item_(item), dispatcher_(context.dispatcher) {}

    void Raise(std::int32_t event, EventArguments arguments = {});
    // Raises the mouse, key and focus events that every item has; true when
    // `message` is one of them.
    bool RaiseInputEvent(UINT message, WPARAM wParam, LPARAM lParam);

    HWND handle_ = nullptr;

  private:
    Identifier window_;
    Identifier item_;
    EventDispatcher* dispatcher_;
};

// The font a control's font setting names: a font of its own, or the default
// GUI font when it names none.
class ControlFont {
  public:
    explicit ControlFont(const std::optional<FontDescription>& description);
    HFONT Get() const;

  private:
    UniqueGdiObject own_;
};

// Builds the control for `item`, not yet visible; null when the platform
// refuses to create it.
std::unique_ptr<Control> CreateControl(const WindowItem& item, const ControlContext& context);

// The input events of the window or a control, raised for the given item.
EventArguments InputEventArguments(UINT message, WPARAM wParam, LPARAM lParam);
bool InputEventFor(UINT message, std::int32_t& event);

}  // namespace hint
