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
// only once complete, so a failure leaves the previous progress intact. 0 done, 1 failed.
int WriteBarProgress(int32_t barId, const char* listPath, int32_t piecesDone);
