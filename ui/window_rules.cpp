#include "ui/window_rules.h"

#include <algorithm>
#include <vector>

namespace hint {
namespace {

constexpr std::uint32_t kVirtualKeyTab = 0x09;
constexpr std::uint32_t kVirtualKeyReturn = 0x0D;
constexpr std::uint32_t kVirtualKeyEscape = 0x1B;

// Candidates in the order Tab visits them: ascending tab order, and among
// equal tab orders the later item first, as it wins the first focus.
std::vector<FocusCandidate> TabSequence(std::span<const FocusCandidate> candidates) {
    std::vector<FocusCandidate> sequence(candidates.begin(), candidates.end());
    std::stable_sort(sequence.begin(), sequence.end(), [](const auto& a, const auto& b) {
        if (a.tabOrder != b.tabOrder) return a.tabOrder < b.tabOrder;
        return a.position > b.position;
    });
    return sequence;
}

char Upper(char c) {
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

}  // namespace

std::optional<std::size_t> FirstFocusCandidate(std::span<const FocusCandidate> candidates) {
    const auto sequence = TabSequence(candidates);
    if (sequence.empty()) return std::nullopt;
    return sequence.front().position;
}

std::optional<std::size_t> NextFocusCandidate(std::span<const FocusCandidate> candidates,
                                              std::optional<std::size_t> current, bool backwards) {
    const auto sequence = TabSequence(candidates);
    if (sequence.empty()) return std::nullopt;
    const auto at = std::find_if(sequence.begin(), sequence.end(), [&](const FocusCandidate& c) {
        return current && c.position == *current;
    });
    const auto count = static_cast<std::ptrdiff_t>(sequence.size());
    if (at == sequence.end()) return (backwards ? sequence.back() : sequence.front()).position;
    const std::ptrdiff_t index = at - sequence.begin();
    const std::ptrdiff_t next = (index + (backwards ? count - 1 : 1)) % count;
    return sequence[static_cast<std::size_t>(next)].position;
}

KeyCommand ClassifyKey(const KeyPress& key) {
    const bool noModifier = !key.ctrl && !key.shift && !key.alt;
    switch (key.virtualKey) {
        case kVirtualKeyTab:
            if (noModifier) return KeyCommand::kNextControl;
            if (key.shift && !key.ctrl && !key.alt) return KeyCommand::kPreviousControl;
            return KeyCommand::kNone;
        case kVirtualKeyReturn: return noModifier ? KeyCommand::kEnter : KeyCommand::kNone;
        case kVirtualKeyEscape: return noModifier ? KeyCommand::kEscape : KeyCommand::kNone;
        default: break;
    }
    const bool letterOrDigit = (key.virtualKey >= '0' && key.virtualKey <= '9') ||
                               (key.virtualKey >= 'A' && key.virtualKey <= 'Z');
    if (letterOrDigit && key.alt && !key.ctrl) return KeyCommand::kMnemonic;
    return KeyCommand::kNone;
}

bool HasAccessKey(std::string_view text, char key) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        const auto byte = static_cast<unsigned char>(text[i]);
        if (byte >= 0x81 && byte <= 0xFE) {
            ++i;  // the trail byte of a double-byte character is never "&"
            continue;
        }
        if (text[i] != '&' || i + 1 >= text.size()) continue;
        const char marked = text[i + 1];
        if (marked == '&') {
            ++i;
            continue;
        }
        if (Upper(marked) == Upper(key)) return true;
    }
    return false;
}

}  // namespace hint
