// RaiseEvent: from a notice to the bound handler, or to nothing.
#include "ui/event_table.h"

#include <gtest/gtest.h>

#include <string>

namespace hint {
namespace {

constexpr Identifier kWindow = kMainWindowId;
constexpr Identifier kFrame = 0x06010000;
constexpr Identifier kLabel = 0x16010003;
constexpr Identifier kButton = 0x16010002;
constexpr Identifier kSecondButton = 0x16010004;

std::string calls;
EventArguments lastArguments;

HandlerResult First(const EventArguments& arguments) {
    calls += "first;";
    lastArguments = arguments;
    return std::nullopt;
}
HandlerResult Second(const EventArguments&) {
    calls += "second;";
    return std::nullopt;
}
HandlerResult Answer(const EventArguments& arguments) {
    calls += "answer;";
    return arguments.empty() ? 42u : arguments[0] + 1;
}

// The fatal report ends the process; here it surfaces as an exception.
struct FatalRaised {
    FatalError error;
};
[[noreturn]] void ThrowFatal(const FatalError& error) {
    throw FatalRaised{error};
}

WindowItem Item(Identifier id, ItemKind kind, std::vector<ItemBinding> bindings = {}) {
    WindowItem item;
    item.id = id;
    item.kind = kind;
    switch (kind) {
        case ItemKind::kWindow: item.settings = WindowSettings{}; break;
        case ItemKind::kLabel: item.settings = LabelSettings{}; break;
        case ItemKind::kButton: item.settings = ButtonSettings{}; break;
    }
    item.bindings = std::move(bindings);
    return item;
}

class EventTableTest : public testing::Test {
  protected:
    void SetUp() override {
        calls.clear();
        lastArguments.clear();
        WindowEntry window;
        window.id = kWindow;
        window.items = {Item(kFrame, ItemKind::kWindow,
                             {{EventNumber(WindowEvent::kCanClose), "Answer", &Answer}}),
                        Item(kLabel, ItemKind::kLabel),
                        Item(kButton, ItemKind::kButton,
                             {{0, "First", &First},
                              {0, "Second", &Second},
                              {7, "none", nullptr},
                              {9, "Answer", &Answer}}),
                        Item(kSecondButton, ItemKind::kButton)};
        description.windows.push_back(window);
    }

    // The working copy of the open window, when it is open.
    EventDispatcher Dispatcher(bool open = true) {
        return EventDispatcher(
            description,
            [this, open](Identifier id) -> const std::vector<WindowItem>* {
                return open && id == kWindow ? &working : nullptr;
            },
            &ThrowFatal);
    }

    WindowDescription description;
    std::vector<WindowItem> working;
};

TEST_F(EventTableTest, TheClickCallsTheFirstBindingForTheEventNumber) {
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kButton, 0, {}};
    EXPECT_TRUE(dispatcher.RaiseEvent(notice));
    EXPECT_EQ(calls, "first;") << "when an event number occurs twice, the first pair counts";
    EXPECT_FALSE(notice.hasResult);
}

struct Undelivered {
    const char* what;
    Identifier item;
    std::int32_t event;
};

class EventTableUndeliveredTest : public EventTableTest,
                                  public testing::WithParamInterface<Undelivered> {};

TEST_P(EventTableUndeliveredTest, CallsNothingAndReportsNothing) {
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, GetParam().item, GetParam().event, {}};
    EXPECT_FALSE(dispatcher.RaiseEvent(notice)) << GetParam().what;
    EXPECT_EQ(calls, "");
    EXPECT_FALSE(notice.hasResult);
}

INSTANTIATE_TEST_SUITE_P(
    Events, EventTableUndeliveredTest,
    testing::Values(Undelivered{"label click", kLabel, 0},
                    Undelivered{"button focus", kButton, EventNumber(InputEvent::kFocusGained)},
                    Undelivered{"mouse on the window", 0, EventNumber(InputEvent::kMouseDown)},
                    Undelivered{"window created", 0, EventNumber(WindowEvent::kCreated)},
                    Undelivered{"binding to no handler", kButton, 7},
                    Undelivered{"button without bindings", kSecondButton, 0}));

TEST_F(EventTableTest, AHandlersResultIsStoredInTheNotice) {
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kButton, 9, {41}};
    EXPECT_TRUE(dispatcher.RaiseEvent(notice));
    EXPECT_TRUE(notice.hasResult);
    EXPECT_EQ(notice.result, 42u);

    EventNotice window{kWindow, 0, EventNumber(WindowEvent::kCanClose), {}};
    EXPECT_TRUE(dispatcher.RaiseEvent(window)) << "item 0 is the window itself";
    EXPECT_TRUE(window.hasResult);
    EXPECT_EQ(window.result, 42u);
}

TEST_F(EventTableTest, ArgumentsReachTheHandlerInOrder) {
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kButton, 0, {3, 1, 2}};
    dispatcher.RaiseEvent(notice);
    EXPECT_EQ(lastArguments, (EventArguments{3, 1, 2}));
}

