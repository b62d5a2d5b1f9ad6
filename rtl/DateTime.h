// The platform's date-time value: days since 30 December 1899 in local time,
// the fraction being the time of day; and its MS-DOS packed form.
#pragma once

#include <cstdint>

using TDateTime = double;

inline constexpr const char* SDateEncodeError = "Invalid argument to date encode";
inline constexpr const char* STimeEncodeError = "Invalid argument to time encode";

// The current local date and time, to the millisecond.
TDateTime Now();

// EConvertError for a date outside 1-9999 or a day past its month's end, and
// for hours above 23, minutes or seconds above 59, milliseconds above 999.
TDateTime EncodeDate(int year, int month, int day);
TDateTime EncodeTime(int hour, int minute, int second, int millisecond);

void DecodeDate(TDateTime value, int& year, int& month, int& day);
void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond);

// MS-DOS date (upper 16 bits) and time (lower 16 bits, two-second steps). A
// value whose year lies outside 1980 to 2107 packs to 0.
uint32_t DateTimeToFileDate(TDateTime value);
// EConvertError when the packed date or time is not a valid one.
TDateTime FileDateToDateTime(uint32_t fileDate);
