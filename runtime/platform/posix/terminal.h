// The terminal modes that this process changes, put back as it ends.
#pragma once

namespace platform {

// Puts the input modes of the terminal that SetConsoleInputMode changed back as
// they were before its first change, as a Linux program leaves a terminal; only
// while this process is in the terminal's foreground, as one in the background
// would stop, or change the modes of the job that has the terminal now. Called
// as the process ends, by EndProcess or by a control signal.
void RestoreTerminalModes();

}  // namespace platform
