// Keeps the Windows suite, which writes the registry, the common application-data
// folder and the task scheduler, from ever running on a real Windows machine.
#pragma once

// True when this process may change machine-wide state: always on POSIX
// (the seam simulates the machine), only under Wine on Windows.
bool MayChangeMachineState();
