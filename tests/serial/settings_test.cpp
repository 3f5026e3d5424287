// Settings of the serial component: defaults, the line-settings record they
// make, how changes reach an open device and how values read back from it.
#include <gtest/gtest.h>

#include "serial/fixture.h"

using namespace lumetto::serial;
using lumetto::prove::FakeCommTest;
using ::testing::ElementsAre;

using Settings = FakeCommTest;

TEST_F(Settings, DefaultsMakeABinaryOnlyRecord) {
    TXComm comm;
    EXPECT_EQ(comm.DeviceName(), "COM2");
    EXPECT_EQ(comm.BaudRate(), br9600);
    EXPECT_EQ(comm.BaudValue(), 9600u);
    EXPECT_EQ(comm.Buffers().InputSize(), 2048);
    EXPECT_EQ(comm.Buffers().OutputTimeout(), 500);
    EXPECT_EQ(comm.Timeouts().ReadInterval(), 1u);
    EXPECT_EQ(comm.Timeouts().ReadMultiplier(), 0u);
    EXPECT_EQ(comm.EventChars().EventChar(), 10);
    EXPECT_EQ(comm.MonitorEvents, (TDeviceEvents{deChar, deFlag, deOutEmpty}));
    EXPECT_TRUE(comm.DeviceLocks() == (TCommLocks{lkSend, lkRead}));

    DCB d = comm.BuildDCB();
    DCB want{};
    want.BaudRate = 9600;
    want.fBinary = 1;
    want.XonLim = want.XoffLim = 512;
    want.ByteSize = 8;
    want.XonChar = 17;
    want.XoffChar = 19;
    want.EvtChar = 10;
    EXPECT_EQ(d, want);
}

TEST_F(Settings, EveryFlagOfTheRecord) {
    TXComm comm;
    comm.setFlowControl(fcCustom);
    comm.setOptions({coAbortOnError, coDiscardNull, coDSRSensitivity, coErrorChar, coParityCheck,
                     coTXContinueOnXOff});
    comm.setRTSSettings({fsCTSOut, fsRTSEnabled, fsRTSHandshake});
    comm.setDTRSettings({fsDSROut, fsDTRHandshake});
    comm.setXOnXOffSettings({fsInX, fsOutX});
    comm.EventChars().setErrorChar('?');
    comm.EventChars().setEofChar(26);
    comm.DataControl().setDataBits(db5);
    comm.DataControl().setStopBits(sb1p5);
    comm.DataControl().setParity(paSpace);
    DCB d = comm.BuildDCB();
    EXPECT_EQ(d.fParity, 1);
    EXPECT_EQ(d.fOutxCtsFlow, 1);
    EXPECT_EQ(d.fOutxDsrFlow, 1);
    EXPECT_EQ(d.fDtrControl, kDtrHandshake);
    EXPECT_EQ(d.fDsrSensitivity, 1);
    EXPECT_EQ(d.fTXContinueOnXoff, 1);
    EXPECT_EQ(d.fOutX, 1);
    EXPECT_EQ(d.fInX, 1);
    EXPECT_EQ(d.fErrorChar, 1);
    EXPECT_EQ(d.fNull, 1);
    EXPECT_EQ(d.fRtsControl, 3);  // on and handshake: toggle
    EXPECT_EQ(d.fAbortOnError, 1);
    EXPECT_EQ(d.ByteSize, 5);
    EXPECT_EQ(d.StopBits, 1);
    EXPECT_EQ(d.Parity, 4);
    EXPECT_EQ(d.ErrorChar, '?');
    EXPECT_EQ(d.EofChar, 26);

    // Leaving DTR open turns DTR on in the record whatever the handshake sets say.
    TXComm leave;
    leave.setOptions({coLeaveDTROpen});
    EXPECT_EQ(leave.BuildDCB().fDtrControl, kDtrOn);
}

