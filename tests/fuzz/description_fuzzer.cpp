// Feeds arbitrary bytes to the window description reader. Whatever the input,
// the reader must not crash, leak or run away, and its answer must be
// consistent: an accepted description obeys every rule the reader enforces,
// a rejected one leaves the output empty and says why and where.
//
// Besides libFuzzer's byte mutations, the fuzzer changes inputs line by line
// and token by token (LLVMFuzzerCustomMutator): a description is long and a
// random byte rarely lands on a value, so boundary numbers, identifiers and
// words are put in place of whole tokens, and lines are repeated, dropped or
// moved.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "ui/description_reader.h"

namespace {

using hint::FindItem;
using hint::Identifier;
using hint::ItemKind;
using hint::kButtonFaceColor;
using hint::WindowDescription;
using hint::WindowEntry;
using hint::WindowItem;

hint::HandlerResult KnownHandler(const hint::EventArguments&) {
    return std::nullopt;
}

constexpr hint::NamedHandler kHandlers[] = {{"WriteLog", &KnownHandler}};

constexpr std::size_t kLongestText = 32767;
constexpr std::size_t kLongestFaceName = 31;

// Every broken rule stops the run at once, with the input kept as a reproducer.
void Require(bool condition) {
    if (!condition) __builtin_trap();
}

bool InRange(std::int64_t value, std::int64_t low, std::int64_t high) {
    return value >= low && value <= high;
}

bool IsColor(std::uint32_t value) {
    return value <= 0xFFFFFF;
}

bool IsBackColor(std::uint32_t value) {
    return IsColor(value) || value == kButtonFaceColor;
}

bool IsShortText(const std::string& text) {
    return text.size() <= kLongestText;
}

void CheckFont(const std::optional<hint::FontDescription>& font) {
    if (font) Require(font->faceName.size() <= kLongestFaceName);
}

void CheckOptionalItem(const std::optional<Identifier>& id) {
    if (id) Require(hint::IsItemIdentifier(*id));
}

void CheckCommon(const hint::CommonSettings& common) {
    Require(IsShortText(common.name));
    Require(IsShortText(common.comment));
    Require(IsShortText(common.tag));
    Require(InRange(common.width, 0, 32767));
    Require(InRange(common.height, 0, 32767));
    Require(common.mousePointer == 0);
    CheckOptionalItem(common.container);
    CheckOptionalItem(common.bindingsFrom);
}

void CheckWindowSettings(const hint::WindowSettings& settings) {
    Require(IsShortText(settings.caption));
    Require(InRange(settings.borderStyle, 0, 2));
    Require(InRange(settings.startPosition, 0, 1));
    Require(IsBackColor(settings.backColor));
    Require(settings.helpFile.empty());
    Require(settings.helpContext == 0);
    Require(settings.shape == 0);
    Require(InRange(settings.pictureMode, 0, 3));
    Require(settings.musicPlayCount == 0);
    Require(settings.windowClassName.empty());
}

void CheckLabelSettings(const hint::LabelSettings& settings) {
    Require(IsShortText(settings.caption));
    Require(IsColor(settings.textColor));
    Require(IsBackColor(settings.backColor));
    Require(InRange(settings.hAlign, 0, 2));
    Require(InRange(settings.vAlign, 0, 2));
    CheckFont(settings.font);
    Require(settings.frameStyle == 0);
    Require(settings.textEffect == 0);
    Require(InRange(settings.gradientFrameWidth, 0, 255));
    Require(IsColor(settings.gradientFrameColor1));
    Require(IsColor(settings.gradientFrameColor2));
    Require(IsColor(settings.gradientFrameColor3));
    Require(settings.gradientMode == 0);
    Require(IsColor(settings.gradientColor1));
    Require(IsColor(settings.gradientColor2));
    Require(IsColor(settings.gradientColor3));
    Require(InRange(settings.pictureMode, 0, 3));
    Require(settings.dataSource.empty());
    Require(settings.dataColumn.empty());
}

void CheckButtonSettings(const hint::ButtonSettings& settings) {
    Require(InRange(settings.buttonType, 0, 1));
    Require(InRange(settings.hAlign, 0, 2));
    Require(InRange(settings.vAlign, 0, 2));
    CheckFont(settings.font);
    Require(IsShortText(settings.caption));
}

void CheckBindings(const WindowItem& item) {
    for (const hint::ItemBinding& binding : item.bindings) {
        if (binding.handler == nullptr) {
            Require(binding.handlerName == "none");
        } else {
            Require(binding.handler == &KnownHandler);
            Require(binding.handlerName == "WriteLog");
        }
    }
}

void CheckItem(const WindowEntry& window, std::size_t position) {
    const WindowItem& item = window.items[position];
    Require(hint::IsItemIdentifier(item.id));
    Require(!hint::IsMenuEntryIdentifier(item.id));
    // The first item with this identifier must be this one: no identifier twice.
    Require(FindItem(window.items, item.id) == &item);
    if (position == 0) {
        Require(item.kind == ItemKind::kWindow);
    } else {
        Require(item.kind == ItemKind::kLabel || item.kind == ItemKind::kButton);
    }
    CheckCommon(item.common);
    switch (item.kind) {
        case ItemKind::kWindow:
            Require(std::holds_alternative<hint::WindowSettings>(item.settings));
            CheckWindowSettings(std::get<hint::WindowSettings>(item.settings));
            break;
        case ItemKind::kLabel:
            Require(std::holds_alternative<hint::LabelSettings>(item.settings));
            CheckLabelSettings(std::get<hint::LabelSettings>(item.settings));
            break;
        case ItemKind::kButton:
            Require(std::holds_alternative<hint::ButtonSettings>(item.settings));
            CheckButtonSettings(std::get<hint::ButtonSettings>(item.settings));
            break;
    }
    CheckBindings(item);
}

void CheckAccepted(const WindowDescription& description, const hint::ReadFailure& failure) {
    Require(failure.reason.empty());
    Require(failure.line == 0);
    for (const WindowEntry& window : description.windows) {
        Require(hint::IsWindowIdentifier(window.id));
        Require(description.FindEntry(window.id) == &window);
        Require(IsShortText(window.text1));
        Require(IsShortText(window.text2));
        Require(!window.items.empty());
        for (std::size_t position = 0; position < window.items.size(); ++position) {
            CheckItem(window, position);
        }
    }
}

void CheckRejected(std::string_view text, const WindowDescription& description,
                   const hint::ReadFailure& failure) {
    Require(description.windows.empty());
    Require(!failure.reason.empty());
    // The line named lies within the text: at most one past its last line break.
    std::uint64_t lines = 1;
    for (const char byte : text) lines += byte == '\n' ? 1 : 0;
    Require(failure.line <= lines);
    Require(!failure.Describe().empty());
}

// Two readings of the same text must agree on every field the checks see.
bool SameFailure(const hint::ReadFailure& a, const hint::ReadFailure& b) {
    return a.line == b.line && a.window == b.window && a.item == b.item && a.setting == b.setting &&
           a.reason == b.reason;
}

bool SameShape(const WindowDescription& a, const WindowDescription& b) {
    if (a.windows.size() != b.windows.size()) return false;
    for (std::size_t w = 0; w < a.windows.size(); ++w) {
        const WindowEntry& x = a.windows[w];
        const WindowEntry& y = b.windows[w];
        if (x.id != y.id || x.data != y.data || x.text1 != y.text1 || x.text2 != y.text2 ||
            x.items.size() != y.items.size()) {
            return false;
        }
        for (std::size_t i = 0; i < x.items.size(); ++i) {
            const WindowItem& p = x.items[i];
            const WindowItem& q = y.items[i];
            if (p.id != q.id || p.kind != q.kind || p.Caption() != q.Caption() ||
                p.common.name != q.common.name || p.common.left != q.common.left ||
                p.common.top != q.common.top || p.common.width != q.common.width ||
                p.common.height != q.common.height || p.bindings.size() != q.bindings.size()) {
                return false;
            }
            for (std::size_t k = 0; k < p.bindings.size(); ++k) {
                if (p.bindings[k].event != q.bindings[k].event ||
                    p.bindings[k].handlerName != q.bindings[k].handlerName ||
                    p.bindings[k].handler != q.bindings[k].handler) {
                    return false;
                }
            }
        }
    }
    return true;
}

// ---------------------------------------------------------------------------
// Coverage the compiler cannot see: which setting was refused for which
// reason, and which classes of values an accepted description holds. An input
// that reaches a new one is kept, so that accepted descriptions with unusual
// values stay in the corpus and are mutated further; without this nearly
// every kept input is a rejected one.

constexpr std::size_t kFeatureSlots = 1 << 14;
[[gnu::used,
  gnu::section("__libfuzzer_extra_counters")]] std::uint8_t featureCounters[kFeatureSlots];

void Note(std::string_view what, std::int64_t detail) {
    std::uint64_t hash = 14695981039346656037ull;
    for (const char byte : what) {
        hash = (hash ^ static_cast<unsigned char>(byte)) * 1099511628211ull;
    }
    hash = (hash ^ static_cast<std::uint64_t>(detail)) * 1099511628211ull;
    featureCounters[hash % kFeatureSlots] = 1;
}

std::int64_t ValueClass(std::int64_t value) {
    constexpr std::int64_t kIntMin = std::numeric_limits<std::int32_t>::min();
    constexpr std::int64_t kIntMax = std::numeric_limits<std::int32_t>::max();
    constexpr std::int64_t kUintMax = std::numeric_limits<std::uint32_t>::max();
    constexpr std::int64_t kLimits[] = {
        kIntMin,          -2,      -1, 0, 1, 2, 3, 254, 255, 32766, 32767, 0xFFFFFF, kIntMax,
        kButtonFaceColor, kUintMax};
    std::int64_t index = 0;
    for (const std::int64_t limit : kLimits) {
        if (value < limit) return 2 * index;
        if (value == limit) return 2 * index + 1;
        ++index;
    }
    return 2 * index;
}

void NoteValue(std::string_view kind, std::string_view name, std::int64_t value) {
    Note(std::string(kind) + "." + std::string(name), ValueClass(value));
}

void NoteText(std::string_view kind, std::string_view name, const std::string& text) {
    NoteValue(kind, name, static_cast<std::int64_t>(text.size()));
}

void NoteFont(std::string_view kind, const std::optional<hint::FontDescription>& font) {
    NoteValue(kind, "font", font.has_value());
    if (!font) return;
    NoteValue(kind, "font.height", font->height);
    NoteValue(kind, "font.width", font->width);
    NoteValue(kind, "font.escapement", font->escapement);
    NoteValue(kind, "font.orientation", font->orientation);
    NoteValue(kind, "font.weight", font->weight);
    NoteValue(kind, "font.italic", font->italic);
    NoteValue(kind, "font.underline", font->underline);
    NoteValue(kind, "font.strikeOut", font->strikeOut);
    NoteValue(kind, "font.charSet", font->charSet);
    NoteValue(kind, "font.quality", font->quality);
    NoteValue(kind, "font.pitchAndFamily", font->pitchAndFamily);
    NoteText(kind, "font.faceName", font->faceName);
}

void NoteItem(const WindowItem& item) {
    const std::string_view kind = hint::KindName(item.kind);
    const hint::CommonSettings& common = item.common;
    NoteText(kind, "name", common.name);
    NoteText(kind, "comment", common.comment);
    NoteText(kind, "tag", common.tag);
    NoteValue(kind, "left", common.left);
    NoteValue(kind, "top", common.top);
    NoteValue(kind, "width", common.width);
    NoteValue(kind, "height", common.height);
    NoteValue(kind, "mousePointer", common.mousePointer);
    NoteValue(kind, "visible", common.visible);
    NoteValue(kind, "disabled", common.disabled);
    NoteValue(kind, "tabStop", common.tabStop);
    NoteValue(kind, "tabOrder", common.tabOrder);
    NoteValue(kind, "container", common.container.has_value());
    NoteValue(kind, "bindingsFrom", common.bindingsFrom.has_value());
    NoteValue(kind, "reserved", common.reserved);
    NoteValue(kind, "bindings", static_cast<std::int64_t>(item.bindings.size()));
    for (const hint::ItemBinding& binding : item.bindings) {
        NoteValue(kind, "event", binding.event);
        NoteValue(kind, "handler", binding.handler != nullptr);
    }
    NoteText(kind, "caption", item.Caption());
    if (const auto* window = std::get_if<hint::WindowSettings>(&item.settings)) {
        NoteValue(kind, "borderStyle", window->borderStyle);
        NoteValue(kind, "controlBox", window->controlBox);
        NoteValue(kind, "maxButton", window->maxButton);
        NoteValue(kind, "minButton", window->minButton);
        NoteValue(kind, "startPosition", window->startPosition);
        NoteValue(kind, "movable", window->movable);
        NoteValue(kind, "backColor", window->backColor);
        NoteValue(kind, "escCloses", window->escCloses);
        NoteValue(kind, "enterMovesFocus", window->enterMovesFocus);
        NoteValue(kind, "f1Help", window->f1Help);
        NoteValue(kind, "showInTaskbar", window->showInTaskbar);
        NoteValue(kind, "alwaysOnTop", window->alwaysOnTop);
        NoteValue(kind, "keepTitleActive", window->keepTitleActive);
        NoteValue(kind, "dragAnywhere", window->dragAnywhere);
        NoteValue(kind, "pictureMode", window->pictureMode);
    } else if (const auto* label = std::get_if<hint::LabelSettings>(&item.settings)) {
        NoteValue(kind, "textColor", label->textColor);
        NoteValue(kind, "backColor", label->backColor);
        NoteValue(kind, "hAlign", label->hAlign);
        NoteValue(kind, "vAlign", label->vAlign);
        NoteValue(kind, "wordWrap", label->wordWrap);
        NoteFont(kind, label->font);
        NoteValue(kind, "gradientFrameWidth", label->gradientFrameWidth);
        NoteValue(kind, "gradientFrameColor1", label->gradientFrameColor1);
        NoteValue(kind, "gradientFrameColor2", label->gradientFrameColor2);
        NoteValue(kind, "gradientFrameColor3", label->gradientFrameColor3);
        NoteValue(kind, "gradientColor1", label->gradientColor1);
        NoteValue(kind, "gradientColor2", label->gradientColor2);
        NoteValue(kind, "gradientColor3", label->gradientColor3);
        NoteValue(kind, "pictureMode", label->pictureMode);
    } else if (const auto* button = std::get_if<hint::ButtonSettings>(&item.settings)) {
        NoteValue(kind, "buttonType", button->buttonType);
        NoteValue(kind, "hAlign", button->hAlign);
        NoteValue(kind, "vAlign", button->vAlign);
        NoteFont(kind, button->font);
    }
}

void NoteAccepted(const WindowDescription& description) {
    NoteValue("description", "windows", static_cast<std::int64_t>(description.windows.size()));
    for (const WindowEntry& window : description.windows) {
        NoteValue("window", "data", window.data);
        NoteText("window", "text1", window.text1);
        NoteText("window", "text2", window.text2);
        NoteValue("window", "items", static_cast<std::int64_t>(window.items.size()));
        NoteValue("window", "start", window.id == hint::kMainWindowId);
        for (const WindowItem& item : window.items) NoteItem(item);
    }
}

void NoteRejected(const hint::ReadFailure& failure) {
    // The reason without the names it quotes, which would make each input new.
    const std::string_view reason =
        std::string_view(failure.reason).substr(0, failure.reason.find('"'));
    Note(std::string(reason) + "|" + failure.setting, !failure.item.empty());
}

// An output that already holds a window, so that a reader which forgets to
// empty it on failure is caught.
WindowDescription StaleDescription() {
    WindowDescription stale;
    WindowEntry window;
    window.id = hint::kMainWindowId;
    window.items.emplace_back();
    stale.windows.push_back(std::move(window));
    return stale;
}

hint::ReadFailure StaleFailure() {
    hint::ReadFailure stale;
    stale.line = std::numeric_limits<std::uint32_t>::max();
    stale.reason = "left over from an earlier reading";
    return stale;
}

// Descriptions the reader accepted, up to a few dozen, kept for the mutator:
// most mutations make a description unreadable, and a corpus that fills up
// with such inputs seldom gets back to the checks of accepted values.
class AcceptedPool {
  public:
    void Add(std::string_view text) {
        ++seen_;
        if (texts_.size() < kCapacity) {
            texts_.emplace_back(text);
        } else {
            // Each accepted input seen so far is kept with the same chance.
            const std::uint64_t slot = random_() % seen_;
            if (slot < kCapacity) texts_[slot] = std::string(text);
        }
    }
    bool Empty() const { return texts_.empty(); }
    const std::string& Pick(std::uint32_t random) const { return texts_[random % texts_.size()]; }

