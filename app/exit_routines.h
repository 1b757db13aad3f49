// Routines that run once, in the order they were registered, when the
// program ends normally. A fatal error drops them without running them.
#pragma once

#include <vector>

namespace hint {

using ExitRoutine = void (*)();

class ExitRoutines {
  public:
    // Appends `routine`; one that is registered already is not added again.
    void Register(ExitRoutine routine);

    // Calls every routine once, in registration order, then forgets them.
    void RunAll();

    // Forgets every routine without calling it.
    void Drop() { routines_.clear(); }

    std::size_t Count() const { return routines_.size(); }

  private:
    std::vector<ExitRoutine> routines_;
};

}  // namespace hint