TEST_F(Settings, FlowControlDerivesTheHandshakeSets) {
    TXComm comm;
    comm.setFlowControl(fcRtsCts);
    EXPECT_EQ(comm.RTSSettings(), (TRTSSettings{fsCTSOut, fsRTSHandshake}));
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));
    EXPECT_TRUE(comm.XOnXOffSettings().empty());
    DCB d = comm.BuildDCB();
    EXPECT_EQ(d.fOutxCtsFlow, 1);
    EXPECT_EQ(d.fRtsControl, 2);
    EXPECT_EQ(d.fDtrControl, 1);

    comm.setFlowControl(fcDtrDsr);
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDSROut, fsDTREnabled}));
    EXPECT_EQ(comm.RTSSettings(), (TRTSSettings{fsRTSEnabled}));

    comm.setFlowControl(fcSoftware);
    EXPECT_EQ(comm.XOnXOffSettings(), (TXOnXOffSettings{fsInX, fsOutX}));
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));
    d = comm.BuildDCB();
    EXPECT_EQ(d.fOutX, 1);
    EXPECT_EQ(d.fInX, 1);
    EXPECT_EQ(d.XonChar, 17);
    EXPECT_EQ(d.XoffChar, 19);

    // Custom keeps the sets as they are; none empties them.
    comm.setFlowControl(fcCustom);
    EXPECT_EQ(comm.XOnXOffSettings(), (TXOnXOffSettings{fsInX, fsOutX}));
    comm.setFlowControl(fcNone);
    EXPECT_TRUE(comm.XOnXOffSettings().empty());
    EXPECT_TRUE(comm.DTRSettings().empty());
    EXPECT_TRUE(comm.RTSSettings().empty());
}

TEST_F(Settings, HandshakeSetsByHandOnlyUnderCustom) {
    TXComm comm;
    comm.setRTSSettings({fsRTSEnabled});  // ignored: flow control is not custom
    EXPECT_TRUE(comm.RTSSettings().empty());

    comm.setFlowControl(fcCustom);
    comm.setRTSSettings({fsRTSEnabled});
    EXPECT_EQ(comm.RTSSettings(), (TRTSSettings{fsRTSEnabled}));

    // DTR on and DTR handshake together: the one already stored gives way.
    comm.setDTRSettings({fsDTREnabled, fsDTRHandshake});  // stored has DTR on
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTRHandshake}));
    comm.setDTRSettings({fsDTREnabled, fsDTRHandshake});  // stored has the handshake
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));

    // With DTR left open, a handshake asked for becomes DTR on.
    comm.setOptions({coLeaveDTROpen});  // closed: the sets are derived anew
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDTREnabled}));
    EXPECT_TRUE(comm.RTSSettings().empty());
    comm.setDTRSettings({fsDSROut, fsDTRHandshake});
    EXPECT_EQ(comm.DTRSettings(), (TDTRSettings{fsDSROut, fsDTREnabled}));
}

TEST_F(Settings, BaudRateAndCustomValue) {
    TXComm comm;
    comm.setBaudRate(br115200);
    EXPECT_EQ(comm.BaudValue(), 115200u);
    comm.setBaudValue(1234);  // ignored unless the rate is custom
    EXPECT_EQ(comm.BaudValue(), 115200u);
    comm.setBaudRate(brCustom);
    EXPECT_EQ(comm.BaudValue(), 115200u);
    comm.setBaudValue(250000);
    EXPECT_EQ(comm.BaudValue(), 250000u);
    EXPECT_EQ(comm.BuildDCB().BaudRate, 250000u);
}

TEST_F(Settings, QueueSizesAreLimited) {
    TXComm comm;
    comm.Buffers().setInputSize(50);
    EXPECT_EQ(comm.Buffers().InputSize(), 128);
    comm.Buffers().setInputSize(60000);
    EXPECT_EQ(comm.Buffers().InputSize(), 4096);
    EXPECT_EQ(comm.BuildDCB().XonLim, 1024);
    comm.Buffers().setOutputSize(0);
    EXPECT_EQ(comm.Buffers().OutputSize(), 128);
}