  private:
    static constexpr std::size_t kCapacity = 64;
    std::vector<std::string> texts_;
    std::uint64_t seen_ = 0;
    std::minstd_rand random_;
};

AcceptedPool& Accepted() {
    static AcceptedPool pool;
    return pool;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);

    WindowDescription description = StaleDescription();
    hint::ReadFailure failure = StaleFailure();
    const bool accepted = hint::ReadWindowDescription(text, kHandlers, description, failure);
    if (accepted) {
        CheckAccepted(description, failure);
        NoteAccepted(description);
        Accepted().Add(text);
    } else {
        CheckRejected(text, description, failure);
        NoteRejected(failure);
    }

    WindowDescription again = StaleDescription();
    hint::ReadFailure againFailure = StaleFailure();
    Require(hint::ReadWindowDescription(text, kHandlers, again, againFailure) == accepted);
    Require(SameFailure(failure, againFailure));
    Require(SameShape(description, again));

    // Without the handler table every binding to a routine must be refused,
    // while a description without such bindings reads the same.
    WindowDescription unbound = StaleDescription();
    hint::ReadFailure unboundFailure = StaleFailure();
    const bool unboundAccepted = hint::ReadWindowDescription(text, {}, unbound, unboundFailure);
    bool bindsRoutine = false;
    for (const WindowEntry& window : description.windows) {
        for (const WindowItem& item : window.items) {
            for (const hint::ItemBinding& binding : item.bindings) {
                bindsRoutine = bindsRoutine || binding.handler != nullptr;
            }
        }
    }
    if (!accepted) {
        Require(!unboundAccepted);
    } else {
        Require(unboundAccepted == !bindsRoutine);
        if (unboundAccepted) Require(SameShape(description, unbound));
    }
    return 0;
}

