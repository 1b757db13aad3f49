#include "ui/description_reader.h"

#include <algorithm>
#include <charconv>
#include <cstdio>
#include <limits>
#include <optional>
#include <type_traits>
#include <vector>

namespace hint {
namespace {

// ---------------------------------------------------------------------------
// Lines and tokens

struct Token {
    bool quoted = false;
    std::string text;
};

struct Line {
    std::uint32_t number = 0;
    std::vector<Token> tokens;
};

// A lead byte of a double-byte character in code page 936. The byte after it
// belongs to the same character, even where it looks like '\' or '"'.
constexpr bool IsLeadByte(unsigned char byte) {
    return byte >= 0x81 && byte <= 0xFE;
}

constexpr bool IsWordByte(unsigned char byte) {
    return (byte >= 'a' && byte <= 'z') || (byte >= 'A' && byte <= 'Z') ||
           (byte >= '0' && byte <= '9') || byte == '_' || byte == '-' || byte == '+';
}

std::string LineNumberText(std::uint32_t number) {
    return std::to_string(number);
}

// Splits the text into lines of tokens, dropping comments and blank lines.
bool SplitLines(std::string_view text, std::vector<Line>& lines, ReadFailure& failure) {
    std::uint32_t number = 1;
    std::size_t pos = 0;
    Line current{number, {}};
    auto fail = [&](const char* reason) {
        failure.line = number;
        failure.reason = reason;
        return false;
    };
    auto endLine = [&]() {
        if (!current.tokens.empty()) lines.push_back(std::move(current));
        ++number;
        current = Line{number, {}};
    };
    while (pos < text.size()) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (byte == '\n') {
            endLine();
            ++pos;
        } else if (byte == ' ' || byte == '\t' || byte == '\r') {
            ++pos;
        } else if (byte == '#') {
            while (pos < text.size() && text[pos] != '\n') ++pos;
        } else if (byte == '"') {
            Token token{true, {}};
            ++pos;
            bool closed = false;
            while (pos < text.size()) {
                const auto c = static_cast<unsigned char>(text[pos]);
                if (c == '"') {
                    closed = true;
                    ++pos;
                    break;
                }
                if (c == '\n' || c == '\r') return fail("text not closed on its line");
                if (c == '\\') {
                    if (pos + 1 >= text.size()) return fail("text ends in an escape");
                    const char escaped = text[pos + 1];
                    if (escaped != '"' && escaped != '\\') return fail("unknown escape in text");
                    token.text.push_back(escaped);
                    pos += 2;
                } else if (IsLeadByte(c)) {
                    if (pos + 1 >= text.size()) return fail("text ends inside a character");
                    const auto trail = static_cast<unsigned char>(text[pos + 1]);
                    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) {
                        return fail("invalid double-byte character in text");
                    }
                    token.text.append(text.substr(pos, 2));
                    pos += 2;
                } else if (c < 0x20 || c == 0x7F || c == 0x80 || c == 0xFF) {
                    return fail("control byte in text");
                } else {
                    token.text.push_back(static_cast<char>(c));
                    ++pos;
                }
            }
            if (!closed) return fail("text not closed");
            current.tokens.push_back(std::move(token));
        } else if (IsWordByte(byte)) {
            Token token;
            while (pos < text.size() && IsWordByte(static_cast<unsigned char>(text[pos]))) {
                token.text.push_back(text[pos]);
                ++pos;
            }
            current.tokens.push_back(std::move(token));
        } else {
            return fail("unexpected byte");
        }
    }
    endLine();
    return true;
}

// ---------------------------------------------------------------------------
// Values

std::optional<std::int64_t> ParseNumber(const Token& token) {
    if (token.quoted || token.text.empty()) return std::nullopt;
    std::string_view digits = token.text;
    bool negative = false;
    if (digits.front() == '-') {
        negative = true;
        digits.remove_prefix(1);
    }
    int base = 10;
    if (digits.size() > 2 && digits[0] == '0' && (digits[1] == 'x' || digits[1] == 'X')) {
        base = 16;
        digits.remove_prefix(2);
    }
    if (digits.empty() || digits.size() > 16) return std::nullopt;
    std::int64_t value = 0;
    const auto [end, error] =
        std::from_chars(digits.data(), digits.data() + digits.size(), value, base);
    if (error != std::errc{} || end != digits.data() + digits.size()) return std::nullopt;
    return negative ? -value : value;
}

