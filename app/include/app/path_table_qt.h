#pragma once
// The path table for sources that also include Qt: Qt defines "slots" as a keyword macro, which
// would swallow the table's member of that name. Read the table through operator[] here.
#pragma push_macro("slots")
#undef slots
#include "machine/path_table.h"
#pragma pop_macro("slots")