// ---------------------------------------------------------------------------
// Line and token mutations

extern "C" std::size_t LLVMFuzzerMutate(std::uint8_t* data, std::size_t size, std::size_t maxSize);

namespace {

// Numbers at and just past the limits the reader checks, its identifiers, and
// the other words and texts it knows; each list separated by blanks.
constexpr std::string_view kNumbers =
    "-1 0 1 2 3 4 255 256 32767 32768 -2147483648 -2147483649 2147483647 2147483648 "
    "0xFFFFFF 0x1000000 0xFF000000 0xFEFFFFFF 0xFFFFFFFF 0x100000000 0x -0x1 -0 0x0 "
    "00000000000000001 0000000000000000001 0x7FFFFFFFFFFFFFFF -9223372036854775808 "
    "0x52010001 0x12010007 0x52010002 0x06010000 0x16010002 0x16010003 0x26010001 "
    "0x06000001 0x16000000 0x02010001";
constexpr std::string_view kWords =
    "on off none \"\" \"none\" \"on\" WriteLog \"WriteLog\" window label button "
    "\"\\\\\" \"\\\"\" \"\xB0\xB4\" # \"#\"";

std::vector<std::string_view> SplitWords(std::string_view list) {
    std::vector<std::string_view> words;
    std::size_t start = 0;
    while (start < list.size()) {
        const std::size_t end = std::min(list.find(' ', start), list.size());
        words.push_back(list.substr(start, end - start));
        start = end + 1;
    }
    return words;
}

bool LooksNumeric(std::string_view token) {
    return !token.empty() && ((token[0] >= '0' && token[0] <= '9') || token[0] == '-');
}

using Lines = std::vector<std::string>;

Lines SplitAtBreaks(std::string_view text) {
    Lines lines;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        lines.emplace_back(text.substr(start, end - start));
        start = end + 1;
    }
    return lines;
}

