// Exit routines: run once each, in registration order, or dropped unrun.
#include "app/exit_routines.h"

#include <gtest/gtest.h>

#include <string>

namespace hint {
namespace {

std::string calls;
void First() {
    calls += "1";
}
void Second() {
    calls += "2";
}
void Third() {
    calls += "3";
}

class ExitRoutinesTest : public testing::Test {
  protected:
    void SetUp() override { calls.clear(); }
    ExitRoutines routines;
};

TEST_F(ExitRoutinesTest, RunInRegistrationOrderOnceEach) {
    routines.Register(&Second);
    routines.Register(&First);
    routines.Register(&Third);
    routines.RunAll();
    EXPECT_EQ(calls, "213");
    EXPECT_EQ(routines.Count(), 0u);
    routines.RunAll();
    EXPECT_EQ(calls, "213") << "a second run must call nothing";
}

TEST_F(ExitRoutinesTest, ARoutineRegisteredTwiceRunsOnceInItsFirstPlace) {
    routines.Register(&First);
    routines.Register(&Second);
    routines.Register(&First);
    EXPECT_EQ(routines.Count(), 2u);
    routines.RunAll();
    EXPECT_EQ(calls, "12");
}

TEST_F(ExitRoutinesTest, DroppedRoutinesNeverRun) {
    routines.Register(&First);
    routines.Register(&Second);
    routines.Drop();
    routines.RunAll();
    EXPECT_EQ(calls, "");
}

TEST_F(ExitRoutinesTest, NoRoutineIsIgnored) {
    routines.Register(nullptr);
    EXPECT_EQ(routines.Count(), 0u);
}

}  // namespace
}  // namespace hint
