// The text of the fatal error box, byte for byte.
#include <gtest/gtest.h>

#include "app/fatal_error.h"
#include "ui/window_description.h"

namespace hint {
namespace {

WindowDescription DescriptionWithTags(std::string windowTag, std::string buttonTag) {
    WindowDescription description;
    WindowEntry window;
    window.id = kMainWindowId;
    WindowItem frame;
    frame.id = 0x06010000;
    frame.common.tag = std::move(windowTag);
    WindowItem button;
    button.id = 0x16010002;
    button.kind = ItemKind::kButton;
    button.settings = ButtonSettings{};
    button.common.tag = std::move(buttonTag);
    window.items = {frame, button};
    description.windows.push_back(window);
    return description;
}

TEST(FatalReportTest, UnreadableDescriptionInCodePage936Bytes) {
    const std::string expected =
        "\xd4\xcb\xd0\xd0\xca\xb1\xb3\xf6\xb4\xed\x21"  // 运行时出错!
        "\r\n\r\n"
        "\xb4\xed\xce\xf3\xd0\xc5\xcf\xa2\xa3\xba"  // 错误信息：
        "\xd4\xd8\xc8\xeb\xb4\xb0\xbf\xda\xc4\xa3\xb0\xe5\xca\xfd\xbe\xdd\xb6\xce\xb3\xf6\xb4"
        "\xed\x21"  // 载入窗口模板数据段出错!
        "\r\n\r\n0, 0\r\n";
    EXPECT_EQ(FatalReportText({kDescriptionUnreadable, 0, 0, 0}, nullptr), expected);
}

TEST(FatalReportTest, StartWindowThatCannotBeBuilt) {
    const WindowDescription description = DescriptionWithTags("", "");
    EXPECT_EQ(
        FatalReportText({kStartWindowFailed, 0, kMainWindowId, 0}, &description),
        "运行时出错!\r\n\r\n错误信息：载入启动窗口失败\r\n\r\n1375797249, 0\r\n\"\"\r\n\"\"\r\n");
}

TEST(FatalReportTest, MemoryThatCannotBeObtained) {
    EXPECT_EQ(AllocationFailedMessage(22), "分配 22 字节内存失败!");
    EXPECT_EQ(FatalReportText({AllocationFailedMessage(22), 0, 0, 0}, nullptr),
              "运行时出错!\r\n\r\n错误信息：分配 22 字节内存失败!\r\n\r\n0, 0\r\n");
}

struct DetailCase {
    const char* what;
    FatalError error;
    std::string expected;
};

class FatalReportDetailTest : public testing::TestWithParam<DetailCase> {};

TEST_P(FatalReportDetailTest, BuildsTheDetailLines) {
    const WindowDescription description = DescriptionWithTags("main", "btn");
    EXPECT_EQ(FatalReportText(GetParam().error, &description), GetParam().expected)
        << GetParam().what;
}

INSTANTIATE_TEST_SUITE_P(
    Details, FatalReportDetailTest,
    testing::Values(
        DetailCase{"error code and no message",
                   {"", -5, 0, 0},
                   "运行时出错!\r\n\r\n错误代码：-5\r\n\r\n0, 0\r\n"},
        DetailCase{"tags of the window and of an item",
                   {"x", 0, kMainWindowId, 0x16010002},
                   "运行时出错!\r\n\r\n错误信息：x\r\n\r\n1375797249, 369164290\r\n\"main\"\r\n"
                   "\"btn\"\r\n"},
        DetailCase{
            "unknown item of a known window",
            {"", 0, kMainWindowId, 0x16010009},
            "运行时出错!\r\n\r\n1375797249, 369164297\r\n\"main\"\r\n未找到所指定的窗口组件\r\n"},
        DetailCase{"unknown window",
                   {"", 0, 0x52010007, 0},
                   "运行时出错!\r\n\r\n1375797255, 0\r\n未找到所指定的窗口\r\n"},
        DetailCase{"a value that is no window identifier only shows the numbers",
                   {"", 0, 0x16010002, 0x16010002},
                   "运行时出错!\r\n\r\n369164290, 369164290\r\n"},
        DetailCase{"identifiers above 2^31 are shown signed",
                   {"", 0, 0xF6010002, 0},
                   "运行时出错!\r\n\r\n-167706622, 0\r\n"}));

}  // namespace
}  // namespace hint
