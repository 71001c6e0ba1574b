// The two serial links of the settings record (supervisor and print link) and parameter
// group 6, which names the print port and the label printer kind.
#include <cstdint>
#include <string>

#include "machine/error_text.h"
#include "machine/globals.h"
#include "machine/params.h"
#include "machine/settings.h"
#include "machine/settings_support.h"
#include "machine/ui_services.h"
#include "platform/serial_tty.h"
#include "platform/text.h"

bool SerialLinkSettings::ToPlatform(plat::SerialSettings& out) const {
    if (!plat::IsSupportedBaud(baudRate)) return false;
    if (byteSize < 5 || byteSize > 8) return false;
    if (parity < 0 || parity > 4) return false;
    if (stopBits < 0 || stopBits > 2) return false;
    out.baud = baudRate;
    out.dataBits = byteSize;
    out.parity = static_cast<plat::Parity>(parity);
    out.stopBits = static_cast<plat::StopBits>(stopBits);
    out.rtsCts = outxCtsFlow;
    out.xonXoff = outX || inX;
    return true;
}

namespace {
constexpr int kGroupLinks = 6;

bool ValidPortNumber(int port) { return port >= 0 && port <= kMaxComPort; }

// "COM%d" of a port number; the name field holds "COM" and one digit.
void FormatPortName(char (&name)[5], int port) {
    if (!ValidPortNumber(port)) port = 0;
    plat::FormatC(name, sizeof name, "COM%d", port);
}

void SetPortNumberError(int port) { SetErrorText("%s %d", MsgError("ERR_PORT_NUM"), port); }

// Opens one link once: 0 done or nothing to do, 1 failed (g_errorText), the attempt undone so
// that a later call tries again.
int OpenLink(std::unique_ptr<plat::SerialPort>& port, int& attempted, int number, const char* name,
             const SerialLinkSettings& link, const char* errInit, const char* errConf) {
    if (attempted != 0) return 0;
    attempted = 1;
    if (number < 1) return 0;
    if (number > kMaxComPort) {
        SetPortNumberError(number);
        attempted = 0;
        return 1;
    }
    auto opened = std::make_unique<plat::SerialPort>();
    plat::SerialSettings wanted;
    const bool takeable = link.ToPlatform(wanted);
    // Settings the platform cannot express are tried on a port opened with plain ones, to tell
    // a missing port from a refused set-up.
    const bool ok = opened->Open(name, takeable ? wanted : plat::SerialSettings{}) && takeable;
    if (!ok) {
        // A port that opened but refused its settings (or took plain ones only) is a set-up
        // failure; one that did not open at all is an open failure.
        if (opened->IsOpen() || opened->SettingsRefused())
            SetErrorText("%s", MsgError(errConf));
        else
            SetErrorText("%s %d", MsgError(errInit), -1);
        opened->Close();
        attempted = 0;
        return 1;
    }
    port = std::move(opened);
    return 0;
}

void CloseLink(std::unique_ptr<plat::SerialPort>& port, int& attempted, int flag) {
    if (flag == 0 || attempted == 0) return;
    port.reset();
    attempted = 0;
}
} // namespace

int MachineSettings::OpenSupervisorPort() {
    return OpenLink(m_msvPort, msvLinkAttempted, PORT_MSV, msvPortName, msvLink, "ERR_INIT_MSVPC",
                    "ERR_CONF_MSVPC");
}

int MachineSettings::OpenPrintPcPort() {
    return OpenLink(m_printPort, printLinkAttempted, PORT_PC_PRINT, printPortName, printLink,
                    "ERR_INIT_PCPRINT", "ERR_CONF_PCPRINT");
}

void MachineSettings::CloseSupervisorPort(int flag) { CloseLink(m_msvPort, msvLinkAttempted, flag); }

void MachineSettings::ClosePrintPcPort(int flag) { CloseLink(m_printPort, printLinkAttempted, flag); }

plat::SerialPort* MachineSettings::GetSupervisorPort() const {
    return m_msvPort && m_msvPort->IsOpen() ? m_msvPort.get() : nullptr;
}

