// The label: a line (or lines) of text on a background of its own colour,
// drawn by the label itself. It never takes the focus.
#pragma once

#include <memory>

#include "ui/controls.h"

namespace hint {

std::unique_ptr<Control> CreateLabel(const WindowItem& item, const ControlContext& context);

// The DrawText layout flags for the label's alignment settings.
UINT LabelTextFormat(const LabelSettings& settings);

}  // namespace hint
