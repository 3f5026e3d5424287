#pragma once
// A pseudo-terminal pair standing in for a board: the test holds the master
// (the board's side) and links ~/.lumetto/dosdevices/comN to the slave.

#include <string>

namespace lumetto::prove {

class PtyBoard {
  public:
    PtyBoard();
    ~PtyBoard();
    PtyBoard(const PtyBoard&) = delete;
    PtyBoard& operator=(const PtyBoard&) = delete;

    // Links comN in the user's dosdevices folder to the slave.
    void link(int n);
    const std::string& slavePath() const { return slavePath_; }
    int master() const { return master_; }

    void send(const std::string& bytes);
    // What arrived within ms (stops early once `want` bytes are there).
    std::string take(int ms, size_t want = SIZE_MAX);
    // Plays an unplugged board: the master and the board's own slave descriptor go.
    void unplug();

  private:
    int master_ = -1;
    int slaveKeep_ = -1;  // keeps the master from reporting hang-up while no program has the port
    std::string slavePath_;
    std::string linkPath_;
};

// The user's dosdevices folder (tests run with HOME in a temporary folder).
std::string dosdevicesDir();

}  // namespace lumetto::prove