bool IsWord(const Token& token, std::string_view word) {
    return !token.quoted && token.text == word;
}

std::string HexText(std::uint32_t value) {
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "0x%08X", static_cast<unsigned>(value));
    return buffer;
}

// ---------------------------------------------------------------------------
// Settings: each is a name and a rule that checks the value and stores it.

using Values = std::vector<Token>;
using Apply = bool (*)(WindowItem& item, const Values& values, std::string& why);

struct Field {
    std::string_view name;
    Apply apply;
};

template <class T>
struct MemberTraits;
template <class S, class T>
struct MemberTraits<T S::*> {
    using Owner = S;
    using Type = T;
};

template <class S>
S& PartOf(WindowItem& item) {
    if constexpr (std::is_same_v<S, CommonSettings>) {
        return item.common;
    } else {
        return std::get<S>(item.settings);
    }
}

template <auto Member>
auto& Target(WindowItem& item) {
    return PartOf<typename MemberTraits<decltype(Member)>::Owner>(item).*Member;
}

bool SingleValue(const Values& values, std::string& why) {
    if (values.size() == 1) return true;
    why = values.empty() ? "value missing" : "more than one value";
    return false;
}

template <auto Member, std::int64_t Min, std::int64_t Max>
bool ApplyInteger(WindowItem& item, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    const auto number = ParseNumber(values[0]);
    if (!number) {
        why = "not a number";
        return false;
    }
    if (*number < Min || *number > Max) {
        why = "value out of range";
        return false;
    }
    Target<Member>(item) = static_cast<typename MemberTraits<decltype(Member)>::Type>(*number);
    return true;
}

template <auto Member>
constexpr Field Integer(std::string_view name) {
    return {name, &ApplyInteger<Member, std::numeric_limits<std::int32_t>::min(),
                                std::numeric_limits<std::int32_t>::max()>};
}

template <auto Member, std::int64_t Min, std::int64_t Max>
constexpr Field Ranged(std::string_view name) {
    return {name, &ApplyInteger<Member, Min, Max>};
}

// A colour 0x00BBGGRR, or the button-face colour where the setting allows it.
template <auto Member, bool AllowButtonFace>
bool ApplyColor(WindowItem& item, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    const auto number = ParseNumber(values[0]);
    if (!number) {
        why = "not a number";
        return false;
    }
    const bool plain = *number >= 0 && *number <= 0xFFFFFF;
    const bool buttonFace = AllowButtonFace && *number == kButtonFaceColor;
    if (!plain && !buttonFace) {
        why = "not a colour";
        return false;
    }
    Target<Member>(item) = static_cast<std::uint32_t>(*number);
    return true;
}

template <auto Member>
constexpr Field Color(std::string_view name) {
    return {name, &ApplyColor<Member, false>};
}
template <auto Member>
constexpr Field BackColor(std::string_view name) {
    return {name, &ApplyColor<Member, true>};
}

template <auto Member>
bool ApplyFlag(WindowItem& item, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    if (IsWord(values[0], "on")) {
        Target<Member>(item) = true;
    } else if (IsWord(values[0], "off")) {
        Target<Member>(item) = false;
    } else {
        why = "not on or off";
        return false;
    }
    return true;
}

template <auto Member>
constexpr Field Flag(std::string_view name) {
    return {name, &ApplyFlag<Member>};
}

// Texts shown by the platform are limited to what a window text can hold.
constexpr std::size_t kLongestText = 32767;

template <auto Member>
bool ApplyText(WindowItem& item, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    if (!values[0].quoted) {
        why = "not a quoted text";
        return false;
    }
    if (values[0].text.size() > kLongestText) {
        why = "text too long";
        return false;
    }
    Target<Member>(item) = values[0].text;
    return true;
}

template <auto Member>
constexpr Field Text(std::string_view name) {
    return {name, &ApplyText<Member>};
}

// A text setting whose feature the runtime does not offer: only "" is taken.
bool ApplyEmptyText(WindowItem&, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    if (!values[0].quoted || !values[0].text.empty()) {
        why = "only \"\" is supported";
        return false;
    }
    return true;
}

constexpr Field EmptyText(std::string_view name) {
    return {name, &ApplyEmptyText};
}

// A picture, icon or sound setting: the runtime draws and plays none.
bool ApplyNone(WindowItem&, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    if (!IsWord(values[0], "none")) {
        why = "only none is supported";
        return false;
    }
    return true;
}

