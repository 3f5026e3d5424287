#pragma once
// The line settings on termios2: translation of the line-settings record to and
// from the kernel's record, and the calls that read and write it. This is the
// only place that includes the kernel's termios header (glibc's <termios.h>
// cannot hold custom rates and clashes with it).

#include <asm/termbits.h>

#include <cstdint>

#include "serial/types.h"

namespace lumetto::serial::posix {

// Writes what the record asks into t, keeping the rest of t. False when termios
// cannot express it: 4 data bits, 1.5 stop bits with more than 5 data bits,
// 2 stop bits with 5, values out of range. On a pseudo-terminal data bits and
// parity are left alone (the kernel keeps 8 bits without parity there).
bool toTermios(const DCB& dcb, termios2& t, bool pty);

// The record the kernel's settings stand for; what termios cannot hold (and,
// on a pseudo-terminal, data bits and parity) comes from `stored`.
DCB fromTermios(const termios2& t, const DCB& stored, bool pty);

// Whether the device holds what was asked of it (rate, framing, handshakes).
bool sameLine(const termios2& wanted, const termios2& got, bool pty);

// Raw mode, reads that return what is there, no hang-up on close (so DTR
// stays up between exchanges), receiver on, modem lines ignored for open.
void makeRaw(termios2& t);

uint32_t lineRate(const termios2& t);
void setLineRate(termios2& t, uint32_t rate);

bool readLine(int fd, termios2& t);
bool writeLine(int fd, const termios2& t);

}  // namespace lumetto::serial::posix
