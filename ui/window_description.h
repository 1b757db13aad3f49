// The declarative description of the program's windows: for each window an
// ordered list of items, item 0 being the window itself and the others its
// controls. The description is read once at start-up and never changed.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "ui/identifiers.h"

namespace hint {

// Colours are 0x00BBGGRR; this value stands for the system's button-face colour.
constexpr std::uint32_t kButtonFaceColor = 0xFF000000;

// An event's arguments, in order, and the handler's optional result.
using EventArguments = std::vector<std::uint32_t>;
using HandlerResult = std::optional<std::uint32_t>;
using Handler = HandlerResult (*)(const EventArguments& arguments);

// One (event number, handler) pair of an item. A null handler binds the event
// to nothing.
struct ItemBinding {
    std::int32_t event = 0;
    std::string handlerName;
    Handler handler = nullptr;
};

enum class ItemKind { kWindow, kLabel, kButton };

// A font laid out as the platform's logical font record.
struct FontDescription {
    std::int32_t height = 0;
    std::int32_t width = 0;
    std::int32_t escapement = 0;
    std::int32_t orientation = 0;
    std::int32_t weight = 0;
    std::uint8_t italic = 0;
    std::uint8_t underline = 0;
    std::uint8_t strikeOut = 0;
    std::uint8_t charSet = 0;
    std::uint8_t outPrecision = 0;
    std::uint8_t clipPrecision = 0;
    std::uint8_t quality = 0;
    std::uint8_t pitchAndFamily = 0;
    std::string faceName;
};

// Settings that every item has.
struct CommonSettings {
    std::string name;
    std::string comment;
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t width = 0;
    std::int32_t height = 0;
    std::int32_t mousePointer = 0;
    std::string tag;
    bool visible = true;
    bool disabled = false;
    bool tabStop = false;
    std::int32_t tabOrder = 0;
    std::optional<Identifier> container;
    std::optional<Identifier> bindingsFrom;
    std::int32_t reserved = 0;
};

struct WindowSettings {
    std::string caption;
    std::int32_t borderStyle = 2;
    bool controlBox = true;
    bool maxButton = false;
    bool minButton = true;
    std::int32_t startPosition = 1;
    bool movable = true;
    std::uint32_t backColor = kButtonFaceColor;
    bool escCloses = false;
    bool enterMovesFocus = false;
    bool f1Help = false;
    std::string helpFile;
    std::int32_t helpContext = 0;
    bool showInTaskbar = true;
    bool alwaysOnTop = false;
    bool keepTitleActive = false;
    bool dragAnywhere = false;
    std::int32_t shape = 0;
    std::int32_t pictureMode = 1;
    std::int32_t musicPlayCount = 0;
    std::string windowClassName;
};

struct LabelSettings {
    std::string caption;
    std::uint32_t textColor = 0;
    std::uint32_t backColor = kButtonFaceColor;
    std::int32_t hAlign = 0;
    std::int32_t vAlign = 1;
    bool wordWrap = false;
    std::optional<FontDescription> font;
    std::int32_t frameStyle = 0;
    std::int32_t textEffect = 0;
    std::int32_t gradientFrameWidth = 8;
    std::uint32_t gradientFrameColor1 = 0x808080;
    std::uint32_t gradientFrameColor2 = 0xFFFFFF;
    std::uint32_t gradientFrameColor3 = 0x808080;
    std::int32_t gradientMode = 0;
    std::uint32_t gradientColor1 = 0x808080;
    std::uint32_t gradientColor2 = 0xFFFFFF;
    std::uint32_t gradientColor3 = 0x808080;
    std::int32_t pictureMode = 1;
    std::string dataSource;
    std::string dataColumn;
};

struct ButtonSettings {
    std::int32_t buttonType = 0;
    std::int32_t hAlign = 1;
    std::int32_t vAlign = 1;
    std::optional<FontDescription> font;
    std::string caption;
};

struct WindowItem {
    Identifier id = 0;
    ItemKind kind = ItemKind::kWindow;
    CommonSettings common;
    std::vector<ItemBinding> bindings;
    std::variant<WindowSettings, LabelSettings, ButtonSettings> settings;

    // The text the item shows: the caption of its kind.
    const std::string& Caption() const;
};

struct WindowEntry {
    Identifier id = 0;
    std::uint32_t data = 0;
    std::string text1;
    std::string text2;
    std::vector<WindowItem> items;

    const WindowSettings& Settings() const { return std::get<WindowSettings>(items[0].settings); }
};

struct WindowDescription {
    std::vector<WindowEntry> windows;

    const WindowEntry* FindEntry(Identifier id) const;
};

// The item with the given identifier among `items`, or null.
const WindowItem* FindItem(const std::vector<WindowItem>& items, Identifier id);

// The name under which a kind is known in the description ("window", "label", "button").
const char* KindName(ItemKind kind);

}  // namespace hint
