#include "ui/window_description.h"

#include <algorithm>

namespace hint {

const std::string& WindowItem::Caption() const {
    return std::visit([](const auto& own) -> const std::string& { return own.caption; }, settings);
}

const WindowEntry* WindowDescription::FindEntry(Identifier id) const {
    if (!IsIdentifier(id)) return nullptr;
    const auto found = std::find_if(windows.begin(), windows.end(),
                                    [id](const WindowEntry& window) { return window.id == id; });
    return found == windows.end() ? nullptr : &*found;
}

const WindowItem* FindItem(const std::vector<WindowItem>& items, Identifier id) {
    if (!IsIdentifier(id)) return nullptr;
    const auto found = std::find_if(items.begin(), items.end(),
                                    [id](const WindowItem& item) { return item.id == id; });
    return found == items.end() ? nullptr : &*found;
}

const char* KindName(ItemKind kind) {
    switch (kind) {
        case ItemKind::kWindow: return "window";
        case ItemKind::kLabel: return "label";
        case ItemKind::kButton: return "button";
    }
    return "?";
}

}  // namespace hint
