// Start-up pieces that need the real processor and platform.
#include "app/runtime.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>
#include <fstream>
#include <iterator>
#include <string>

#include "app/fatal_error.h"
#include "tests/windows/test_threads.h"

namespace hint {
namespace {

std::uint16_t X87ControlWord() {
    std::uint16_t word = 0;
    __asm__ volatile("fnstcw %0" : "=m"(word));
    return word;
}

std::uint16_t X87TagWord() {
    // fnstenv stores the control, status and tag words first, 4 bytes apart.
    std::uint32_t environment[7] = {};
    __asm__ volatile("fnstenv %0" : "=m"(environment));
    __asm__ volatile("fldcw %0" : : "m"(environment[0]));  // fnstenv masks exceptions
    return static_cast<std::uint16_t>(environment[2]);
}

std::uint32_t SseControl() {
    std::uint32_t control = 0;
    __asm__ volatile("stmxcsr %0" : "=m"(control));
    return control;
}

TEST(FloatingPointTest, ResetRestoresTheDefaultsWhateverWasSetBefore) {
    // Rounding toward zero, 24-bit precision, overflow unmasked; a value left
    // on the register stack; SSE flushing to zero with rounding down.
    const std::uint16_t odd = 0x0C77;
    __asm__ volatile("fldcw %0" : : "m"(odd));
    __asm__ volatile("fld1");
    const std::uint32_t oddSse = 0x9F80 | 0x2000;
    __asm__ volatile("ldmxcsr %0" : : "m"(oddSse));
    ASSERT_EQ(X87ControlWord(), odd);

    ResetFloatingPoint();

    EXPECT_EQ(X87ControlWord(), 0x037F);
    EXPECT_EQ(X87TagWord(), 0xFFFF) << "the register stack must be empty";
    EXPECT_EQ(SseControl(), 0x1F80u);
}

// An exit routine that leaves a trace a parent process can read.
std::string MarkerPath() {
    char temp[MAX_PATH];
    GetTempPathA(MAX_PATH, temp);
    return std::string(temp) + "hint-exit-routine-marker.txt";
}

void LeaveMarker() {
    std::ofstream marker(MarkerPath(), std::ios::app);
    marker << "ran;";
}

std::string Marker() {
    std::ifstream marker(MarkerPath());
    return std::string(std::istreambuf_iterator<char>(marker), {});
}

class EndOfProgramDeathTest : public testing::Test {
  protected:
    void SetUp() override {
        GTEST_FLAG_SET(death_test_style, "threadsafe");
        DeleteFileA(MarkerPath().c_str());
    }
    void TearDown() override { DeleteFileA(MarkerPath().c_str()); }
};

TEST_F(EndOfProgramDeathTest, EndProgramRunsEachExitRoutineOnceAndEndsWithTheCode) {
    EXPECT_EXIT(
        {
            RegisterExitRoutine(&LeaveMarker);
            RegisterExitRoutine(&LeaveMarker);
            EndProgram(5);
        },
        testing::ExitedWithCode(5), "");
    EXPECT_EQ(Marker(), "ran;");
}

TEST_F(EndOfProgramDeathTest, AFatalErrorDropsTheExitRoutinesAndEndsWithMinusOne) {
    FatalBoxWatcher watcher;
    EXPECT_EXIT(
        {
            RegisterExitRoutine(&LeaveMarker);
            ReportFatalError(FatalError{"boom", 3, 0, 0});
        },
        [](int code) { return static_cast<DWORD>(code) == 0xFFFFFFFFu; }, "");
    EXPECT_EQ(watcher.Text(),
              "运行时出错!\r\n\r\n错误代码：3\r\n\r\n错误信息：boom\r\n\r\n0, 0\r\n");
    EXPECT_EQ(Marker(), "") << "exit routines must not run after a fatal error";
}

}  // namespace
}  // namespace hint
