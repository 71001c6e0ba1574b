// The settings record: defaults, setters that write only on change, exit, the port group and
// the two serial links.
#include <pty.h>
#include <termios.h>
#include <unistd.h>

#include <cstring>

#include "machine/params.h"
#include "platform/serial_tty.h"
#include "platform/text.h"
#include "settings_fixture.h"

namespace {

TEST_F(SettingsTest, EmptyConfigGivesEveryDefault) {
    WriteFile(ConfigPar(), "");
    MachineSettings s;
    for (const char* dir : {s.DIR_LDA, s.DIR_ISO, s.DIR_UTEN, s.DIR_DXF, s.DIR_VLK, s.DIR_V1V2}) EXPECT_STREQ(dir, "\\");
    EXPECT_STREQ(s.DIR_LOG, "C:\\BRELON2\\VELMO\\LOG\\");
    EXPECT_STREQ(s.QBLADE_NAME, "QBLADE");
    EXPECT_STREQ(s.SLICERBLADE_NAME, "BLADE");
    EXPECT_STREQ(s.NOME_MACCHINA_LOG, "BRELON");
    EXPECT_EQ(s.STEP_RIP, 0);
    EXPECT_EQ(s.CHANGE_RIP, 0);
    EXPECT_EQ(s.TYPE_OTTIM, 2);
    EXPECT_EQ(s.TYPE_EXEC, 0);
    EXPECT_EQ(s.CHANGE_RALLA, 1);
    EXPECT_EQ(s.CK_LIMITS, 1);
    EXPECT_EQ(s.TIPO_SELEZ, 0);
    EXPECT_EQ(s.BC_FAMILY, 1);
    EXPECT_EQ(s.LOG_SUPERVISOR, 0);
    EXPECT_EQ(s.IMPORT_DEFPRO, 2);
    EXPECT_EQ(GetUnitSystem(), kUnitMillimetres);
    EXPECT_EQ(s.LEN_ROW, 20);
    EXPECT_EQ(s.HEAD_FONT, 28);
    EXPECT_EQ(s.FONT, 29);
    EXPECT_EQ(s.LF_VERT, 0);
    EXPECT_EQ(s.LF_ORIZ, 10);
    EXPECT_EQ(s.BC_HEIGHT, 2);
    EXPECT_EQ(s.BC_DENSITY, 1);
    EXPECT_EQ(s.STATUS_TIMER, 250);
    EXPECT_EQ(s.ISO_TIMER, 400);
    EXPECT_EQ(s.PRINT_TIMER, 2000);
    EXPECT_EQ(s.MSG_TIMER, 500);
    EXPECT_EQ(s.CMD_TIMER, 3000);
    EXPECT_EQ(s.MAX_POS_SCARIC, 1);
    EXPECT_EQ(s.DEF_POS_SCARIC, 1);
    // Supervisor link from MSV, print link fixed.
    EXPECT_EQ(s.msvLink.baudRate, 9600);
    EXPECT_EQ(s.msvLink.byteSize, 7);
    EXPECT_EQ(s.msvLink.parity, 2);
    EXPECT_EQ(s.msvLink.stopBits, 0);
    EXPECT_EQ(s.printLink.byteSize, 7);
    EXPECT_EQ(s.printLink.parity, 2);
    EXPECT_EQ(s.printLink.xonLimit, 10);
    EXPECT_EQ(s.printLink.xoffChar, 19);
    EXPECT_EQ(s.HeadCutSquare, 1);
    EXPECT_EQ(s.firstPortLoad, 1);
    EXPECT_EQ(s.GetSupervisorPort(), nullptr);
}

TEST_F(SettingsTest, RowLengthAndUnitsFromTheFile) {
    WriteFile(ConfigPar(), "[LABEL]\r\nLEN_ROW=55\r\n[GENERAL]\r\nUN_MIS=2\r\nNOME_MACCHINA_LOG=A_VERY_LONG_MACHINE_NAME_X\r\n");
    MachineSettings s;
    EXPECT_EQ(s.LEN_ROW, 40);
    EXPECT_EQ(GetUnitSystem(), kUnitInches);
    EXPECT_EQ(std::strlen(s.NOME_MACCHINA_LOG), 19u);
}

TEST_F(SettingsTest, SettersWriteOnlyOnChange) {
    WriteFile(ConfigPar(), "[GENERAL]\r\nDIR_LDA=C:\\Lists\\\r\nSTEP_RIP=3\r\n");
    MachineSettings s;
    const std::string before = ReadFile(ConfigPar());

    s.SetDirLda("c:\\LISTS\\"); // same path, other letter case
    s.SetStepRip(3);
    EXPECT_EQ(s.SetChangeRip(0), 0);
    s.SetLogSupervisor(0);
    s.SetMachineLogName("brelon");
    EXPECT_EQ(ReadFile(ConfigPar()), before);
    EXPECT_STREQ(s.DIR_LDA, "C:\\Lists\\");

    s.SetDirLda("D:\\OTHER\\");
    s.SetStepRip(4);
    EXPECT_EQ(s.SetChangeRip(1), 1);
    s.SetImportDefpro(1);
    EXPECT_STREQ(s.DIR_LDA, "D:\\OTHER\\");
    EXPECT_EQ(Key(ConfigPar(), "GENERAL", "DIR_LDA"), "D:\\OTHER\\");
    EXPECT_EQ(Key(ConfigPar(), "GENERAL", "STEP_RIP"), "4");
    EXPECT_EQ(Key(ConfigPar(), "GENERAL", "CHANGE_RIP"), "1");
    EXPECT_EQ(Key(ConfigPar(), "GENERAL", "IMPORT_DEFPRO"), "1");
}

TEST_F(SettingsTest, ExitWritesTheUnitSystemOnly) {
    WriteFile(ConfigPar(), "[GENERAL]\r\nUN_MIS=1\r\n");
    {
        MachineSettings s;
        SetUnitSystem(kUnitInches);
    }
    EXPECT_EQ(Key(ConfigPar(), "GENERAL", "UN_MIS"), "2");
    EXPECT_EQ(plat::ReadProfileKeys("GENERAL", ConfigPar().c_str()).size(), 1u);
}

TEST_F(SettingsTest, ExtraPositionKeysAndSupervisorPortNumber) {
    EXPECT_EQ(GetT5On(), 0);
    SetT6On(1);
    EXPECT_EQ(GetT6On(), 1);
    EXPECT_EQ(GetPortMsv(), 0);
    SetPortMsv(3);
    EXPECT_EQ(GetPortMsv(), 3);
}

// ---- port group ----

class PortTest : public SettingsTest {
protected:
    void WriteLinks(const char* port, const char* fileOtt, const char* linea = "0", const char* carico = "0") {
        SetKey(ParamPar(), "PARAM", "PORT_PC_PRINT", port);
        SetKey(ParamPar(), "PARAM", "CONF_FILE_OTT", fileOtt);
        SetKey(ParamPar(), "PARAM", "CONF_LINEA", linea);
        SetKey(ParamPar(), "PARAM", "CONF_CARICO", carico);
    }
};

TEST_F(PortTest, FirstLoadStoresTheValuesByVariant) {
    WriteLinks("2", "2", "1", "1");
    MachineVariant = 2;
    MachineSettings s;
    ASSERT_EQ(s.LoadPortParameters(), 0);
    EXPECT_EQ(s.PORT_PC_PRINT, 2);
    EXPECT_STREQ(s.printPortName, "COM2");
    EXPECT_STREQ(s.msvPortName, "COM0");
    EXPECT_EQ(s.CONF_FILE_OTT, 0); // 2 holds only on variant 1
    EXPECT_EQ(s.CONF_LINEA, 1);
    EXPECT_EQ(s.CONF_CARICO, 0);
    EXPECT_EQ(s.firstPortLoad, 0);
    EXPECT_TRUE(ui_.boxes.empty());
}

TEST_F(PortTest, PortNumbersOutsideOneToNineAreRefused) {
    MachineSettings s;
    WriteLinks("12", "0");
    EXPECT_EQ(s.LoadPortParameters(), 1);
    EXPECT_EQ(std::string(g_errorText), std::string(MsgError("ERR_PORT_NUM")) + " 12");
    WriteLinks("-1", "0");
    EXPECT_EQ(s.LoadPortParameters(), 1);
    WriteLinks("9", "0");
    SetPortMsv(10);
    EXPECT_EQ(s.LoadPortParameters(), 1);
    EXPECT_EQ(std::string(g_errorText), std::string(MsgError("ERR_PORT_NUM")) + " 10");
    SetPortMsv(0);
    EXPECT_EQ(s.LoadPortParameters(), 0);
    EXPECT_STREQ(s.printPortName, "COM9");
}

TEST_F(PortTest, BadGroupTextFailsWithTheGroupTitle) {
    MachineSettings s;
    WriteLinks("x", "0");
    EXPECT_EQ(s.LoadPortParameters(), 1);
    EXPECT_STREQ(g_errorText, "Links->Label printer serial port\nThe value is not a valid number.");
    EXPECT_EQ(s.firstPortLoad, 1);
}

// ---- serial links on a pseudo-terminal ----

struct Pty {
    int master = -1;
    int slave = -1;
    std::string path;
    Pty() {
        char name[256] = {};
        if (::openpty(&master, &slave, name, nullptr, nullptr) == 0) path = name;
    }
    ~Pty() {
        if (master >= 0) ::close(master);
        if (slave >= 0) ::close(slave);
    }
};

// The Linux pseudo-terminal forces 8 data bits and no parity on its side: the character format
// is checked on what the link applies, speed, stop bits and flow control on the device.
void ExpectSevenEvenOne(const SerialLinkSettings& link, int fd) {
    plat::SerialSettings wanted;
    ASSERT_TRUE(link.ToPlatform(wanted));
    termios applied{};
    std::string error;
    ASSERT_TRUE(plat::ApplySerialSettings(wanted, applied, error)) << error;
    EXPECT_EQ(applied.c_cflag & CSIZE, static_cast<tcflag_t>(CS7));
    EXPECT_EQ(applied.c_cflag & (PARENB | PARODD | CMSPAR | CSTOPB), static_cast<tcflag_t>(PARENB));
    EXPECT_EQ(applied.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(applied.c_iflag & (IXON | IXOFF), 0u);

    termios t{};
    ASSERT_EQ(::tcgetattr(fd, &t), 0);
    EXPECT_EQ(t.c_cflag & CSTOPB, 0u);
    EXPECT_EQ(t.c_cflag & CRTSCTS, 0u);
    EXPECT_EQ(::cfgetospeed(&t), static_cast<speed_t>(B9600));
    EXPECT_EQ(t.c_iflag & (IXON | IXOFF), 0u);
}

TEST_F(PortTest, SupervisorLinkOpensAtFirstLoadWithItsSettings) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    plat::SetComDevice(3, pty.path);
    SetKey(ConfigPar(), "GENERAL", "LOG_SUPERVISOR", "1");
    SetPortMsv(3);
    WriteLinks("0", "0");
    MachineSettings s;
    ASSERT_EQ(s.LoadPortParameters(), 0);
    ASSERT_NE(s.GetSupervisorPort(), nullptr);
    ExpectSevenEvenOne(s.msvLink, s.GetSupervisorPort()->Fd());
    EXPECT_TRUE(ui_.boxes.empty());
    // A second open is nothing to do; closing with flag 0 keeps the link.
    EXPECT_EQ(s.OpenSupervisorPort(), 0);
    s.CloseSupervisorPort(0);
    EXPECT_NE(s.GetSupervisorPort(), nullptr);
    s.CloseSupervisorPort(1);
    EXPECT_EQ(s.GetSupervisorPort(), nullptr);
    plat::SetComDevice(3, "");
}

TEST_F(PortTest, PrintLinkIsFixedAtSevenBitsEvenParity) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    plat::SetComDevice(4, pty.path);
    WriteLinks("4", "0");
    MachineSettings s;
    ASSERT_EQ(s.LoadPortParameters(), 0);
    EXPECT_EQ(s.GetPrintPcPort(), nullptr); // opened by the execution monitor, not by the load
    ASSERT_EQ(s.OpenPrintPcPort(), 0);
    ASSERT_NE(s.GetPrintPcPort(), nullptr);
    ExpectSevenEvenOne(s.printLink, s.GetPrintPcPort()->Fd());
    plat::SetComDevice(4, "");
}

