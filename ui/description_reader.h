// Reads the window description that the program file carries. The reader
// takes untrusted bytes: every count and length is checked against what is
// there, and a description is either read whole or rejected with the place
// where reading stopped.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "ui/window_description.h"

namespace hint {

// A routine of the program that the description may bind events to, by name.
struct NamedHandler {
    std::string_view name;
    Handler handler;
};

// Where and why reading stopped.
struct ReadFailure {
    std::uint32_t line = 0;  // 1-based; 0 when the whole text is at fault
    std::string window;      // the window's identifier, when known
    std::string item;        // the item's identifier, when known
    std::string setting;     // the setting's name, when known
    std::string reason;

    std::string Describe() const;
};

// Reads `text` into `description`, resolving every handler name through
// `handlers`. Returns false, with `failure` filled in and `description` left
// empty, when the text is not a complete and valid description.
bool ReadWindowDescription(std::string_view text, std::span<const NamedHandler> handlers,
                           WindowDescription& description, ReadFailure& failure);

}  // namespace hint
