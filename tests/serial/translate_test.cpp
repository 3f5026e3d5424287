// The line-settings record on termios2: what reaches a real serial device.
#include <gtest/gtest.h>

#include <cstring>

#include "serial/posix/termios2.h"

using namespace lumetto::serial;
using namespace lumetto::serial::posix;

namespace {

DCB board() {  // 9600 baud, 7 data bits, even parity, 1 stop bit
    DCB d{};
    d.BaudRate = 9600;
    d.fBinary = 1;
    d.ByteSize = 7;
    d.Parity = 2;
    d.StopBits = 0;
    d.XonChar = 17;
    d.XoffChar = 19;
    return d;
}

termios2 fresh() {
    termios2 t{};
    t.c_cflag = CS8 | B38400 | HUPCL | CREAD;
    t.c_iflag = ICRNL | IXON;
    t.c_lflag = ICANON | ECHO;
    makeRaw(t);
    return t;
}

}  // namespace

TEST(Translate, BoardSettingsAre7E1At9600) {
    termios2 t = fresh();
    ASSERT_TRUE(toTermios(board(), t, false));
    EXPECT_EQ(t.c_cflag & CSIZE, unsigned(CS7));
    EXPECT_TRUE(t.c_cflag & PARENB);
    EXPECT_FALSE(t.c_cflag & (PARODD | CMSPAR | CSTOPB | CRTSCTS));
    EXPECT_EQ(t.c_cflag & CBAUD, unsigned(B9600));  // a standard code, for tcgetattr readers
    EXPECT_EQ(lineRate(t), 9600u);
    EXPECT_FALSE(t.c_iflag & (INPCK | IXON | IXOFF));
    EXPECT_FALSE(t.c_cflag & HUPCL);  // closing must not drop DTR and reset the board
    EXPECT_TRUE(t.c_cflag & CLOCAL);
    EXPECT_EQ(fromTermios(t, board(), false), board());
}

TEST(Translate, ParityDataAndStopBits) {
    struct Case {
        uint8_t parity;
        unsigned bits;
    } cases[] = {{0, 0},
                 {1, PARENB | PARODD},
                 {2, PARENB},
                 {3, PARENB | PARODD | CMSPAR},
                 {4, PARENB | CMSPAR}};
    for (auto c : cases) {
        DCB d = board();
        d.Parity = c.parity;
        termios2 t = fresh();
        ASSERT_TRUE(toTermios(d, t, false));
        EXPECT_EQ(t.c_cflag & (PARENB | PARODD | CMSPAR), c.bits) << int(c.parity);
        EXPECT_EQ(fromTermios(t, DCB{}, false).Parity, c.parity);
    }
    const unsigned sizes[] = {CS5, CS6, CS7, CS8};
    for (uint8_t bits = 5; bits <= 8; ++bits) {
        DCB d = board();
        d.ByteSize = bits;
        termios2 t = fresh();
        ASSERT_TRUE(toTermios(d, t, false));
        EXPECT_EQ(t.c_cflag & CSIZE, sizes[bits - 5]);
        EXPECT_EQ(fromTermios(t, DCB{}, false).ByteSize, bits);
    }
    DCB two = board();
    two.StopBits = 2;
    termios2 t = fresh();
    ASSERT_TRUE(toTermios(two, t, false));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(fromTermios(t, DCB{}, false).StopBits, 2);

    DCB oneAndHalf = board();
    oneAndHalf.ByteSize = 5;
    oneAndHalf.StopBits = 1;
    t = fresh();
    ASSERT_TRUE(toTermios(oneAndHalf, t, false));
    EXPECT_TRUE(t.c_cflag & CSTOPB);
    EXPECT_EQ(fromTermios(t, DCB{}, false).StopBits, 1);
}