TEST_F(EventTableTest, HoldBacksNestAndDeliveryResumesAfterTheLast) {
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kButton, 0, {}};
    {
        EventHoldBack outer(dispatcher);
        {
            EventHoldBack inner(dispatcher);
            EXPECT_FALSE(dispatcher.RaiseEvent(notice));
        }
        EXPECT_TRUE(dispatcher.IsHeldBack());
        EXPECT_FALSE(dispatcher.RaiseEvent(notice));
    }
    EXPECT_FALSE(dispatcher.IsHeldBack());
    EXPECT_EQ(calls, "");
    EXPECT_TRUE(dispatcher.RaiseEvent(notice));
    EXPECT_EQ(calls, "first;");
}

TEST_F(EventTableTest, AHeldBackEventOfAnUnknownWindowIsNoError) {
    EventDispatcher dispatcher = Dispatcher();
    EventHoldBack holdBack(dispatcher);
    EventNotice notice{0x52019999, kButton, 0, {}};
    EXPECT_NO_THROW(EXPECT_FALSE(dispatcher.RaiseEvent(notice)));
}

struct FatalCase {
    const char* what;
    Identifier window;
    Identifier item;
    bool open;
    std::string message;
    Identifier reportedItem;
};

class EventTableFatalTest : public EventTableTest, public testing::WithParamInterface<FatalCase> {};

TEST_P(EventTableFatalTest, ReportsTheFatalError) {
    const FatalCase& c = GetParam();
    working = description.windows[0].items;
    EventDispatcher dispatcher = Dispatcher(c.open);
    EventNotice notice{c.window, c.item, 0, {}};
    try {
        dispatcher.RaiseEvent(notice);
        FAIL() << c.what << ": no fatal error";
    } catch (const FatalRaised& raised) {
        EXPECT_EQ(raised.error.message, c.message) << c.what;
        EXPECT_EQ(raised.error.errorCode, 0);
        EXPECT_EQ(raised.error.window, c.window);
        EXPECT_EQ(raised.error.item, c.reportedItem);
    }
    EXPECT_EQ(calls, "");
}

INSTANTIATE_TEST_SUITE_P(Errors, EventTableFatalTest,
                         testing::Values(FatalCase{"unknown window", 0x52010002, kButton, true,
                                                   "未找到引发事件的窗口", 0},
                                         FatalCase{"no identifier at all", 0, 0, true,
                                                   "未找到引发事件的窗口", 0},
                                         FatalCase{"unknown item", kWindow, 0x16010099, true,
                                                   "未找到引发事件的窗口组件", 0x16010099},
                                         FatalCase{"item not an identifier", kWindow, 0x16000000,
                                                   true, "未找到引发事件的窗口组件", 0x16000000}));

TEST_F(EventTableTest, AnItemForgottenInTheWorkingCopyIsNotFound) {
    working = description.windows[0].items;
    working.erase(working.begin() + 2);  // the button is gone from the open window
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kButton, 0, {}};
    EXPECT_THROW(dispatcher.RaiseEvent(notice), FatalRaised);
}

TEST_F(EventTableTest, BindingsFromAnotherItemOfTheSameKind) {
    working = description.windows[0].items;
    working[3].common.bindingsFrom = kButton;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice notice{kWindow, kSecondButton, 0, {}};
    EXPECT_TRUE(dispatcher.RaiseEvent(notice));
    EXPECT_EQ(calls, "first;");
}

TEST_F(EventTableTest, BindingsFromAnItemOfAnotherKindOrNoItemAreIgnored) {
    working = description.windows[0].items;
    working[1].common.bindingsFrom = kButton;     // a label naming a button
    working[3].common.bindingsFrom = 0x16010077;  // a button naming nothing
    EventDispatcher dispatcher = Dispatcher();
    EventNotice label{kWindow, kLabel, 0, {}};
    EventNotice button{kWindow, kSecondButton, 0, {}};
    EXPECT_FALSE(dispatcher.RaiseEvent(label));
    EXPECT_FALSE(dispatcher.RaiseEvent(button));
    EXPECT_EQ(calls, "");
}

TEST_F(EventTableTest, ABindingsFromCycleEnds) {
    working = description.windows[0].items;
    working[2].common.bindingsFrom = kSecondButton;
    working[3].common.bindingsFrom = kButton;
    EventDispatcher dispatcher = Dispatcher();
    EventNotice fromSecond{kWindow, kSecondButton, 0, {}};
    // Second -> button -> second again: the chain stops at the button.
    EXPECT_TRUE(dispatcher.RaiseEvent(fromSecond));
    EXPECT_EQ(calls, "first;");
    working[2].common.bindingsFrom = kButton;  // an item naming itself
    EventNotice self{kWindow, kButton, 0, {}};
    EXPECT_TRUE(dispatcher.RaiseEvent(self));
    EXPECT_EQ(calls, "first;first;");
}

TEST_F(EventTableTest, AClosedWindowUsesItsDeclaredItems) {
    EventDispatcher dispatcher = Dispatcher(/*open=*/false);
    EventNotice notice{kWindow, kButton, 0, {}};
    EXPECT_TRUE(dispatcher.RaiseEvent(notice));
    EXPECT_EQ(calls, "first;");
}

}  // namespace
}  // namespace hint
