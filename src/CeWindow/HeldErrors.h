// Standard error while the terminal shows the screen. What a program (or the platform) writes
// there would be drawn over the screen and wiped with it when the terminal is restored, so a
// message that ends the program would never be read: it is held meanwhile and written out once
// the terminal is given back.
#pragma once

namespace ce::win {

// From now on, when standard error is a terminal, what is written to it is held. Nothing happens
// when it is not a terminal (a file or a pipe keeps every line as it comes).
void HoldStandardError();
// Gives standard error back and writes out what was held, in order. Async-signal-safe, so that
// the restore of a fatal signal can call it; a second call does nothing.
void ReleaseStandardError();

}  // namespace ce::win