TEST(Translate, WhatTermiosCannotExpressIsRefused) {
    auto refused = [](auto change) {
        DCB d = board();
        change(d);
        termios2 t = fresh();
        termios2 before = t;
        bool ok = toTermios(d, t, false);
        return !ok && std::memcmp(&t, &before, sizeof t) == 0;  // nothing half-applied
    };
    EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 4; }));
    EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 9; }));
    EXPECT_TRUE(refused([](DCB& d) { d.StopBits = 1; }));  // 1.5 with 7 bits
    EXPECT_TRUE(refused([](DCB& d) { d.ByteSize = 5, d.StopBits = 2; }));
    EXPECT_TRUE(refused([](DCB& d) { d.Parity = 5; }));
    EXPECT_TRUE(refused([](DCB& d) { d.BaudRate = 0; }));
}

TEST(Translate, HandshakesAndFlowCharacters) {
    DCB d = board();
    d.fOutxCtsFlow = 1;
    d.fRtsControl = kRtsHandshake;
    d.fOutX = d.fInX = 1;
    d.fParity = 1;
    d.XonChar = 0x11;
    d.XoffChar = 0x13;
    termios2 t = fresh();
    ASSERT_TRUE(toTermios(d, t, false));
    EXPECT_TRUE(t.c_cflag & CRTSCTS);
    EXPECT_TRUE(t.c_iflag & IXON);
    EXPECT_TRUE(t.c_iflag & IXOFF);
    EXPECT_TRUE(t.c_iflag & INPCK);
    EXPECT_EQ(t.c_cc[VSTART], 0x11);
    EXPECT_EQ(t.c_cc[VSTOP], 0x13);
    EXPECT_EQ(fromTermios(t, d, false), d);

    // CRTSCTS turned off behind our back shows as both directions off.
    t.c_cflag &= ~CRTSCTS;
    DCB seen = fromTermios(t, d, false);
    EXPECT_EQ(seen.fOutxCtsFlow, 0);
    EXPECT_EQ(seen.fRtsControl & kRtsHandshake, 0);
}

TEST(Translate, RatesWithoutACodeGoAsBother) {
    for (uint32_t rate : {250000u, 14400u, 56000u, 128000u, 256000u, 31250u}) {
        termios2 t = fresh();
        setLineRate(t, rate);
        EXPECT_EQ(t.c_cflag & CBAUD, unsigned(BOTHER)) << rate;
        EXPECT_EQ(lineRate(t), rate);
    }
    termios2 t = fresh();
    setLineRate(t, 115200);
    EXPECT_EQ(t.c_cflag & CBAUD, unsigned(B115200));
    EXPECT_EQ(t.c_cflag & (CBAUD << IBSHIFT), 0u);  // input rate follows the output rate
}

TEST(Translate, PseudoTerminalKeepsFramingAsStored) {
    // The kernel keeps 8 bits without parity on a pseudo-terminal: the record's
    // data bits and parity are neither written nor compared there.
    termios2 asked = fresh();
    ASSERT_TRUE(toTermios(board(), asked, true));
    EXPECT_EQ(asked.c_cflag & CSIZE, unsigned(CS8));
    EXPECT_FALSE(asked.c_cflag & PARENB);
    termios2 kernel = asked;
    EXPECT_TRUE(sameLine(asked, kernel, true));
    EXPECT_EQ(fromTermios(kernel, board(), true), board());

    kernel.c_ospeed = 4800;
    kernel.c_cflag = (kernel.c_cflag & ~CBAUD) | B4800;
    EXPECT_FALSE(sameLine(asked, kernel, true));  // a substituted rate is still a failure
}

TEST(Translate, SubstitutedValuesAreSeen) {
    termios2 asked = fresh();
    ASSERT_TRUE(toTermios(board(), asked, false));
    termios2 got = asked;
    EXPECT_TRUE(sameLine(asked, got, false));
    got.c_cflag = (got.c_cflag & ~CSIZE) | CS8;  // a driver that cannot do 7 bits
    EXPECT_FALSE(sameLine(asked, got, false));
    got = asked;
    got.c_iflag |= IXON;
    EXPECT_FALSE(sameLine(asked, got, false));
}
