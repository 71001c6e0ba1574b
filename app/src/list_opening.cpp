// Start folder, test-run list and time logs of a bar-list opening.
#include "app/list_opening.h"
#include "app/unattended.h"

#include "machine/ui_services.h"

#include <cctype>
#include <cstdio>
#include <cstring>

#include "platform/paths.h"

namespace app {

namespace {
// Index just past the drive ("C:") of a Windows path, 0 without one.
std::size_t DriveEnd(const std::string& p) {
    return p.size() >= 2 && p[1] == ':' ? 2 : 0;
}
bool IsSep(char c) { return c == '\\' || c == '/'; }
} // namespace

std::string ListStartFolder(const std::string& dirLda) {
    const std::size_t drive = DriveEnd(dirLda);
    std::size_t lastSep = std::string::npos;
    for (std::size_t i = drive; i < dirLda.size(); ++i)
        if (IsSep(dirLda[i])) lastSep = i;
    std::string dir = lastSep == std::string::npos ? std::string() : dirLda.substr(drive, lastSep - drive + 1);
    if (dir.size() > 1) dir.pop_back();
    return dirLda.substr(0, drive) + dir;
}

std::string TestListFolder(const std::string& dirLda) {
    std::string f = dirLda;
    if (!f.empty() && IsSep(f.back())) f.pop_back();
    return f;
}

int NextTestListFile(const std::string& dirLda, int listsOpened, std::string& path) {
    const std::string folder = TestListFolder(dirLda);
    FILE* f = plat::OpenFile(folder + "\\TestList.txt", "rb");
    if (f == nullptr) return 2;
    // Whole lines of any length: a line longer than a read buffer is still one line.
    auto readLine = [f](std::string& line) {
        line.clear();
        int c;
        bool any = false;
        while ((c = std::fgetc(f)) != EOF) {
            any = true;
            if (c == '\n') break;
            line.push_back(static_cast<char>(c));
        }
        return any;
    };
    std::string line;
    bool ok = true;
    for (int i = 0; i < listsOpened && ok; ++i) ok = readLine(line);
    if (ok) ok = readLine(line);
    std::fclose(f);
    if (!ok) return 2;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    path = folder + "\\" + line;
    return 1;
}

int ReadListType(const std::string& listPath) {
    FILE* f = plat::OpenFile(listPath, "rb");
    if (f == nullptr) return -1;
    unsigned char header[5];
    const bool ok = std::fread(header, 1, sizeof header, f) == sizeof header;
    std::fclose(f);
    return ok ? header[4] : -1;
}

bool TimeLogStartsAnew(int listType, int barsLeft, int barCount) {
    return listType <= 2 || barsLeft == barCount;
}

const char kTimeLogHeader[] = "======================= Time Log File ======================\r\n"
                              "          Serie           Code           Name      Exec Time\r\n";

bool OpenTimeLog(const std::string& path, bool fresh) {
    if (fresh) {
        const std::string existing = plat::FindExisting(path);
        if (!existing.empty()) std::remove(existing.c_str());
    }
    FILE* f = plat::OpenFile(path, "ab");
    if (f == nullptr) return false;
    bool ok = true;
    if (fresh) ok = std::fwrite(kTimeLogHeader, 1, std::strlen(kTimeLogHeader), f) == std::strlen(kTimeLogHeader);
    if (std::fclose(f) != 0) ok = false;
    return ok;
}

std::string ListTimeLogPath(const std::string& programDir, const std::string& listPath) {
    std::size_t start = DriveEnd(listPath);
    for (std::size_t i = start; i < listPath.size(); ++i)
        if (IsSep(listPath[i])) start = i + 1;
    std::string name = listPath.substr(start);
    const std::size_t dot = name.rfind('.');
    if (dot != std::string::npos) name.erase(dot);
    return programDir + "LOG\\" + name + ".tmx";
}

std::string ListDisplayPath(const std::string& listPath) {
    std::string up = listPath;
    for (char& c : up) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
    return up;
}

void ShowTimeLogOpenError() {
    if (TellUnattended("time log", "Error Opening .TMX File")) return;
    MessageBoxRequest r;
    r.title = "Brelon";
    r.titleIsKey = false;
    r.text = "Error Opening .TMX File";
    r.icon = BoxIcon::Warning;
    r.taskModal = false;
    Ui().ShowMessageBox(r);
}

} // namespace app
