#pragma once
// The bar progress file: which bar of which list has how many pieces made in the current
// repetition, so that an interrupted bar resumes after its last finished piece. An INI file at
// g_barProgressPath (globals.h), section STATBAR, keys NOMELDA, IDBARRA, PEZZIFATTI. Callers
// use it only when the machine parameter MEM_PEZZI is on.
#include <cstdint>
#include <string>

// Pieces already made of the bar: 0 when the file does not open, names another list (exact
// comparison) or another bar, or is a record a write failed to replace (below); otherwise
// PEZZIFATTI.
int ReadBarProgress(int32_t barId, const char* listPath);

// The progress of a bar as every reader takes it: the bar confirmation, the bar computation
// and the execution monitor. A stored count that does not fit the bar (below 0, or the bar's
// piece count or more: every piece made is no place to resume) is no progress: the bar starts
// from its first piece, and misfit tells the caller to say so. A bar without pieces counts as
// one piece, as the monitor counts it, so no count ever fits it.
struct BarProgress {
    int piecesDone = 0; // pieces the bar resumes after, 0..pieceCount-1
    int stored = 0;     // PEZZIFATTI as stored for this bar of this list (0 without a record)
    bool misfit = false;
};
BarProgress BarProgressOf(int stored, int pieceCount);
BarProgress ReadFittingBarProgress(int32_t barId, const char* listPath, int pieceCount);
// Writes the three keys. The new content goes to a temporary file that replaces the old one
// only once complete and on disk, so neither a failed write nor a crash leaves half a file
// (after a crash the record is the old one or the new one). 0 done. A failed write (a
// full drive, no permission) puts the file's name and the reason in g_errorText and removes
// the previous record, which no longer tells the pieces made: 1 when it is gone (the bar
// would start again from its first piece; the pieces are held for the session, see
// UnkeptBarProgress), 2 when even that failed and the stale record stays. A record left stale is no progress for the rest of the session (ReadBarProgress gives 0)
// until a write replaces it.
int WriteBarProgress(int32_t barId, const char* listPath, int32_t piecesDone);

// Before a bar resumes from the record: a record the program can no longer replace would be
// resumed from again at every restart, however many pieces were made since. The record is
// rewritten with its own content; 0 when that worked or there is no record; 1 when it could not
// be (g_errorText names the file and the reason): the record is removed or, when even that
// fails, left stale, and its pieces are held (UnkeptBarProgress) for the operator to decide.
int ConfirmBarProgressRecord();

// Pieces of a bar made (by the record, or by the monitor's count) that the record file could
// not keep: a write of the progress, or the rewrite before a resume, failed (a full drive, a
// read-only folder). The file then no longer tells them, and a restart would start the bar from
// its first piece; in this session they are held here so that the next confirmation of the bar
// asks the operator instead of cutting them again. Held, a bar each, until that bar's progress
// is next written (KeepJobRecord with its progress keys) or the operator decides.
struct UnkeptProgress {
    std::string listPath;
    int32_t barId = -1;
    int32_t piecesDone = 0;
    bool resume = false; // the operator chose to go on after them: ReadBarProgress gives them
    std::string fault;   // g_errorText of the failed write: the file and the reason
};
// The held pieces of this bar of this list, or null.
const UnkeptProgress* UnkeptBarProgress(int32_t barId, const char* listPath);
// The operator's answers: go on after the held pieces (every reader of the progress takes them
// until the bar's progress is written again), or forget them (the bar starts from its first
// piece). Held pieces are never written back to the file: a restart does not resume from them.
void ResumeUnkeptProgress(int32_t barId, const char* listPath);
void ForgetUnkeptProgress(int32_t barId, const char* listPath);

// The job's record: the one file at g_barProgressPath that a restart reads to know where the
// running job stood. Beside the progress keys it holds, in the same file and so in the same
// replacement:
//   STATBAR RIPETIZIONI  the repetitions the list must hold for the bar once its last finished
//                        repetition is counted there; present only from the end of that
//                        repetition until the list's count is written (SettleFinishedRepetition)
//   STATLAB ETICHETTE    the labels still owed (waiting to be printed, or an offcut cut and
//                        not yet labelled), by name, joined by ", "
//   STATLAB SUPERVISORE  the pieces whose supervisor lines are still to be written
// The owed names are kept whole: a backslash, CR and LF in them are written as "\\", "\r" and
// "\n". Every change replaces the whole file (WriteRecordAtomic), so a power cut leaves the
// record before or after a change, never a mixture.
struct JobRecord {
    bool progress = false; // the STATBAR keys are there
    std::string listPath;
    int32_t barId = -1;
    int32_t piecesDone = 0;
    int32_t repetitionsAfter = -1; // -1: no finished repetition waits for the list's count
    std::string owedLabels;
    std::string owedSupervisor;
    bool Empty() const { return !progress && owedLabels.empty() && owedSupervisor.empty(); }
    bool operator==(const JobRecord&) const = default;
};
// What the record file holds now (empty when there is none, or when it is a record a write
// failed to replace: see WriteBarProgress).
JobRecord ReadJobRecord();
// Replaces the record with r: 0 done, or as WriteBarProgress fails (1 the old record removed,
// 2 left stale), g_errorText naming the file. An empty record is not written where no file
// is. WriteBarProgress is this with the progress keys changed and the owed names kept.
int KeepJobRecord(const JobRecord& r);
// The text of the record as written, and back (tests and the readers above).
std::string JobRecordText(const JobRecord& r);
JobRecord ParseJobRecord(const std::string& text);

// After a list is read: a finished repetition of one of its bars that the record holds and the
// list does not count yet (a power cut fell between the two) is counted in the list now, and
// the record forgets it. The list's count is written only when it is the count before that
// repetition; a list holding any other count (the office changed it) is left as it is. 0 done
// or nothing to do; 1 when the list or the record could not be written (g_errorText).
class BarList;
int SettleFinishedRepetition(BarList& list);
