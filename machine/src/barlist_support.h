#pragma once
// Helpers of the bar-list modules: upper-casing in place and the text-field checks shared by
// the list loader and the old-list conversion.
#include <cstddef>
#include <cstdint>

namespace barlist_support {

// Lower-case ASCII letters become upper case. In place.
void UpperAscii(char* text);

// Text fields of one record that must hold their terminating zero (the machining record's
// shape name only on a special shape, figure 0, where it must also be fit for a part program:
// no control character, no '<', '>', '{' or '}'). Each returns the name of the first field that fails,
// or null when every field is sound.
const char* UnterminatedBarText(const uint8_t* record);       // 560-byte bar record
const char* UnterminatedPieceText(const uint8_t* record);     // 256-byte piece record
const char* UnterminatedMachiningText(const uint8_t* record); // 320-byte machining record

} // namespace barlist_support