TEST_F(Settings, OpenPushesRecordQueuesAndTimeoutsInOrder) {
    TXComm comm;
    comm.setDeviceName("COM5");
    comm.DataControl().setDataBits(db7);
    comm.DataControl().setParity(paEven);
    ASSERT_TRUE(comm.OpenDevice());
    EXPECT_THAT(dev.takeCalls(),
                ElementsAre("CreateFile COM5", "SetCommMask 8187", "SetCommState", "PurgeComm 15",
                            "SetupComm 2048 2048", "SetCommTimeouts"));
    EXPECT_EQ(dev.dcb, comm.BuildDCB());
    EXPECT_EQ(dev.timeouts, (COMMTIMEOUTS{1, 0, 1, 0, 1}));
    EXPECT_TRUE(shown.empty());
    comm.CloseDevice();
}

TEST_F(Settings, ChangesWhileOpenArePushedAtOnce) {
    TXComm comm;
    open(comm);
    comm.DataControl().setStopBits(sb2);
    EXPECT_THAT(dev.takeCalls(), ElementsAre("SetCommState"));
    EXPECT_EQ(dev.dcb.StopBits, 2);
    comm.DataControl().setStopBits(sb2);  // same value: nothing
    EXPECT_TRUE(dev.takeCalls().empty());
    comm.Buffers().setOutputSize(1000);
    EXPECT_THAT(dev.takeCalls(), ElementsAre("PurgeComm 15", "SetupComm 2048 1000"));
    comm.Timeouts().setWriteConstant(7);
    EXPECT_THAT(dev.takeCalls(), ElementsAre("SetCommTimeouts"));
    EXPECT_EQ(dev.timeouts.WriteTotalTimeoutConstant, 7u);
    comm.Buffers().setInputTimeout(900);  // a wait of ours, not the device's
    EXPECT_TRUE(dev.takeCalls().empty());
    comm.EventChars().setXonChar(1);
    comm.setBaudRate(br19200);
    comm.setFlowControl(fcRtsCts);
    EXPECT_THAT(dev.takeCalls(), ElementsAre("SetCommState", "SetCommState", "SetCommState"));
    EXPECT_EQ(dev.dcb.BaudRate, 19200u);
    EXPECT_EQ(dev.dcb.fOutxCtsFlow, 1);
    comm.CloseDevice();
}

TEST_F(Settings, RefusedUpdatesAreReportedAndTheDeviceStaysOpen) {
    dev.refuseState = dev.refuseBuffers = dev.refuseTimeouts = true;
    TXComm comm;
    comm.setDeviceName("COM5");
    EXPECT_TRUE(comm.OpenDevice());
    EXPECT_TRUE(comm.DeviceOpened());
    EXPECT_THAT(texts(),
                ElementsAre("Arduino su:Unable to update device control block. non collegato!",
                            "Arduino su:Unable to update IO buffers. non collegato!",
                            "Arduino su:Unable to update Timeouts. non collegato!"));
    EXPECT_EQ(shown[0].code, 3);
    EXPECT_EQ(shown[1].code, 6);
    EXPECT_EQ(shown[2].code, 7);

    shown.clear();
    comm.DataControl().setDataBits(db6);  // refused too, but the stored value changes
    EXPECT_THAT(texts(),
                ElementsAre("Arduino su:Unable to update device control block. non collegato!"));
    dev.refuseState = false;
    dev.unreadable = true;  // the getter falls back to the stored value
    EXPECT_EQ(comm.DataControl().DataBits(), db6);
    comm.CloseDevice();
}

