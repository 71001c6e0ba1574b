// USB printer discovery on a fake sysfs tree and the exchange with a fake device.
#include <gtest/gtest.h>

#include "label_test_util.h"
#include "labelprint/print_utils.h"
#include "labelprint/usb_printer.h"

namespace {

class Usb : public ::testing::Test {
protected:
    void SetUp() override { labelprint::SetUsbRoots(dir / "sys", dir / "dev"); }
    void TearDown() override { labelprint::SetUsbRoots("", ""); }
    labelprint::UsbTimeouts Fast() {
        labelprint::UsbTimeouts t;
        t.busyWaitMs = 200;
        t.writeMs = 300;
        t.replyDelayMs = 10;
        t.readMs = 3000; // ends as soon as the reply is in
        t.afterReadMs = 0;
        return t;
    }
    lptest::TempDir dir;
};

TEST(UsbVendor, ParsesIdVendorText) {
    uint16_t v = 0;
    EXPECT_TRUE(labelprint::ParseVendorId("0a5f\n", v));
    EXPECT_EQ(v, 0x0A5F);
    EXPECT_TRUE(labelprint::ParseVendorId("0A5F", v));
    EXPECT_EQ(v, 0x0A5F);
    EXPECT_FALSE(labelprint::ParseVendorId("", v));
    EXPECT_FALSE(labelprint::ParseVendorId("10a5f", v));
    EXPECT_FALSE(labelprint::ParseVendorId("0x0a5f", v));
    EXPECT_FALSE(labelprint::ParseVendorId("a5g", v));
}

TEST_F(Usb, MatchesTheVendorIdExactlyNotThePath) {
    EXPECT_EQ(labelprint::FindUsbPrinter(labelprint::kPrinterVendorId), "") << "no usbmisc class at all";
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-a5f", "04b8\n"); // path holds "a5f", vendor differs
    lptest::AddSysfsPrinter(dir.Path(), "lp1", "1-2", "a5f0\n");
    EXPECT_EQ(labelprint::FindUsbPrinter(labelprint::kPrinterVendorId), "");
    lptest::AddSysfsPrinter(dir.Path(), "lp10", "1-10", "0a5f\n");
    lptest::AddSysfsPrinter(dir.Path(), "lp2", "1-3", "0a5f\n");
    lptest::MakeDirs(dir / "sys/class/usbmisc/hiddev0");
    EXPECT_EQ(labelprint::FindUsbPrinter(labelprint::kPrinterVendorId), dir / "dev/usb/lp2") << "lowest number first";
}

TEST_F(Usb, WritesTheWholeLabelAndReadsTheReply) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0");
    printer.SetStatusReply("\x02" "030,1,0,1245,000,0,0,0,000,0,0,0\x03\r\n");
    std::string label = "^XA^PW832";
    while (label.size() < 100000) label += "^FO10,10,^ASR,40,40^FDSOME TEXT^FS";
    label += "^XZ";
    char reply[64];
    labelprint::UsbExchangeResult r = labelprint::UsbExchange(0x0A5F, label, nullptr, 0, Fast());
    EXPECT_TRUE(r.found);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(printer.Received(label.size()), label);

    r = labelprint::UsbExchange(0x0A5F, "^XA~HS^XZ", reply, sizeof reply, Fast());
    EXPECT_TRUE(r.found);
    EXPECT_FALSE(r.error);
    EXPECT_EQ(std::string(reply), "\x02" "030,1,0,1245,000,0,0,0,000,0,0,0\x03\r\n");

    PrintUtils pu;
    pu.Timeouts() = Fast();
    EXPECT_TRUE(pu.PaperQuery(false));
    printer.SetStatusReply("\x02" "030,0,0,1245,000,0,0,0,000,0,0,0\x03\r\n");
    EXPECT_FALSE(pu.PaperQuery(false));
    EXPECT_TRUE(pu.Found());
    EXPECT_FALSE(pu.Error());
}

TEST_F(Usb, EmptyTextStillOpensAndWritesNothing) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0");
    PrintUtils pu;
    pu.Timeouts() = Fast();
    pu.SendRaw("", false);
    EXPECT_TRUE(pu.Found());
    EXPECT_FALSE(pu.Error());
    EXPECT_EQ(printer.Received(0, 100), "");
}

TEST_F(Usb, NoPrinterIsNotFoundAndNotAnError) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "04b8\n");
    PrintUtils pu;
    pu.Timeouts() = Fast();
    EXPECT_FALSE(pu.PaperQuery(false));
    EXPECT_FALSE(pu.Found());
    EXPECT_FALSE(pu.Error());
    EXPECT_STREQ(pu.Reply(), "");
}

TEST_F(Usb, DeviceThatDoesNotOpenIsAnError) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n"); // no device node
    PrintUtils pu;
    pu.Timeouts() = Fast();
    EXPECT_FALSE(pu.EndLabelAndSend(false, false) && !pu.Error());
    EXPECT_TRUE(pu.Found());
    EXPECT_TRUE(pu.Error());
}

TEST_F(Usb, PrinterThatStopsTakingDataTimesOut) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    lptest::FakePrinter printer(dir.Path(), "lp0", /*drain=*/false);
    std::string label(4 << 20, 'A');
    const labelprint::UsbExchangeResult r = labelprint::UsbExchange(0x0A5F, label, nullptr, 0, Fast());
    EXPECT_TRUE(r.found);
    EXPECT_TRUE(r.error);
}

TEST_F(Usb, StaleReplyIsNeverRead) {
    lptest::AddSysfsPrinter(dir.Path(), "lp0", "1-1", "0a5f\n");
    PrintUtils pu;
    pu.Timeouts() = Fast();
    {
        lptest::FakePrinter printer(dir.Path(), "lp0");
        printer.SetStatusReply("\x02" "030,1,0\x03\r\n");
        EXPECT_TRUE(pu.PaperQuery(false));
    }
    // The device is gone now: the query fails and must not see the last reply.
    EXPECT_FALSE(pu.PaperQuery(false));
    EXPECT_TRUE(pu.Error());
    EXPECT_STREQ(pu.Reply(), "");
}

} // namespace
