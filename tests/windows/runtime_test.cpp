// Start-up pieces that need the real processor and platform.
#include "app/runtime.h"

#include <gtest/gtest.h>
#include <windows.h>

#include <cstdint>

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

}  // namespace
}  // namespace hint