std::string JoinLines(const Lines& lines) {
    std::string text;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (i != 0) text.push_back('\n');
        text += lines[i];
    }
    return text;
}

// The [begin, end) byte ranges of the blank-separated tokens of a line.
std::vector<std::pair<std::size_t, std::size_t>> TokenRanges(const std::string& line) {
    std::vector<std::pair<std::size_t, std::size_t>> ranges;
    std::size_t pos = 0;
    while (pos < line.size()) {
        while (pos < line.size() && (line[pos] == ' ' || line[pos] == '\t')) ++pos;
        const std::size_t begin = pos;
        while (pos < line.size() && line[pos] != ' ' && line[pos] != '\t') ++pos;
        if (pos > begin) ranges.emplace_back(begin, pos);
    }
    return ranges;
}

// Most often a value (a token after the line's first) of a line that is not a
// comment: that is where the reader's checks are.
void ReplaceToken(Lines& lines, std::minstd_rand& random) {
    std::vector<std::size_t> candidates;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const auto first = lines[i].find_first_not_of(" \t");
        if (first != std::string::npos && lines[i][first] != '#') candidates.push_back(i);
    }
    if (candidates.empty() || random() % 8 == 0) candidates.assign(1, random() % lines.size());
    std::string& line = lines[candidates[random() % candidates.size()]];
    const auto ranges = TokenRanges(line);
    if (ranges.empty()) return;
    const bool value = ranges.size() > 1 && random() % 8 != 0;
    const auto [begin, end] =
        value ? ranges[1 + random() % (ranges.size() - 1)] : ranges[random() % ranges.size()];
    std::string replacement;
    if (random() % 4 == 0) {
        // A token from elsewhere in the input.
        const std::string& other = lines[random() % lines.size()];
        const auto others = TokenRanges(other);
        if (others.empty()) return;
        const auto [from, to] = others[random() % others.size()];
        replacement = other.substr(from, to - from);
    } else {
        // Mostly one of the same sort, so that the line still reads.
        static const std::vector<std::string_view> numbers = SplitWords(kNumbers);
        static const std::vector<std::string_view> words = SplitWords(kWords);
        const bool numeric = LooksNumeric(std::string_view(line).substr(begin, end - begin));
        const auto& pool = (random() % 4 == 0) != numeric ? numbers : words;
        replacement = std::string(pool[random() % pool.size()]);
    }
    line.replace(begin, end - begin, replacement);
}

