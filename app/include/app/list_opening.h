#pragma once
// The parts of a bar-list opening that are more than window wiring: the start folder of the
// list picker, the next list of the automatic test run and the time logs of an opened list.
#include <string>

namespace app {

// The picker's start folder: the drive and directory of dirLda (the file-name part dropped),
// the directory's final backslash removed when the directory part is longer than the root
// backslash alone.
std::string ListStartFolder(const std::string& dirLda);

// dirLda without its final backslash.
std::string TestListFolder(const std::string& dirLda);

// The next list of the automatic test run from "<folder>\TestList.txt": the line after the
// first listsOpened lines, as "<folder>\<line>". 1 with path set, 2 when the file is missing
// or has no such line.
int NextTestListFile(const std::string& dirLda, int listsOpened, std::string& path);

// The list's header type byte (offset 4) as stored in the file, -1 when unreadable. Read before
// the list object is built, because its first loading marks the file as opened.
int ReadListType(const std::string& listPath);

// Whether a list's time logs start anew: a list never opened on the machine (type at most 2),
// or one whose bars are all still to do.
bool TimeLogStartsAnew(int listType, int barsLeft, int barCount);

// The header lines of a fresh time log, CR LF ended.
extern const char kTimeLogHeader[];

// Starts (fresh: an existing file deleted, the header written) or continues (the file only
// opened for appending and closed) the time log at path, a Windows path. False when the file
// cannot be opened or written.
bool OpenTimeLog(const std::string& path, bool fresh);
// The box of a time log that cannot be opened (the job goes on without it).
void ShowTimeLogOpenError();

// "<programDir>LOG\<name>.tmx" of a list path: its file name without directory and extension.
std::string ListTimeLogPath(const std::string& programDir, const std::string& listPath);

// The path shown in the title and written to the logs: upper case (the file itself is opened
// with the path as chosen, since names are case-sensitive here).
std::string ListDisplayPath(const std::string& listPath);

} // namespace app