// A later load after the links changed in the file: the printer kind, the line and the loading
// side are taken at once; a new print port is taken at once unless a job holds the link open,
// in which case the old port stays in use and the operator is told once which port changed.
// No later load fails for it.
TEST_F(PortTest, LaterLoadTakesTheLinksAndToldOnceOfAPortThatWaitsForARestart) {
    const struct {
        const char* what;
        int variant;
        bool linkOpen;             // a job opened the print link on COM1
        const char* port;          // the links written after the first load
        const char* fileOtt;
        const char* linea;
        const char* carico;
        int portInUse, fileOttInUse, lineaInUse, caricoInUse;
        bool told;
    } cases[] = {
        {"loading side only", 1, true, "1", "0", "0", "1", 1, 0, 0, 1, false},
        {"printer kind only", 1, true, "1", "2", "0", "0", 1, 2, 0, 0, false},
        {"line only", 2, true, "1", "0", "1", "0", 1, 0, 1, 0, false},
        {"port, link not open", 1, false, "3", "0", "0", "0", 3, 0, 0, 0, false},
        {"port, link open", 1, true, "3", "1", "0", "1", 1, 1, 0, 1, true},
    };
    plat::SetComDevice(3, dir_ + "/no-such-tty");
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        Pty pty; // a port opened without sharing stays so while the terminal is open: one each
        ASSERT_FALSE(pty.path.empty());
        plat::SetComDevice(1, pty.path);
        ui_.boxes.clear();
        WriteLinks("1", "0");
        MachineVariant = c.variant;
        MachineSettings s;
        ASSERT_EQ(s.LoadPortParameters(), 0);
        if (c.linkOpen) {
            ASSERT_EQ(s.OpenPrintPcPort(), 0);
        }
        WriteLinks(c.port, c.fileOtt, c.linea, c.carico);
        // Every later load (each parameter save, each list opening) goes on; the notice comes once.
        for (int load = 0; load < 3; ++load)
            EXPECT_EQ(s.LoadPortParameters(), 0);
        EXPECT_EQ(s.PORT_PC_PRINT, c.portInUse);
        EXPECT_EQ(std::string(s.printPortName), "COM" + std::to_string(c.portInUse));
        EXPECT_EQ(s.CONF_FILE_OTT, c.fileOttInUse);
        EXPECT_EQ(s.CONF_LINEA, c.lineaInUse);
        EXPECT_EQ(s.CONF_CARICO, c.caricoInUse);
        if (c.told) {
            ASSERT_EQ(ui_.boxes.size(), 1u);
            EXPECT_EQ(ui_.boxes[0].title, "T_ATTENZIONE");
            EXPECT_EQ(ui_.boxes[0].text, std::string(MsgError("PORT_CHANGED")) + "\nCOM1 -> COM3");
        } else {
            EXPECT_EQ(ui_.boxes.size(), 0u);
        }
        // A link not open takes the new port for the next job.
        if (!c.linkOpen) {
            ASSERT_EQ(s.OpenPrintPcPort(), 1); // COM3 is no device here: the new port was tried
        }
    }
    plat::SetComDevice(1, "");
    plat::SetComDevice(3, "");
}

