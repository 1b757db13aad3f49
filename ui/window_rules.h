// The platform-independent rules of a window: where it is placed, which
// control gets the focus and what the keys it handles itself mean.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string_view>

namespace hint {

struct Point {
    std::int32_t x = 0;
    std::int32_t y = 0;
};

// The top-left corner that centres a frame of the given outer size on a screen;
// each division truncates toward zero, so a frame wider than the screen starts
// left of it.
constexpr Point CenteredOrigin(std::int32_t screenWidth, std::int32_t screenHeight,
                               std::int32_t width, std::int32_t height) {
    return {(screenWidth - width) / 2, (screenHeight - height) / 2};
}

// A control that may take the focus: it exists, is visible and enabled, has
// its tab stop on and is of a kind that can take the focus.
struct FocusCandidate {
    std::size_t position = 0;  // in the window's item list
    std::int32_t tabOrder = 0;
};

// The candidate with the smallest tab order; among equal ones the item stored
// later. Nothing when there is no candidate.
std::optional<std::size_t> FirstFocusCandidate(std::span<const FocusCandidate> candidates);

// The candidate after (or before) the one at `current` in tab order, wrapping
// around; from a position that is not a candidate, the first (or last) one.
std::optional<std::size_t> NextFocusCandidate(std::span<const FocusCandidate> candidates,
                                              std::optional<std::size_t> current, bool backwards);

enum class KeyCommand { kNone, kNextControl, kPreviousControl, kEnter, kEscape, kMnemonic };

struct KeyPress {
    std::uint32_t virtualKey = 0;
    bool ctrl = false;
    bool shift = false;
    bool alt = false;
};

// What a key press means to the window before its control sees it. A key
// named without a modifier matches only when Ctrl, Shift and Alt are all up.
KeyCommand ClassifyKey(const KeyPress& key);

// Whether `text` marks `key` (a letter or digit, any case) as its access key
// with "&"; "&&" stands for a plain "&". The text is in code page 936.
bool HasAccessKey(std::string_view text, char key);

}  // namespace hint
