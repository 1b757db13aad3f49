// The text of the fatal error box. Kept apart from the box itself so that it
// can be checked byte for byte without a window system.
#include <string>

#include "app/fatal_error.h"
#include "ui/window_description.h"

namespace hint {
namespace {

constexpr char kNewLine[] = "\r\n";

std::string Quoted(const std::string& text) {
    return "\"" + text + "\"";
}

std::string SignedDecimal(std::uint32_t value) {
    return std::to_string(static_cast<std::int32_t>(value));
}

}  // namespace

std::string AllocationFailedMessage(std::size_t bytes) {
    return "分配 " + std::to_string(bytes) + " 字节内存失败!";
}

std::string FatalReportText(const FatalError& error, const WindowDescription* description) {
    std::string text = "运行时出错!";
    text += kNewLine;
    if (error.errorCode != 0) {
        text += kNewLine;
        text += "错误代码：" + std::to_string(error.errorCode) + kNewLine;
    }
    if (!error.message.empty()) {
        text += kNewLine;
        text += "错误信息：" + error.message + kNewLine;
    }
    text += kNewLine;
    text += SignedDecimal(error.window) + ", " + SignedDecimal(error.item);
    if (error.window != 0 && IsWindowIdentifier(error.window)) {
        const WindowEntry* window = description ? description->FindEntry(error.window) : nullptr;
        if (!window || window->items.empty()) {
            text += kNewLine;
            text += "未找到所指定的窗口";
        } else {
            text += kNewLine + Quoted(window->items.front().common.tag);
            const WindowItem* item =
                error.item == 0 ? &window->items.front() : FindItem(window->items, error.item);
            text += kNewLine;
            if (item && !IsMenuEntryIdentifier(item->id)) {
                text += Quoted(item->common.tag);
            } else {
                text += "未找到所指定的窗口组件";
            }
        }
    }
    text += kNewLine;
    return text;
}

}  // namespace hint