constexpr Field NoneOnly(std::string_view name) {
    return {name, &ApplyNone};
}

template <auto Member>
bool ApplyOptionalItem(WindowItem& item, const Values& values, std::string& why) {
    if (!SingleValue(values, why)) return false;
    if (IsWord(values[0], "none")) {
        Target<Member>(item).reset();
        return true;
    }
    const auto number = ParseNumber(values[0]);
    if (!number || *number < 0 || *number > 0xFFFFFFFF ||
        !IsItemIdentifier(static_cast<Identifier>(*number))) {
        why = "not an item identifier or none";
        return false;
    }
    Target<Member>(item) = static_cast<Identifier>(*number);
    return true;
}

template <auto Member>
constexpr Field OptionalItem(std::string_view name) {
    return {name, &ApplyOptionalItem<Member>};
}

constexpr std::size_t kFontFieldCount = 14;  // 13 numbers and the face name
constexpr std::size_t kLongestFaceName = 31;

bool ReadFont(const Values& values, FontDescription& font, std::string& why) {
    if (values.size() != kFontFieldCount) {
        why = "a font needs 13 numbers and a face name";
        return false;
    }
    std::int64_t numbers[kFontFieldCount - 1];
    for (std::size_t i = 0; i + 1 < kFontFieldCount; ++i) {
        const auto number = ParseNumber(values[i]);
        const std::int64_t low = i < 5 ? std::numeric_limits<std::int32_t>::min() : 0;
        const std::int64_t high = i < 5 ? std::numeric_limits<std::int32_t>::max() : 255;
        if (!number || *number < low || *number > high) {
            why = "font field " + std::to_string(i + 1) + " out of range";
            return false;
        }
        numbers[i] = *number;
    }
    const Token& face = values.back();
    if (!face.quoted || face.text.size() > kLongestFaceName) {
        why = "font face name must be a text of at most 31 bytes";
        return false;
    }
    font.height = static_cast<std::int32_t>(numbers[0]);
    font.width = static_cast<std::int32_t>(numbers[1]);
    font.escapement = static_cast<std::int32_t>(numbers[2]);
    font.orientation = static_cast<std::int32_t>(numbers[3]);
    font.weight = static_cast<std::int32_t>(numbers[4]);
    font.italic = static_cast<std::uint8_t>(numbers[5]);
    font.underline = static_cast<std::uint8_t>(numbers[6]);
    font.strikeOut = static_cast<std::uint8_t>(numbers[7]);
    font.charSet = static_cast<std::uint8_t>(numbers[8]);
    font.outPrecision = static_cast<std::uint8_t>(numbers[9]);
    font.clipPrecision = static_cast<std::uint8_t>(numbers[10]);
    font.quality = static_cast<std::uint8_t>(numbers[11]);
    font.pitchAndFamily = static_cast<std::uint8_t>(numbers[12]);
    font.faceName = face.text;
    return true;
}

template <auto Member>
bool ApplyFont(WindowItem& item, const Values& values, std::string& why) {
    if (values.size() == 1 && IsWord(values[0], "none")) {
        Target<Member>(item).reset();
        return true;
    }
    FontDescription font;
    if (!ReadFont(values, font, why)) return false;
    Target<Member>(item) = std::move(font);
    return true;
}

template <auto Member>
constexpr Field Font(std::string_view name) {
    return {name, &ApplyFont<Member>};
}

using C = CommonSettings;
using W = WindowSettings;
using L = LabelSettings;
using B = ButtonSettings;

constexpr Field kCommonFields[] = {
    Text<&C::name>("name"),
    Text<&C::comment>("comment"),
    Integer<&C::left>("left"),
    Integer<&C::top>("top"),
    Ranged<&C::width, 0, 32767>("width"),
    Ranged<&C::height, 0, 32767>("height"),
    // Only the platform's own pointer is offered.
    Ranged<&C::mousePointer, 0, 0>("mousePointer"),
    Text<&C::tag>("tag"),
    Flag<&C::visible>("visible"),
    Flag<&C::disabled>("disabled"),
    Flag<&C::tabStop>("tabStop"),
    Integer<&C::tabOrder>("tabOrder"),
    OptionalItem<&C::container>("container"),
    OptionalItem<&C::bindingsFrom>("bindingsFrom"),
    Integer<&C::reserved>("reserved"),
};

