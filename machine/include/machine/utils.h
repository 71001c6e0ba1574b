#pragma once
// Small number and text routines shared by loaders and dialogs, and the generic merge sort.
#include <cstddef>
#include <cstdint>
#include <ctime>
#include <memory>
#include <new>

int32_t MaxInt(int32_t a, int32_t b);
// Nearest multiple of 10, halves away from zero (14 -> 10, 15 -> 20, -15 -> -20, -5 -> -10).
int32_t RoundToTen(int32_t v);
// x rounded to n decimals (2.345 with 2 -> 2.35); negative n rounds to tens, hundreds...
double RoundToDecimals(double x, int n);
// The smallest integral real not below x.
double Ceiling(double x);

// Calendar parts of a time value in local time; 0 when the time cannot be converted.
int YearOfTime(int64_t t);
int MonthOfTime(int64_t t); // 1..12
int DayOfTime(int64_t t);   // 1..31

// Text routines (single-byte texts).
// Copies src to dest (destSize bytes) without leading and trailing blanks (' ' only).
void TrimSpaces(const char* src, char* dest, std::size_t destSize);
// '_' -> ' ', then trailing blanks, tabs, CR and LF and leading blanks and tabs go. In place.
char* TrimTextField(char* text);
// TrimTextField, then an all-digit text loses its leading zeros; zeros only or an empty text
// becomes "0". text must have room for 2 characters. In place.
char* StripLeadingZeros(char* text);
// Every ' ' becomes '_'. In place.
char* SpaceToUnderscore(char* text);
// Copies text into a fixed field of size bytes: at most n characters, fewer when the text ends
// sooner (a record field need not hold its zero), always terminated and cut to size - 1.
// A null text copies as "".
void CopyField(char* field, std::size_t size, const char* text, std::size_t n = SIZE_MAX);
template <std::size_t N>
void CopyField(char (&field)[N], const char* text, std::size_t n = N - 1) {
    CopyField(field, N, text, n);
}

// Splits a path "...\SERIES\CODE.ext": cuts the extension of the file-name part (the first
// '.' after the last backslash; dots in directory names stay), takes the file name (at most
// 8 characters) into code and cuts the path at that backslash, then takes the name of the
// containing directory (at most 8 characters) into series. path is changed in place: it ends
// up as the directory without its trailing backslash ("" when there was no backslash).
// series and code are buffers of 9; either may be null.
void SplitFileName(char* path, char* series, char* code);

// Copies DIR_DXF of the settings record into the caller's buffer of 260 characters
// (empty when no settings are loaded).
void GetDxfDirectory(char* buffer);

// Stable merge sort: top-down, first half = count / 2 elements, the comparator is always
// called as cmp(left-half element, right-half element) and returns < 0 when the first goes
// first, > 0 when the second does, 0 when equal (the left one is taken: equal elements keep
// their order). One scratch buffer per sort. Returns 0, or 1 when the scratch buffer could
// not be allocated (the array is then untouched).
namespace detail {
template <typename T, typename Cmp>
void MergeSortRun(T* a, T* scratch, std::size_t n, Cmp& cmp) {
    if (n < 2) return;
    const std::size_t left = n / 2;
    MergeSortRun(a, scratch, left, cmp);
    MergeSortRun(a + left, scratch, n - left, cmp);
    // Move the left half aside and merge back into a.
    for (std::size_t i = 0; i < left; ++i) scratch[i] = std::move(a[i]);
    std::size_t i = 0, j = left, k = 0;
    while (i < left && j < n) {
        if (cmp(static_cast<const T&>(scratch[i]), static_cast<const T&>(a[j])) <= 0)
            a[k++] = std::move(scratch[i++]);
        else
            a[k++] = std::move(a[j++]);
    }
    while (i < left) a[k++] = std::move(scratch[i++]);
    // Elements left in the right half are already in place.
}
} // namespace detail

template <typename T, typename Cmp>
int MergeSort(T* array, std::size_t count, Cmp cmp) {
    if (array == nullptr || count < 2) return 0;
    std::unique_ptr<T[]> scratch(new (std::nothrow) T[count / 2]);
    if (!scratch) return 1;
    detail::MergeSortRun(array, scratch.get(), count, cmp);
    return 0;
}
