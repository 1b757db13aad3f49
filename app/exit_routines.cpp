#include "app/exit_routines.h"

#include <algorithm>
#include <utility>

namespace hint {

void ExitRoutines::Register(ExitRoutine routine) {
    if (!routine) return;
    if (std::find(routines_.begin(), routines_.end(), routine) != routines_.end()) return;
    routines_.push_back(routine);
}

void ExitRoutines::RunAll() {
    // Taken out first, so that a routine registering another cannot make the
    // list run twice.
    const std::vector<ExitRoutine> routines = std::exchange(routines_, {});
    for (const ExitRoutine routine : routines) routine();
}

}  // namespace hint