plat::SerialPort* MachineSettings::GetPrintPcPort() const {
    return m_printPort && m_printPort->IsOpen() ? m_printPort.get() : nullptr;
}

int MachineSettings::LoadPortParameters() {
    const int msvPort = GetPortMsv();

    const ParamDef* table = ParamTable(kGroupLinks);
    const int rows = CountParamRows(table);
    const int title = ParamGroupTitle(kGroupLinks);
    int port = 0;
    int fileOtt = 0;
    int linea = 0;
    int carico = 0;
    int namedCount[kMaxComPort + 1] = {};
    for (int r = 0; r < rows; ++r) {
        char text[kParamTextSize];
        ReadParamText(kGroupLinks, r, text, sizeof text);
        double value = 0.0;
        if (ParseParamValue(*this, text, table[r], &value, title) != kParamOk) return 1;
        const int v = plat::TruncToInt32(value);
        switch (table[r].id) {
        case 0:
            port = v;
            if (v >= 1 && v <= kMaxComPort) ++namedCount[v];
            break;
        case 1: fileOtt = v; break;
        case 2: linea = MachineVariant == 2 ? v : 0; break;
        case 3: carico = MachineVariant == 1 ? v : 0; break;
        default: break;
        }
    }
    // The port names hold "COM" and one digit: only ports 1 to 9 (0 for none) are accepted.
    if (!ValidPortNumber(port)) {
        SetPortNumberError(port);
        return 1;
    }
    if (!ValidPortNumber(msvPort)) {
        SetPortNumberError(msvPort);
        return 1;
    }
    if (fileOtt == 2 && MachineVariant != 1) fileOtt = 0;

    if (firstPortLoad != 0) {
        for (int n = 1; n <= kMaxComPort; ++n) {
            if (namedCount[n] > 1) {
                SetErrorText("%s", MsgError("PORT_SOVRAP"));
                return 1;
            }
        }
        PORT_PC_PRINT = port;
        CONF_FILE_OTT = fileOtt;
        CONF_LINEA = linea;
        CONF_CARICO = carico;
        PORT_MSV = msvPort;
        firstPortLoad = 0;
        FormatPortName(printPortName, PORT_PC_PRINT);
        FormatPortName(msvPortName, PORT_MSV);
        if (PORT_MSV != 0 && LOG_SUPERVISOR != 0) {
            if (OpenSupervisorPort() != 0) ShowBox("T_ERRORE", g_errorText, BoxButtons::Ok, BoxIcon::Warning);
        }
        return 0;
    }

    // Later loads. The label printer kind, the line and the loading side are read by each job
    // and bar, so they are taken at once. Only an open print link waits for a restart: a job
    // opened it and it stays open on its port. The old port then stays in use, nothing else
    // waits, and the operator is told once which port changed. A link not open takes the new
    // port at once (the next job opens it). A changed supervisor port (stored PORT_MSV kept)
    // takes effect at the next start.
    CONF_FILE_OTT = fileOtt;
    CONF_LINEA = linea;
    CONF_CARICO = carico;
    if (port != PORT_PC_PRINT && GetPrintPcPort() == nullptr) {
        PORT_PC_PRINT = port;
        FormatPortName(printPortName, PORT_PC_PRINT);
        printLinkAttempted = 0;
    }
    if (port == PORT_PC_PRINT) {
        pendingPrintPort = -1;
    } else if (port != pendingPrintPort) {
        pendingPrintPort = port;
        char before[5];
        char after[5];
        FormatPortName(before, PORT_PC_PRINT);
        FormatPortName(after, port);
        // The combo's own name for no port.
        const std::string text = std::string(MsgError("PORT_CHANGED")) + "\n" +
                                 (PORT_PC_PRINT == 0 ? "0" : before) + " -> " + (port == 0 ? "0" : after);
        ShowBox("T_ATTENZIONE", text, BoxButtons::Ok, BoxIcon::Warning);
    }
    return 0;
}