constexpr Field kWindowFields[] = {
    Text<&W::caption>("caption"),
    // 0 no border, 1 resizable, 2 fixed.
    Ranged<&W::borderStyle, 0, 2>("borderStyle"),
    Flag<&W::controlBox>("controlBox"),
    Flag<&W::maxButton>("maxButton"),
    Flag<&W::minButton>("minButton"),
    // 0 at the declared position, 1 centred on the primary screen.
    Ranged<&W::startPosition, 0, 1>("startPosition"),
    Flag<&W::movable>("movable"),
    BackColor<&W::backColor>("backColor"),
    NoneOnly("icon"),
    Flag<&W::escCloses>("escCloses"),
    Flag<&W::enterMovesFocus>("enterMovesFocus"),
    Flag<&W::f1Help>("f1Help"),
    EmptyText("helpFile"),
    Ranged<&W::helpContext, 0, 0>("helpContext"),
    Flag<&W::showInTaskbar>("showInTaskbar"),
    Flag<&W::alwaysOnTop>("alwaysOnTop"),
    Flag<&W::keepTitleActive>("keepTitleActive"),
    Flag<&W::dragAnywhere>("dragAnywhere"),
    Ranged<&W::shape, 0, 0>("shape"),
    NoneOnly("backPicture"),
    Ranged<&W::pictureMode, 0, 3>("pictureMode"),
    NoneOnly("backMusic"),
    Ranged<&W::musicPlayCount, 0, 0>("musicPlayCount"),
    EmptyText("windowClassName"),
};

constexpr Field kLabelFields[] = {
    Text<&L::caption>("caption"),
    Color<&L::textColor>("textColor"),
    BackColor<&L::backColor>("backColor"),
    Ranged<&L::hAlign, 0, 2>("hAlign"),
    Ranged<&L::vAlign, 0, 2>("vAlign"),
    Flag<&L::wordWrap>("wordWrap"),
    Font<&L::font>("font"),
    Ranged<&L::frameStyle, 0, 0>("frameStyle"),
    Ranged<&L::textEffect, 0, 0>("textEffect"),
    Ranged<&L::gradientFrameWidth, 0, 255>("gradientFrameWidth"),
    Color<&L::gradientFrameColor1>("gradientFrameColor1"),
    Color<&L::gradientFrameColor2>("gradientFrameColor2"),
    Color<&L::gradientFrameColor3>("gradientFrameColor3"),
    Ranged<&L::gradientMode, 0, 0>("gradientMode"),
    Color<&L::gradientColor1>("gradientColor1"),
    Color<&L::gradientColor2>("gradientColor2"),
    Color<&L::gradientColor3>("gradientColor3"),
    NoneOnly("backPicture"),
    Ranged<&L::pictureMode, 0, 3>("pictureMode"),
    EmptyText("dataSource"),
    EmptyText("dataColumn"),
};

constexpr Field kButtonFields[] = {
    // 0 a normal push button, 1 the default push button.
    Ranged<&B::buttonType, 0, 1>("buttonType"),
    Ranged<&B::hAlign, 0, 2>("hAlign"),
    Ranged<&B::vAlign, 0, 2>("vAlign"),
    NoneOnly("picture"),
    Font<&B::font>("font"),
    Text<&B::caption>("caption"),
};

std::span<const Field> KindFields(ItemKind kind) {
    switch (kind) {
        case ItemKind::kWindow: return kWindowFields;
        case ItemKind::kLabel: return kLabelFields;
        case ItemKind::kButton: return kButtonFields;
    }
    return {};
}

// ---------------------------------------------------------------------------
// The reader proper

class Reader {
  public:
    Reader(const std::vector<Line>& lines, std::span<const NamedHandler> handlers,
           ReadFailure& failure)
        : lines_(lines), handlers_(handlers), failure_(failure) {}

    bool ReadDescription(WindowDescription& description) {
        std::size_t windowCount = 0;
        if (!ReadCount("windows", 0, windowCount)) return false;
        for (std::size_t i = 0; i < windowCount; ++i) {
            WindowEntry window;
            if (!ReadWindow(description, window)) return false;
            description.windows.push_back(std::move(window));
        }
        failure_.window.clear();
        failure_.item.clear();
        failure_.setting.clear();
        if (next_ < lines_.size())
            return Fail(&lines_[next_], "unexpected line after the last window");
        return true;
    }

