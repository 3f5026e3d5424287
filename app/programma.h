#pragma once
// The program as a user gets it: the four windows created once in their
// order, the plot window after them, wired together, and the message loop.
// main() only adds what belongs to a real desktop (its boxes, name and icon).

namespace lumetto {

// Runs the program until its main window closes; the exit code of the loop.
// The boxes are those already set with platform::impostaDialoghi.
int eseguiprogramma();

}  // namespace lumetto
