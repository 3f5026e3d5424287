#pragma once
// The program as a user gets it: the four windows created once in their
// order, the plot window after them, wired together, and the message loop.
// main() only adds what belongs to a real desktop (its boxes, name and icon).

#include <string>

#include "app/opzioni.h"

namespace lumetto {

// Runs the program until its main window closes; the exit code of the loop.
// The boxes are those already set with platform::impostaDialoghi.
// `esperimento` names the control of an experiment to start once the board
// is found (empty: none).
int eseguiprogramma(const std::string& esperimento = {});
// The same with what the command line asked: a built-in experiment, the
// free stream at a rate, or a teacher's experiment read from its file.
int eseguiprogramma(const Opzioni& opzioni);

}  // namespace lumetto
