// The description reader on the program's own description and on damaged ones.
#include "ui/description_reader.h"

#include <gtest/gtest.h>

#include <fstream>
#include <random>
#include <sstream>
#include <string>

namespace hint {
namespace {

int writeLogCalls = 0;
HandlerResult CountingWriteLog(const EventArguments&) {
    ++writeLogCalls;
    return std::nullopt;
}
constexpr NamedHandler kHandlers[] = {{"WriteLog", &CountingWriteLog}};

std::string RealDescription() {
    std::ifstream file(HINT_DESCRIPTION_FILE, std::ios::binary);
    std::stringstream text;
    text << file.rdbuf();
    return text.str();
}

// Replaces the first occurrence of `from`, which the test expects to be there.
std::string Replaced(std::string text, const std::string& from, const std::string& to) {
    const auto at = text.find(from);
    EXPECT_NE(at, std::string::npos) << "fixture text not found: " << from;
    if (at != std::string::npos) text.replace(at, from.size(), to);
    return text;
}

struct ReadResult {
    bool ok = false;
    WindowDescription description;
    ReadFailure failure;
};

ReadResult Read(std::string_view text) {
    ReadResult result;
    result.ok = ReadWindowDescription(text, kHandlers, result.description, result.failure);
    return result;
}

TEST(DescriptionReaderTest, ReadsTheProgramsDescription) {
    const std::string text = RealDescription();
    ASSERT_FALSE(text.empty()) << "cannot open " << HINT_DESCRIPTION_FILE;
    const ReadResult read = Read(text);
    ASSERT_TRUE(read.ok) << read.failure.Describe();

    ASSERT_EQ(read.description.windows.size(), 1u);
    const WindowEntry& window = read.description.windows[0];
    EXPECT_EQ(window.id, 0x52010001u);
    EXPECT_EQ(window.data, 0x19010004u);
    EXPECT_EQ(window.text1, "");
    EXPECT_EQ(window.text2, "");
    ASSERT_EQ(window.items.size(), 3u);

    const WindowItem& frame = window.items[0];
    EXPECT_EQ(frame.id, 0x06010000u);
    EXPECT_EQ(frame.kind, ItemKind::kWindow);
    EXPECT_EQ(frame.common.left, 50);
    EXPECT_EQ(frame.common.top, 50);
    EXPECT_EQ(frame.common.width, 263);
    EXPECT_EQ(frame.common.height, 108);
    EXPECT_TRUE(frame.common.visible);
    EXPECT_FALSE(frame.common.tabStop);
    EXPECT_TRUE(frame.bindings.empty());
    const auto& settings = std::get<WindowSettings>(frame.settings);
    EXPECT_EQ(settings.caption, "Hint");
    EXPECT_EQ(settings.borderStyle, 2);
    EXPECT_TRUE(settings.controlBox);
    EXPECT_FALSE(settings.maxButton);
    EXPECT_TRUE(settings.minButton);
    EXPECT_EQ(settings.startPosition, 1);
    EXPECT_TRUE(settings.movable);
    EXPECT_EQ(settings.backColor, kButtonFaceColor);
    EXPECT_TRUE(settings.escCloses);
    EXPECT_FALSE(settings.enterMovesFocus);
    EXPECT_TRUE(settings.showInTaskbar);
    EXPECT_FALSE(settings.alwaysOnTop);

    const WindowItem& label = window.items[1];
    EXPECT_EQ(label.id, 0x16010003u);
    EXPECT_EQ(label.kind, ItemKind::kLabel);
    EXPECT_EQ(label.common.name,
              "\xb1\xea\xc7\xa9"
              "1");  // "标签1" in code page 936
    EXPECT_EQ(label.common.left, 5);
    EXPECT_EQ(label.common.top, 5);
    EXPECT_EQ(label.common.width, 256);
    EXPECT_EQ(label.common.height, 27);
    EXPECT_FALSE(label.common.tabStop);
    const auto& labelSettings = std::get<LabelSettings>(label.settings);
    EXPECT_EQ(labelSettings.caption, "这是Tavrin写的程序。");
    EXPECT_EQ(labelSettings.textColor, 0u);
    EXPECT_EQ(labelSettings.backColor, kButtonFaceColor);
    EXPECT_EQ(labelSettings.hAlign, 0);
    EXPECT_EQ(labelSettings.vAlign, 1);
    EXPECT_FALSE(labelSettings.wordWrap);
    EXPECT_FALSE(labelSettings.font.has_value());
    EXPECT_EQ(labelSettings.gradientFrameColor2, 0xFFFFFFu);
    EXPECT_TRUE(label.bindings.empty());

    const WindowItem& button = window.items[2];
    EXPECT_EQ(button.id, 0x16010002u);
    EXPECT_EQ(button.kind, ItemKind::kButton);
    EXPECT_EQ(button.common.name, "按钮1");
    EXPECT_EQ(button.common.left, 168);
    EXPECT_EQ(button.common.top, 40);
    EXPECT_EQ(button.common.width, 80);
    EXPECT_EQ(button.common.height, 32);
    EXPECT_TRUE(button.common.tabStop);
    EXPECT_FALSE(button.common.disabled);
    const auto& buttonSettings = std::get<ButtonSettings>(button.settings);
    EXPECT_EQ(buttonSettings.caption, "写出日志");
    EXPECT_EQ(buttonSettings.buttonType, 0);
    EXPECT_EQ(buttonSettings.hAlign, 1);
    EXPECT_EQ(buttonSettings.vAlign, 1);

    // The one binding: the click (event 0) resolved to the program's routine.
    ASSERT_EQ(button.bindings.size(), 1u);
    EXPECT_EQ(button.bindings[0].event, 0);
    ASSERT_EQ(button.bindings[0].handler, &CountingWriteLog);
}

TEST(DescriptionReaderTest, EveryTruncationIsRejectedUnlessOnlyTheLastLineEndIsCut) {
    const std::string text = RealDescription();
    ASSERT_EQ(text.back(), '\n');
    for (std::size_t length = 0; length < text.size(); ++length) {
        const ReadResult read = Read(std::string_view(text).substr(0, length));
        const bool complete = length >= text.size() - 1;
        ASSERT_EQ(read.ok, complete) << "truncated to " << length << " bytes";
        if (!complete) {
            EXPECT_FALSE(read.failure.reason.empty()) << length;
            EXPECT_TRUE(read.description.windows.empty()) << length;
        }
    }
}

struct Damage {
    const char* what;
    std::string from;
    std::string to;
    std::string expectedSetting;  // where the reader must say it stopped
    std::string expectedReasonPart;
};

void PrintTo(const Damage& damage, std::ostream* out) {
    *out << damage.what;
}

class DamagedDescriptionTest : public testing::TestWithParam<Damage> {};

TEST_P(DamagedDescriptionTest, IsRejectedWithItsPlace) {
    const Damage& damage = GetParam();
    const std::string text = Replaced(RealDescription(), damage.from, damage.to);
    const ReadResult read = Read(text);
    ASSERT_FALSE(read.ok) << damage.what;
    EXPECT_TRUE(read.description.windows.empty());
    EXPECT_GT(read.failure.line, 0u) << read.failure.Describe();
    EXPECT_EQ(read.failure.setting, damage.expectedSetting) << read.failure.Describe();
    EXPECT_NE(read.failure.reason.find(damage.expectedReasonPart), std::string::npos)
        << read.failure.Describe();
}

INSTANTIATE_TEST_SUITE_P(
    Damages, DamagedDescriptionTest,
    testing::Values(
        Damage{"window count too large", "windows 1", "windows 2", "window", "ends before"},
        Damage{"window count far too large", "windows 1", "windows 4000000000", "windows",
               "exceeds"},
        Damage{"item count too large", "items 3", "items 99999", "items", "exceeds"},
        Damage{"item count too small", "items 3", "items 2", "", "unexpected line"},
        Damage{"negative count", "bindings 1", "bindings -1", "bindings", "count"},
        Damage{"binding count too large", "bindings 1", "bindings 5", "bindings", "exceeds"},
        Damage{"unknown handler", "event 0 WriteLog", "event 0 WriteLogs", "event", "no routine"},
        Damage{"handler given as text", "event 0 WriteLog", "event 0 \"WriteLog\"", "event",
               "no routine"},
        Damage{"window identifier of an item's kind", "window 0x52010001", "window 0x56010001",
               "window", "not a window identifier"},
        Damage{"window identifier without serial", "window 0x52010001", "window 0x52000000",
               "window", "not a window identifier"},
        Damage{"item identifier of a window's kind", "item 0x16010002", "item 0x12010002", "item",
               "not an item identifier"},
        Damage{"identifier beyond 32 bits", "item 0x16010002", "item 0x116010002", "item",
               "not an item identifier"},
        Damage{"same item twice", "item 0x16010002", "item 0x16010003", "item", "twice"},
        Damage{"first item not the window", "item 0x06010000 window", "item 0x06010000 label",
               "item", "item 0"},
        Damage{"unknown kind", "item 0x16010002 button", "item 0x16010002 slider", "item",
               "unknown control kind"},
        Damage{"alignment out of range", "hAlign 1", "hAlign 3", "hAlign", "out of range"},
        Damage{"width out of range", "width 80", "width -80", "width", "out of range"},
        Damage{"left beyond 32 bits", "left 168", "left 4294967296", "left", "out of range"},
        Damage{"not a number", "top 40", "top forty", "top", "not a number"},
        Damage{"flag neither on nor off", "tabStop on", "tabStop yes", "tabStop", "not on or off"},
        Damage{"colour with a stray high byte", "textColor 0", "textColor 0x01000000", "textColor",
               "not a colour"},
        Damage{"text not quoted", "caption \"Hint\"", "caption Hint", "caption", "quoted"},
        Damage{"picture the runtime cannot draw", "picture none", "picture \"a.bmp\"", "picture",
               "only none"},
        Damage{"setting given twice", "vAlign 1\n        picture", "vAlign 1\n        vAlign 1",
               "vAlign", "twice"},
        Damage{"setting missing",
               "        tag \"\"\n        visible on\n        disabled off\n"
               "        tabStop on",
               "        visible on\n        disabled off\n        tabStop on", "tag", "missing"},
        Damage{"setting of another kind", "buttonType 0", "wordWrap off", "wordWrap",
               "unknown setting"},
        Damage{"extra value", "top 40", "top 40 41", "top", "more than one value"},
        Damage{"text not closed", "caption \"写出日志\"", "caption \"写出日志", "", "not closed"},
        Damage{"unknown escape", "caption \"Hint\"", "caption \"Hi\\nt\"", "", "escape"},
        Damage{"zero byte", "tag \"\"", std::string("tag \"\0\"", 7), "", "control byte"},
        Damage{"stray byte", "reserved 0", "reserved 0 ;", "", "unexpected byte"},
        Damage{"font with too few fields", "font none", "font -12 0 0 0 400 \"SimSun\"", "font",
               "13 numbers"},
        Damage{"font field out of range", "font none",
               "font -12 0 0 0 400 0 0 0 256 0 0 0 0 \"SimSun\"", "font", "out of range"},
        Damage{"trailing block", "event 0 WriteLog", "event 0 WriteLog\nwindow 0x52010002", "",
               "unexpected line"}));

TEST(DescriptionReaderTest, DoubleByteCharactersMayEndInABackslashByte) {
    // "乗" is 0x81 0x5C in code page 936: its trail byte is no escape.
    const std::string text =
        Replaced(RealDescription(), "caption \"Hint\"", "caption \"\x81\x5C\"");
    const ReadResult read = Read(text);
    ASSERT_TRUE(read.ok) << read.failure.Describe();
    EXPECT_EQ(read.description.windows[0].items[0].Caption(), "\x81\x5C");
}

TEST(DescriptionReaderTest, ReadsEscapesAFontAndANoneBinding) {
    std::string text = Replaced(RealDescription(), "caption \"Hint\"", "caption \"a\\\"b\\\\c\"");
    text = Replaced(text, "font none\n        caption",
                    "font -12 0 0 0 700 1 0 0 134 0 0 0 0 \"SimSun\"\n        caption");
    text = Replaced(text, "event 0 WriteLog", "event 0 none");
    const ReadResult read = Read(text);
    ASSERT_TRUE(read.ok) << read.failure.Describe();
    const WindowEntry& window = read.description.windows[0];
    EXPECT_EQ(window.items[0].Caption(), "a\"b\\c");
    const auto& font = std::get<ButtonSettings>(window.items[2].settings).font;
    ASSERT_TRUE(font.has_value());
    EXPECT_EQ(font->height, -12);
    EXPECT_EQ(font->weight, 700);
    EXPECT_EQ(font->italic, 1);
    EXPECT_EQ(font->charSet, 134);
    EXPECT_EQ(font->faceName, "SimSun");
    ASSERT_EQ(window.items[2].bindings.size(), 1u);
    EXPECT_EQ(window.items[2].bindings[0].handler, nullptr);
}

TEST(DescriptionReaderTest, TextsHoldAtMostWhatAWindowTextCanHold) {
    const std::string longest(32767, 'x');
    const ReadResult fits =
        Read(Replaced(RealDescription(), "caption \"Hint\"", "caption \"" + longest + "\""));
    ASSERT_TRUE(fits.ok) << fits.failure.Describe();
    EXPECT_EQ(fits.description.windows[0].items[0].Caption().size(), 32767u);
    const ReadResult tooLong =
        Read(Replaced(RealDescription(), "caption \"Hint\"", "caption \"" + longest + "x\""));
    ASSERT_FALSE(tooLong.ok);
    EXPECT_EQ(tooLong.failure.setting, "caption");
    EXPECT_EQ(tooLong.failure.reason, "text too long");
}

TEST(DescriptionReaderTest, EmptyTextIsRejectedAndNoWindowsIsAnEmptyDescription) {
    EXPECT_FALSE(Read("").ok);
    EXPECT_FALSE(Read("# nothing but a comment\n").ok);
    const ReadResult none = Read("windows 0\n");
    ASSERT_TRUE(none.ok) << none.failure.Describe();
    EXPECT_TRUE(none.description.windows.empty());
}

TEST(DescriptionReaderTest, RandomDamageNeverCrashes) {
    // Sanitizers watch for reads past the end; every result must be a whole
    // description or a rejection with a reason.
    const std::string original = RealDescription();
    std::mt19937 random(20261211);
    std::uniform_int_distribution<std::size_t> offset(0, original.size() - 1);
    std::uniform_int_distribution<int> byte(0, 255);
    int rejected = 0;
    for (int round = 0; round < 2000; ++round) {
        std::string text = original;
        for (int flips = 1 + round % 4; flips > 0; --flips) {
            text[offset(random)] = static_cast<char>(byte(random));
        }
        const ReadResult read = Read(text);
        if (read.ok) {
            EXPECT_EQ(read.description.windows.size(), 1u);
        } else {
            ++rejected;
            EXPECT_FALSE(read.failure.reason.empty());
        }
    }
    EXPECT_GT(rejected, 1000);
}

}  // namespace
}  // namespace hint
