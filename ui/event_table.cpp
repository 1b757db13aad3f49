#include "ui/event_table.h"

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace hint {

EventDispatcher::EventDispatcher(const WindowDescription& description,
                                 WorkingItemsLookup workingItems, FatalReporter reportFatal)
    : description_(description),
      workingItems_(std::move(workingItems)),
      reportFatal_(reportFatal) {}

void EventDispatcher::Resume() {
    if (holdBacks_ > 0) --holdBacks_;
}

void EventDispatcher::Fatal(const char* message, Identifier window, Identifier item) {
    reportFatal_(FatalError{message, 0, window, item});
    // The reporter ends the process; should it ever come back, stop here.
    std::abort();
}

bool EventDispatcher::RaiseEvent(EventNotice& notice) {
    notice.hasResult = false;
    if (IsHeldBack()) return false;

    const WindowEntry* window = description_.FindEntry(notice.window);
    if (!window) Fatal("未找到引发事件的窗口", notice.window, 0);

    const WindowItem* item = nullptr;
    const std::vector<WindowItem>* working = workingItems_ ? workingItems_(notice.window) : nullptr;
    const std::vector<WindowItem>& items = working ? *working : window->items;
    if (notice.item == 0) {
        item = items.empty() ? nullptr : &items.front();
    } else {
        item = FindItem(items, notice.item);
    }
    if (!item) Fatal("未找到引发事件的窗口组件", notice.window, notice.item);

    // An item may use another item's bindings. A chain that comes back to an
    // item already passed ends there, so a cycle cannot hang delivery.
    std::vector<Identifier> passed{item->id};
    while (item->common.bindingsFrom) {
        const WindowItem* source = FindItem(items, *item->common.bindingsFrom);
        if (!source || source->kind != item->kind) break;
        if (std::find(passed.begin(), passed.end(), source->id) != passed.end()) break;
        passed.push_back(source->id);
        item = source;
    }

    // Every kind this runtime knows raises events; the check guards kinds added later.
    switch (item->kind) {
        case ItemKind::kWindow:
        case ItemKind::kLabel:
        case ItemKind::kButton: break;
        default: Fatal("引发事件的窗口组件无效", notice.window, notice.item);
    }

    const auto binding =
        std::find_if(item->bindings.begin(), item->bindings.end(),
                     [&](const ItemBinding& b) { return b.event == notice.event; });
    if (binding == item->bindings.end() || !binding->handler) return false;

    const HandlerResult result = binding->handler(notice.arguments);
    if (result) {
        notice.hasResult = true;
        notice.result = *result;
    }
    return true;
}

}  // namespace hint
