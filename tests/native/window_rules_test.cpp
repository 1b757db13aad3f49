// Placement, focus and key rules of a window.
#include "ui/window_rules.h"

#include <gtest/gtest.h>

#include <vector>

namespace hint {
namespace {

struct CentringCase {
    std::int32_t screenWidth, screenHeight, width, height, left, top;
};

class CentringTest : public testing::TestWithParam<CentringCase> {};

TEST_P(CentringTest, CentresTheOuterFrame) {
    const CentringCase& c = GetParam();
    const Point origin = CenteredOrigin(c.screenWidth, c.screenHeight, c.width, c.height);
    EXPECT_EQ(origin.x, c.left);
    EXPECT_EQ(origin.y, c.top);
}

INSTANTIATE_TEST_SUITE_P(
    Screens, CentringTest,
    testing::Values(CentringCase{1024, 768, 263, 108, 380, 330},
                    CentringCase{1920, 1080, 263, 108, 828, 486},
                    CentringCase{800, 600, 263, 108, 268, 246},
                    // Narrower than the frame: negative, truncated toward zero.
                    CentringCase{200, 100, 263, 108, -31, -4},
                    CentringCase{262, 107, 263, 108, 0, 0},
                    CentringCase{0, 0, 263, 108, -131, -54}));

TEST(FocusRuleTest, SmallestTabOrderWinsAndTiesGoToTheLaterItem) {
    EXPECT_EQ(FirstFocusCandidate({}), std::nullopt);
    const std::vector<FocusCandidate> one{{2, 0}};
    EXPECT_EQ(FirstFocusCandidate(one), 2u);
    const std::vector<FocusCandidate> tie{{1, 0}, {2, 0}, {3, 0}};
    EXPECT_EQ(FirstFocusCandidate(tie), 3u);
    const std::vector<FocusCandidate> ordered{{1, 5}, {2, -1}, {3, 7}};
    EXPECT_EQ(FirstFocusCandidate(ordered), 2u);
}

TEST(FocusRuleTest, TabWrapsThroughTheCandidatesInTabOrder) {
    const std::vector<FocusCandidate> candidates{{1, 2}, {2, 1}, {3, 1}, {4, 0}};
    // Sequence: 4 (order 0), 3 and 2 (order 1, later first), 1 (order 2).
    EXPECT_EQ(NextFocusCandidate(candidates, 4u, false), 3u);
    EXPECT_EQ(NextFocusCandidate(candidates, 3u, false), 2u);
    EXPECT_EQ(NextFocusCandidate(candidates, 2u, false), 1u);
    EXPECT_EQ(NextFocusCandidate(candidates, 1u, false), 4u);
    EXPECT_EQ(NextFocusCandidate(candidates, 4u, true), 1u);
    EXPECT_EQ(NextFocusCandidate(candidates, 2u, true), 3u);
    // From outside the sequence: the first going forward, the last going back.
    EXPECT_EQ(NextFocusCandidate(candidates, std::nullopt, false), 4u);
    EXPECT_EQ(NextFocusCandidate(candidates, 9u, true), 1u);
}

TEST(FocusRuleTest, ASingleCandidateKeepsTheFocusBothWays) {
    const std::vector<FocusCandidate> button{{2, 0}};
    EXPECT_EQ(NextFocusCandidate(button, 2u, false), 2u);
    EXPECT_EQ(NextFocusCandidate(button, 2u, true), 2u);
    EXPECT_EQ(NextFocusCandidate({}, 2u, false), std::nullopt);
}

struct KeyCase {
    KeyPress key;
    KeyCommand command;
};

class KeyRuleTest : public testing::TestWithParam<KeyCase> {};

TEST_P(KeyRuleTest, ClassifiesTheKey) {
    EXPECT_EQ(ClassifyKey(GetParam().key), GetParam().command);
}

constexpr std::uint32_t kTab = 0x09, kReturn = 0x0D, kEscape = 0x1B, kSpace = 0x20, kF1 = 0x70;

INSTANTIATE_TEST_SUITE_P(
    Keys, KeyRuleTest,
    testing::Values(KeyCase{{kTab, false, false, false}, KeyCommand::kNextControl},
                    KeyCase{{kTab, false, true, false}, KeyCommand::kPreviousControl},
                    KeyCase{{kTab, true, false, false}, KeyCommand::kNone},
                    KeyCase{{kTab, false, false, true}, KeyCommand::kNone},
                    KeyCase{{kReturn, false, false, false}, KeyCommand::kEnter},
                    KeyCase{{kReturn, true, false, false}, KeyCommand::kNone},
                    KeyCase{{kEscape, false, false, false}, KeyCommand::kEscape},
                    KeyCase{{kEscape, true, false, false}, KeyCommand::kNone},
                    KeyCase{{kEscape, false, true, false}, KeyCommand::kNone},
                    KeyCase{{kEscape, false, false, true}, KeyCommand::kNone},
                    KeyCase{{'W', false, false, true}, KeyCommand::kMnemonic},
                    KeyCase{{'7', false, true, true}, KeyCommand::kMnemonic},
                    KeyCase{{'W', true, false, true}, KeyCommand::kNone},
                    KeyCase{{'W', false, false, false}, KeyCommand::kNone},
                    KeyCase{{kSpace, false, false, false}, KeyCommand::kNone},
                    KeyCase{{kF1, false, false, false}, KeyCommand::kNone}));

TEST(AccessKeyTest, FindsTheMarkedCharacter) {
    EXPECT_TRUE(HasAccessKey("&Write", 'W'));
    EXPECT_TRUE(HasAccessKey("Save &as", 'A'));
    EXPECT_FALSE(HasAccessKey("Write", 'W'));
    EXPECT_FALSE(HasAccessKey("A && B", 'B')) << "\"&&\" is a plain ampersand";
    EXPECT_TRUE(HasAccessKey("A && &B", 'b'));
    EXPECT_FALSE(HasAccessKey("trailing &", 'x'));
    EXPECT_FALSE(HasAccessKey("写出日志", 'W'));
    EXPECT_TRUE(HasAccessKey("写出(&W)", 'w'));
    // A trail byte equal to "&" (0x26 is no trail byte in code page 936, but the
    // lead byte still consumes the next byte whatever it is).
    EXPECT_FALSE(HasAccessKey("\x81\x26W", 'W'));
}

}  // namespace
}  // namespace hint