TEST_F(Settings, ReadsComeFromTheOpenDevice) {
    TXComm comm;
    comm.DataControl().setDataBits(db7);
    comm.DataControl().setParity(paEven);
    comm.DataControl().setStopBits(sb1);
    open(comm);
    EXPECT_EQ(dev.dcb.ByteSize, 7);
    EXPECT_EQ(dev.dcb.Parity, 2);
    EXPECT_EQ(dev.dcb.StopBits, 0);
    EXPECT_EQ(comm.DataControl().DataBits(), db7);
    EXPECT_EQ(comm.DataControl().Parity(), paEven);
    EXPECT_EQ(comm.DataControl().StopBits(), sb1);

    // The device's own values win over the stored ones.
    dev.dcb.XoffChar = 'Z';
    dev.timeouts.ReadIntervalTimeout = 77;
    dev.dcb.fOutX = 1;
    dev.dcb.fNull = 1;
    EXPECT_EQ(comm.EventChars().XoffChar(), 'Z');
    EXPECT_EQ(comm.Timeouts().ReadInterval(), 77u);
    EXPECT_EQ(comm.XOnXOffSettings(), (TXOnXOffSettings{fsOutX}));
    EXPECT_EQ(comm.Options(), (TCommOptions{coDiscardNull}));

    // Queue sizes: the driver's, or the stored ones where it reports 0.
    dev.rxQueueReported = 0;
    dev.txQueueReported = 4000;
    EXPECT_EQ(comm.Buffers().InputSize(), 2048);
    EXPECT_EQ(comm.Buffers().OutputSize(), 4000);
    comm.CloseDevice();
}

TEST_F(Settings, BaudRateReadsBackFromTheLine) {
    TXComm comm;
    open(comm);
    EXPECT_EQ(comm.BaudRate(), br9600);
    dev.runningBaud = 250000;
    EXPECT_EQ(comm.BaudRate(), brCustom);
    EXPECT_EQ(comm.BaudValue(), 250000u);
    // Once custom, the stored choice stays custom while the value follows the line.
    dev.runningBaud = 9600;
    EXPECT_EQ(comm.BaudRate(), brCustom);
    EXPECT_EQ(comm.BaudValue(), 9600u);
    comm.CloseDevice();

    TXComm other;
    dev.runningBaud = 57600;
    open(other);
    EXPECT_EQ(other.BaudRate(), br57600);
    other.CloseDevice();
}

TEST_F(Settings, OptionsKeepLeaveDTROpenWhileOpen) {
    TXComm comm;
    open(comm);
    comm.setOptions({coLeaveDTROpen, coParityCheck});
    EXPECT_EQ(comm.Options(), (TCommOptions{coParityCheck}));
    EXPECT_EQ(dev.dcb.fParity, 1);
    comm.CloseDevice();

    TXComm leave;
    leave.setOptions({coLeaveDTROpen});
    open(leave);
    leave.setOptions({});
    EXPECT_EQ(leave.Options(), (TCommOptions{coLeaveDTROpen}));
    leave.CloseDevice();
}

TEST_F(Settings, CopyingSettingsObjects) {
    TXComm a, b;
    a.DataControl().setDataBits(db7);
    a.DataControl().setParity(paOdd);
    a.Buffers().setInputSize(50);  // limited to 128 by the setter
    a.Buffers().setInputTimeout(42);
    a.Timeouts().setReadConstant(9);
    a.EventChars().setEventChar('!');
    open(b);
    b.setDataControl(a.DataControl());
    b.setBuffers(a.Buffers());
    b.setTimeouts(a.Timeouts());
    b.setEventChars(a.EventChars());
    EXPECT_EQ(dev.dcb.ByteSize, 7);
    EXPECT_EQ(dev.dcb.Parity, 1);
    EXPECT_EQ(dev.dcb.EvtChar, '!');
    EXPECT_EQ(dev.rxQueue, 128u);
    EXPECT_EQ(b.Buffers().InputTimeout(), 42);
    EXPECT_EQ(dev.timeouts.ReadTotalTimeoutConstant, 9u);
    b.CloseDevice();

    try {
        a.DataControl().Assign(a.Buffers());
        FAIL() << "assignment across classes must fail";
    } catch (const EConvertError& e) {
        EXPECT_STREQ(e.what(), "Cannot assign a TCommBuffers to a TCommDataControl");
    }
}
