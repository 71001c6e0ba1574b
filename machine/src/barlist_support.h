#pragma once
// Helpers of the bar-list and tool-table modules: CONFIG.PAR keys, bounded text copies and the
// text-field checks shared by the list loader and the old-list conversion.
#include <cstddef>
#include <cstdint>
#include <string>

namespace barlist_support {

// The CONFIG.PAR path of the path table ("" without a table).
const char* ConfigParPath();
// Reads a key of CONFIG.PAR cut to maxChars characters (default when missing).
std::string ReadConfigString(const char* section, const char* key, const char* def, std::size_t maxChars);
int32_t ReadConfigInt(const char* section, const char* key, int32_t def);
// Writes a key of CONFIG.PAR; false on an I/O failure.
bool WriteConfigString(const char* section, const char* key, const char* value);
bool WriteConfigInt(const char* section, const char* key, int32_t value);

// Copies at most n bytes of a (terminated) field into dest of destSize, cut and terminated.
void CopyText(char* dest, std::size_t destSize, const char* src, std::size_t n);
template <std::size_t N>
void CopyText(char (&dest)[N], const char* src, std::size_t n = N - 1) {
    CopyText(dest, N, src, n);
}
void UpperAscii(char* text);

// Text fields of one record that must hold their terminating zero (the machining record's
// shape name only on a special shape, figure 0). Each returns the name of
// the first field without it, or null when every field is terminated.
const char* UnterminatedBarText(const uint8_t* record);       // 560-byte bar record
const char* UnterminatedPieceText(const uint8_t* record);     // 256-byte piece record
const char* UnterminatedMachiningText(const uint8_t* record); // 320-byte machining record

} // namespace barlist_support