  private:
    bool Fail(const Line* line, std::string reason) {
        failure_.line = line ? line->number : (lines_.empty() ? 0 : lines_.back().number);
        failure_.reason = std::move(reason);
        return false;
    }

    // The next line, which must start with `keyword`.
    const Line* Take(std::string_view keyword) {
        failure_.setting = std::string(keyword);
        if (next_ >= lines_.size()) {
            Fail(nullptr, "description ends before \"" + std::string(keyword) + "\"");
            return nullptr;
        }
        const Line& line = lines_[next_];
        if (!IsWord(line.tokens[0], keyword)) {
            Fail(&line, "expected \"" + std::string(keyword) + "\"");
            return nullptr;
        }
        ++next_;
        return &line;
    }

    bool ReadValueLine(std::string_view keyword, std::size_t valueCount, const Line*& line) {
        line = Take(keyword);
        if (!line) return false;
        if (line->tokens.size() != valueCount + 1) return Fail(line, "wrong number of values");
        return true;
    }

    // A count of blocks that follow, each at least `linesPerBlock` lines long;
    // a count the rest of the description cannot hold is rejected at once.
    bool ReadCount(std::string_view keyword, std::size_t minimum, std::size_t& count) {
        const Line* line = nullptr;
        if (!ReadValueLine(keyword, 1, line)) return false;
        const auto number = ParseNumber(line->tokens[1]);
        if (!number || *number < static_cast<std::int64_t>(minimum)) {
            return Fail(line, "not a valid count");
        }
        const auto remaining = static_cast<std::int64_t>(lines_.size() - next_);
        if (*number > remaining) return Fail(line, "count exceeds the description's size");
        count = static_cast<std::size_t>(*number);
        return true;
    }

    bool ReadIdentifier(const Token& token, bool (*valid)(Identifier), Identifier& id) {
        const auto number = ParseNumber(token);
        if (!number || *number < 0 || *number > 0xFFFFFFFF) return false;
        id = static_cast<Identifier>(*number);
        return valid(id);
    }

    bool ReadWindow(const WindowDescription& description, WindowEntry& window) {
        failure_.item.clear();
        const Line* line = nullptr;
        if (!ReadValueLine("window", 1, line)) return false;
        if (!ReadIdentifier(line->tokens[1], IsWindowIdentifier, window.id)) {
            return Fail(line, "not a window identifier");
        }
        failure_.window = HexText(window.id);
        if (description.FindEntry(window.id)) return Fail(line, "window declared twice");

        if (!ReadValueLine("data", 1, line)) return false;
        const auto data = ParseNumber(line->tokens[1]);
        if (!data || *data < 0 || *data > 0xFFFFFFFF) return Fail(line, "value out of range");
        window.data = static_cast<std::uint32_t>(*data);
        if (!ReadWindowText("text1", window.text1) || !ReadWindowText("text2", window.text2)) {
            return false;
        }

        std::size_t itemCount = 0;
        if (!ReadCount("items", 1, itemCount)) return false;
        for (std::size_t i = 0; i < itemCount; ++i) {
            WindowItem item;
            if (!ReadItem(window, i == 0, item)) return false;
            window.items.push_back(std::move(item));
        }
        return true;
    }

    bool ReadWindowText(std::string_view keyword, std::string& text) {
        const Line* line = nullptr;
        if (!ReadValueLine(keyword, 1, line)) return false;
        if (!line->tokens[1].quoted) return Fail(line, "not a quoted text");
        if (line->tokens[1].text.size() > kLongestText) return Fail(line, "text too long");
        text = line->tokens[1].text;
        return true;
    }

    bool ReadItem(const WindowEntry& window, bool first, WindowItem& item) {
        failure_.item.clear();
        const Line* line = nullptr;
        if (!ReadValueLine("item", 2, line)) return false;
        if (!ReadIdentifier(line->tokens[1], IsItemIdentifier, item.id)) {
            return Fail(line, "not an item identifier");
        }
        failure_.item = HexText(item.id);
        if (IsMenuEntryIdentifier(item.id)) return Fail(line, "menu entries are not supported");
        if (FindItem(window.items, item.id)) return Fail(line, "item declared twice");
        const Token& kind = line->tokens[2];
        if (first) {
            if (!IsWord(kind, "window")) return Fail(line, "item 0 must be the window itself");
            item.kind = ItemKind::kWindow;
            item.settings = WindowSettings{};
        } else if (IsWord(kind, "label")) {
            item.kind = ItemKind::kLabel;
            item.settings = LabelSettings{};
        } else if (IsWord(kind, "button")) {
            item.kind = ItemKind::kButton;
            item.settings = ButtonSettings{};
        } else {
            return Fail(line, "unknown control kind");
        }
        return ReadSettings(item) && ReadBindings(item);
    }

