// The push button: the platform's own "BUTTON" control. Its click comes back
// from the parent window as a notification and is raised as event 0.
#pragma once

#include <memory>

#include "ui/controls.h"

namespace hint {

std::unique_ptr<Control> CreateButton(const WindowItem& item, const ControlContext& context);

// The button styles that its own settings add to the item's styles.
DWORD ButtonStyle(const ButtonSettings& settings);

}  // namespace hint
