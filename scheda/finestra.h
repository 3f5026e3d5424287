#pragma once
// The virtual board's window: the running sketch, the inputs a user sets, the
// outputs and servo angles as last commanded, the last command and reply.

namespace lumetto::scheda {

class Scheda;

// Shows the window while the board serves on its own thread; returns the exit
// code once the window is closed or the board stops.
int eseguiFinestra(Scheda& scheda, int argc, char** argv);

}  // namespace lumetto::scheda
