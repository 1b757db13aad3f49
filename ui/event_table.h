// Event delivery: every event of every item is handed to RaiseEvent as an
// EventNotice, which finds the item's binding for the event and calls its
// handler. Events without a binding do nothing.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "app/fatal_error.h"
#include "ui/window_description.h"

namespace hint {

// Event numbers, per kind. The click of a button is 0; the window's own
// events and the input events that every item raises have numbers of their own.
enum class ButtonEvent : std::int32_t { kClick = 0 };

enum class WindowEvent : std::int32_t {
    kCreated = 1,
    kCanClose,
    kAboutToBeDestroyed,
    kMoved,
    kResized,
    kActivated,
    kDeactivated,
    kIdle,
    kFirstActivation,
    kShown,
    kHidden,
    kCloseRequested,
};

enum class InputEvent : std::int32_t {
    kMouseDown = 100,
    kMouseUp,
    kMouseMove,
    kDoubleClick,
    kKeyDown,
    kKeyUp,
    kCharacter,
    kFocusGained,
    kFocusLost,
};

template <class Event>
constexpr std::int32_t EventNumber(Event event) {
    return static_cast<std::int32_t>(event);
}

struct EventNotice {
    Identifier window = 0;
    Identifier item = 0;  // 0 for the window itself
    std::int32_t event = 0;
    EventArguments arguments;
    bool hasResult = false;
    std::uint32_t result = 0;
};

// Ends the program and never returns normally.
using FatalReporter = void (*)(const FatalError& error);

// The working copy of an open window's items, or null when it is not open.
using WorkingItemsLookup = std::function<const std::vector<WindowItem>*(Identifier window)>;

class EventDispatcher {
  public:
    EventDispatcher(const WindowDescription& description, WorkingItemsLookup workingItems,
                    FatalReporter reportFatal);

    // Delivers the notice to its handler. True when a handler was called.
    bool RaiseEvent(EventNotice& notice);

    // Hold-backs nest: delivery resumes when every one has been resumed.
    void HoldBack() { ++holdBacks_; }
    void Resume();
    bool IsHeldBack() const { return holdBacks_ > 0; }

  private:
    [[noreturn]] void Fatal(const char* message, Identifier window, Identifier item);

    const WindowDescription& description_;
    WorkingItemsLookup workingItems_;
    FatalReporter reportFatal_;
    int holdBacks_ = 0;
};

// Holds back the delivery of events for its lifetime.
class EventHoldBack {
  public:
    explicit EventHoldBack(EventDispatcher& dispatcher) : dispatcher_(dispatcher) {
        dispatcher_.HoldBack();
    }
    ~EventHoldBack() { dispatcher_.Resume(); }
    EventHoldBack(const EventHoldBack&) = delete;
    EventHoldBack& operator=(const EventHoldBack&) = delete;

  private:
    EventDispatcher& dispatcher_;
};

}  // namespace hint
