#pragma once
// Library-wide state of the label library: its message table, the message sink and the
// place of its files beside the main program.
#include <string>
#include <vector>

#include "labelprint/message_sink.h"

class Dictavo;

namespace labelprint {

// Installs a sink (null restores the default) and returns the one it replaces.
tagrix::MessageSink* SetMessageSink(tagrix::MessageSink* sink);
void ShowMessage(const char* text, const char* caption, int icon);

// The library's message table (owned here; null when none is loaded).
Dictavo* MessageTable();
// Replaces the table: deletes the one held, takes ownership of table (may be null).
void SetMessageTable(Dictavo* table);
// Text of a key in the library's table; the key itself when the table lacks it or none is loaded.
const char* Text(const char* key);
// Shows ID_NO_COMM titled ID_ERROR: the printer could not be reached.
void ShowNoComm();

// "TAGRIX.INI" and "MSG/TAGRIX.msg" in the program directory.
std::string IniPath();
std::string MessageFilePath();

} // namespace labelprint

namespace labelprint {
// Template key substitution, each value written for its field (see tagrix::SubstituteKeys in
// Tagrix.h). Null or empty keys are skipped; null values read as empty. A value that its
// field's barcode cannot carry is left out (the field prints empty) and added to notCarried.
std::string SubstituteKeys(std::string text, int count, const char* const* keys, const char* const* values,
                           std::vector<std::string>* notCarried = nullptr);
} // namespace labelprint
