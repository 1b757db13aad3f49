// Identifiers of windows and their items: unsigned 32-bit values whose top
// four bits are a category, the next four a kind and the low 24 bits a
// serial number.
#pragma once

#include <cstdint>

namespace hint {

using Identifier = std::uint32_t;

constexpr std::uint32_t CategoryOf(Identifier id) {
    return id >> 28;
}
constexpr std::uint32_t KindOf(Identifier id) {
    return (id >> 24) & 0xFu;
}
constexpr std::uint32_t SerialOf(Identifier id) {
    return id & 0xFFFFFFu;
}

// A value with a zero kind or serial names nothing.
constexpr bool IsIdentifier(Identifier id) {
    return KindOf(id) != 0 && SerialOf(id) != 0;
}

constexpr std::uint32_t kWindowKind = 2;
constexpr std::uint32_t kItemKind = 6;
constexpr std::uint32_t kMenuEntryCategory = 2;

constexpr bool IsWindowIdentifier(Identifier id) {
    return IsIdentifier(id) && KindOf(id) == kWindowKind;
}
constexpr bool IsItemIdentifier(Identifier id) {
    return IsIdentifier(id) && KindOf(id) == kItemKind;
}
constexpr bool IsMenuEntryIdentifier(Identifier id) {
    return IsItemIdentifier(id) && CategoryOf(id) == kMenuEntryCategory;
}

// The program's one window.
constexpr Identifier kMainWindowId = 0x52010001;

}  // namespace hint