    bool ReadSettings(WindowItem& item) {
        const std::span<const Field> own = KindFields(item.kind);
        std::vector<bool> seen(std::size(kCommonFields) + own.size(), false);
        while (next_ < lines_.size() && !IsWord(lines_[next_].tokens[0], "bindings")) {
            const Line& line = lines_[next_++];
            const Token& name = line.tokens[0];
            failure_.setting = name.text;
            if (name.quoted) return Fail(&line, "expected a setting name");
            std::size_t index = 0;
            const Field* field = Lookup(name.text, own, index);
            if (!field)
                return Fail(&line, "unknown setting for a " + std::string(KindName(item.kind)));
            if (seen[index]) return Fail(&line, "setting given twice");
            seen[index] = true;
            std::string why;
            const Values values(line.tokens.begin() + 1, line.tokens.end());
            if (!field->apply(item, values, why)) return Fail(&line, why);
        }
        for (std::size_t index = 0; index < seen.size(); ++index) {
            if (seen[index]) continue;
            failure_.setting = std::string(index < std::size(kCommonFields)
                                               ? kCommonFields[index].name
                                               : own[index - std::size(kCommonFields)].name);
            return Fail(next_ < lines_.size() ? &lines_[next_] : nullptr, "setting missing");
        }
        return true;
    }

    static const Field* Lookup(std::string_view name, std::span<const Field> own,
                               std::size_t& index) {
        for (std::size_t i = 0; i < std::size(kCommonFields); ++i) {
            if (kCommonFields[i].name == name) {
                index = i;
                return &kCommonFields[i];
            }
        }
        for (std::size_t i = 0; i < own.size(); ++i) {
            if (own[i].name == name) {
                index = std::size(kCommonFields) + i;
                return &own[i];
            }
        }
        return nullptr;
    }

    bool ReadBindings(WindowItem& item) {
        std::size_t count = 0;
        if (!ReadCount("bindings", 0, count)) return false;
        for (std::size_t i = 0; i < count; ++i) {
            const Line* line = nullptr;
            if (!ReadValueLine("event", 2, line)) return false;
            const auto event = ParseNumber(line->tokens[1]);
            if (!event || *event < std::numeric_limits<std::int32_t>::min() ||
                *event > std::numeric_limits<std::int32_t>::max()) {
                return Fail(line, "not an event number");
            }
            const Token& name = line->tokens[2];
            ItemBinding binding{static_cast<std::int32_t>(*event), name.text, nullptr};
            if (!IsWord(name, "none")) {
                const auto handler = std::find_if(
                    handlers_.begin(), handlers_.end(),
                    [&](const NamedHandler& named) { return named.name == name.text; });
                if (name.quoted || handler == handlers_.end()) {
                    return Fail(line, "no routine of the program is named \"" + name.text + "\"");
                }
                binding.handler = handler->handler;
            }
            item.bindings.push_back(std::move(binding));
        }
        return true;
    }

    const std::vector<Line>& lines_;
    std::span<const NamedHandler> handlers_;
    ReadFailure& failure_;
    std::size_t next_ = 0;
};

}  // namespace

std::string ReadFailure::Describe() const {
    std::string text = "line " + LineNumberText(line);
    if (!window.empty()) text += ", window " + window;
    if (!item.empty()) text += ", item " + item;
    if (!setting.empty()) text += ", setting \"" + setting + "\"";
    return text + ": " + reason;
}

bool ReadWindowDescription(std::string_view text, std::span<const NamedHandler> handlers,
                           WindowDescription& description, ReadFailure& failure) {
    description = WindowDescription{};
    failure = ReadFailure{};
    std::vector<Line> lines;
    WindowDescription read;
    if (!SplitLines(text, lines, failure)) return false;
    Reader reader(lines, handlers, failure);
    if (!reader.ReadDescription(read)) return false;
    description = std::move(read);
    failure = ReadFailure{};
    return true;
}

}  // namespace hint
