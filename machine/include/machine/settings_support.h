#pragma once
// The program's two message tables and the look-ups the machine layer makes through them.
// The application object loads the tables at start-up; without a table a look-up answers as
// an empty table does (the key itself, an empty text for a number).
class Dictavo;

extern Dictavo* g_msgStrings; // "MSG\STRING.MSG": titles, labels, buttons, questions
extern Dictavo* g_msgErrors;  // "MSG\ERR.MSG": error texts

// Never null.
const char* MsgString(const char* key);
const char* MsgStringNum(int number);
const char* MsgError(const char* key);