TEST_F(PortTest, SupervisorPortThatFailsIsReportedOnceAndRetriedLater) {
    plat::SetComDevice(5, dir_ + "/no-such-tty");
    SetKey(ConfigPar(), "GENERAL", "LOG_SUPERVISOR", "1");
    SetPortMsv(5);
    WriteLinks("0", "0");
    MachineSettings s;
    EXPECT_EQ(s.LoadPortParameters(), 0); // start-up goes on
    ASSERT_EQ(ui_.boxes.size(), 1u);
    EXPECT_EQ(ui_.boxes[0].title, "T_ERRORE");
    EXPECT_EQ(ui_.boxes[0].text, std::string(MsgError("ERR_INIT_MSVPC")) + " -1");
    EXPECT_EQ(s.GetSupervisorPort(), nullptr);
    EXPECT_EQ(s.msvLinkAttempted, 0);
    EXPECT_EQ(s.LoadPortParameters(), 0); // a later load opens nothing and shows nothing
    EXPECT_EQ(s.OpenSupervisorPort(), 1); // the next open tries again
    EXPECT_EQ(ui_.boxes.size(), 1u);
    plat::SetComDevice(5, "");
}

TEST_F(PortTest, SupervisorSettingsThePortCannotTakeFailTheSetUp) {
    Pty pty;
    ASSERT_FALSE(pty.path.empty());
    plat::SetComDevice(6, pty.path);
    SetKey(ConfigPar(), "MSV", "SIZE", "12");
    MachineSettings s;
    s.PORT_MSV = 6;
    plat::FormatC(s.msvPortName, sizeof s.msvPortName, "COM%d", 6);
    EXPECT_EQ(s.OpenSupervisorPort(), 1);
    EXPECT_STREQ(g_errorText, MsgError("ERR_CONF_MSVPC"));
    EXPECT_EQ(s.GetSupervisorPort(), nullptr);
    plat::SetComDevice(6, "");
}

TEST_F(PortTest, PortThatOpensButRefusesItsSettingsFailsTheSetUp) {
    // A device that opens for reading and writing but is no terminal takes no settings.
    plat::SetComDevice(7, "/dev/null");
    MachineSettings s;
    s.PORT_PC_PRINT = 7;
    plat::FormatC(s.printPortName, sizeof s.printPortName, "COM%d", 7);
    EXPECT_EQ(s.OpenPrintPcPort(), 1);
    EXPECT_STREQ(g_errorText, MsgError("ERR_CONF_PCPRINT"));
    EXPECT_EQ(s.GetPrintPcPort(), nullptr);
    EXPECT_EQ(s.printLinkAttempted, 0); // the next open tries again
    plat::SetComDevice(7, "");
}

} // namespace
