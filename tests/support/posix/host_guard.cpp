// On POSIX the host queries answer from a simulated machine, so nothing real is changed.
#include "support/host_guard.h"

bool MayChangeMachineState() { return true; }