void MutateLines(Lines& lines, std::minstd_rand& random) {
    const std::size_t count = lines.size();
    const std::size_t a = random() % count;
    const std::size_t b = random() % count;
    switch (random() % 6) {
        case 0:
        case 1:
        case 2: ReplaceToken(lines, random); break;
        case 3: {
            const std::string copy = lines[a];
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(b), copy);
            break;
        }
        case 4:
            if (count > 1) lines.erase(lines.begin() + static_cast<std::ptrdiff_t>(a));
            break;
        case 5: {
            // A run of lines, such as a whole item, copied elsewhere.
            const std::size_t length = 1 + random() % std::min<std::size_t>(count - a, 64);
            const Lines run(lines.begin() + static_cast<std::ptrdiff_t>(a),
                            lines.begin() + static_cast<std::ptrdiff_t>(a + length));
            lines.insert(lines.begin() + static_cast<std::ptrdiff_t>(b), run.begin(), run.end());
            break;
        }
    }
}

}  // namespace

extern "C" std::size_t LLVMFuzzerCustomMutator(std::uint8_t* data, std::size_t size,
                                               std::size_t maxSize, unsigned int seed) {
    std::minstd_rand random(seed);
    if (random() % 3 == 0) return LLVMFuzzerMutate(data, size, maxSize);
    std::string_view base(reinterpret_cast<const char*>(data), size);
    // Half of the time the change starts from an accepted description instead.
    if (!Accepted().Empty() && random() % 2 == 0) {
        base = Accepted().Pick(static_cast<std::uint32_t>(random()));
    }
    if (base.empty()) return LLVMFuzzerMutate(data, size, maxSize);
    Lines lines = SplitAtBreaks(base);
    // Mostly a single change, which leaves an accepted description a chance to stay accepted.
    const unsigned rounds = random() % 4 == 0 ? 2 + random() % 3 : 1;
    for (unsigned round = 0; round < rounds; ++round) MutateLines(lines, random);
    const std::string text = JoinLines(lines);
    if (text.size() > maxSize) return LLVMFuzzerMutate(data, size, maxSize);
    std::memcpy(data, text.data(), text.size());
    return text.size();
}
