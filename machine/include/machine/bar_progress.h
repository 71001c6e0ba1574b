#pragma once
// The bar progress file: which bar of which list has how many pieces made in the current
// repetition, so that an interrupted bar resumes after its last finished piece. An INI file at
// g_barProgressPath (globals.h), section STATBAR, keys NOMELDA, IDBARRA, PEZZIFATTI. Callers
// use it only when the machine parameter MEM_PEZZI is on.
#include <cstdint>

// Pieces already made of the bar: 0 when the file does not open, names another list (exact
// comparison) or another bar; otherwise PEZZIFATTI.
int ReadBarProgress(int32_t barId, const char* listPath);
// Writes the three keys. The new content goes to a temporary file that replaces the old one
// only once complete and on disk, so neither a failed write nor a crash leaves half a file
// (after a crash the record is the old one or the new one). 0 done. A failed write (a
// full drive, no permission) puts the file's name and the reason in g_errorText and removes
// the previous record, which no longer tells the pieces made: 1 when it is gone (the bar
// would start again from its first piece), 2 when even that failed and the stale record
// stays (the caller must not let another piece be made on it).
int WriteBarProgress(int32_t barId, const char* listPath, int32_t piecesDone);
