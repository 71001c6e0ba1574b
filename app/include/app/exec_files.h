#pragma once
// The files and counts of the execution monitor, without any window: the bar-code file of a
// finished piece, the unloading list line, the time-log line of a bar, and the bounds kept on
// the repetition and piece counts.
#include <cstdint>
#include <string>

#include "platform/clock.h"

namespace app {

// Repetitions still to do once done of left are finished: never below 0 (more repetitions
// finished than were left, or a negative input) and never above the 16-bit field.
uint16_t RepetitionsLeftAfter(int left, int done);

// Base name of the bar-code file of a piece finished at t: "YYYYMMDDhhmmss".
std::string BarCodeFileStem(const plat::LocalTime& t);

// Creates the bar-code file of a finished piece in dir (Windows or native form): the piece
// name (the bar name for a bar without pieces), a line end and the list name, without a final
// line end. The file is created exclusively: a name already taken (two pieces finished in the
// same second) gets "_1", "_2" ... before ".bcf", so no file is ever replaced. false when no
// file could be created or written; path receives the file's name (as given) on success.
bool WriteBarCodeFile(const std::string& dir, const plat::LocalTime& t, const char* pieceName,
                      const char* listName, std::string* path = nullptr);

// Folder of the unloading list: CONFIG.PAR [UNLOADING] PATH, by default the CONF\ folder of the
// program directory, always ending in a backslash.
std::string UnloadingDirectory(const char* configPar, const char* programDir);

// Appends "<code>;<bar length in mm>;1" and a line end to "<dir><list name>.NV2". false when
// the file does not open.
bool AppendUnloadingLine(const std::string& dir, const char* listName, const char* code, int32_t barLength);

// Appends the bar's line "%15s%15s%15s%15s" (series, code, bar name cut to 8, time text) and a
// line end to the time log. false when the file does not open.
bool AppendTimeLogLine(const std::string& path, const char* series, const char* code, const char* barName,
                       const char* timeText);

// The bar time text of one of bars bars cut by one program, whose time is timeText ("12\"",
// "3'", "3' 5\"", as the controller's time counter is written): the program's seconds shared
// out, the first bars taking a second more where they do not divide, so the bars' times add up
// to the program's. A text of another form stays whole on the first bar and empty on the rest.
std::string BarTimeShare(const std::string& timeText, int bars, int bar);

// Says a fault of the bar progress record (the text in g_errorText) in a box, once per session
// and file: a read-only or full folder fails the record of every piece and every bar, and the
// run goes on without it (the record is then no progress).
void TellBarProgressFault();

// A notice of the job road after which the job goes on by itself (a progress record not used,
// the engine's warnings, the office mode's label prompt): a box titled T_ATTENZIONE, or, in an
// automatic test run that hides its boxes (FLAG_TEST_HIDE_POPUP), a line on the standard error,
// so the unattended run never waits on it. Boxes that stop the job or report something lost are
// shown whatever the flags.
void JobNotice(const std::string& text);

// The file an earlier version kept the owed names in ("STATLAB.TXT" beside the job's record,
// section STATLAB); read once at the start and removed.
std::string LegacyOwedPrintsPath();
// At the program's start, the first point a restart reaches whether or not a bar runs: the
// labels and supervisor lines the job's record (machine/bar_progress.h) says a run cut short
// still owed are told in one box and cleared from the record, so they are told once. A record
// that cannot be cleared is said as well, naming the file. Returns true when something was owed.
bool TellOwedPrintsAtStart();
// A list the monitor could not write its count into (the office changed it, or the write
// failed): said once per list and session, with the text of g_errorText; the run goes on.
void TellListFault(const char* listPath);

} // namespace app
