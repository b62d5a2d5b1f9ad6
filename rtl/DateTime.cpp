#include "rtl/DateTime.h"

#include <cmath>
#include <ctime>

#include "rtl/Exceptions.h"

namespace {

constexpr int64_t kMSecsPerDay = 86400000;
// Day numbers of 1 January 0001 and 31 December 9999 as date-time values.
constexpr double kMinDateTime = -693593.0;
constexpr double kMaxDateTime = 2958466.0;
// 1 January 1970 as a date-time value.
constexpr int64_t kUnixDateDelta = 25569;

bool IsLeapYear(int year) { return year % 4 == 0 && (year % 100 != 0 || year % 400 == 0); }

int DaysInMonth(int year, int month) {
  static const int days[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
  return month == 2 && IsLeapYear(year) ? 29 : days[month - 1];
}

// Days since 1 January 1970 of a proleptic Gregorian date, and back.
int64_t DaysFromCivil(int64_t y, int m, int d) {
  y -= m <= 2;
  const int64_t era = (y >= 0 ? y : y - 399) / 400;
  const int64_t yoe = y - era * 400;
  const int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
  const int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
  return era * 146097 + doe - 719468;
}

void CivilFromDays(int64_t z, int& year, int& month, int& day) {
  z += 719468;
  const int64_t era = (z >= 0 ? z : z - 146096) / 146097;
  const int64_t doe = z - era * 146097;
  const int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
  const int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
  const int64_t mp = (5 * doy + 2) / 153;
  day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
  month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
  year = static_cast<int>(yoe + era * 400 + (month <= 2));
}

// Whole days and milliseconds of the day. As in the class library, the day
// part is truncated toward zero and the time is taken from the absolute
// fraction, so -1.25 is 29 December 1899, 06:00.
bool SplitDateTime(TDateTime value, int64_t& days, int64_t& msecs) {
  if (!(value >= kMinDateTime - 1 && value <= kMaxDateTime + 1)) return false;
  const int64_t total = std::llround(value * kMSecsPerDay);
  days = total / kMSecsPerDay;
  msecs = std::llabs(total) % kMSecsPerDay;
  return true;
}

}  // namespace

TDateTime EncodeDate(int year, int month, int day) {
  if (year < 1 || year > 9999 || month < 1 || month > 12 || day < 1 || day > DaysInMonth(year, month))
    throw EConvertError(SDateEncodeError);
  return static_cast<TDateTime>(DaysFromCivil(year, month, day) + kUnixDateDelta);
}

TDateTime EncodeTime(int hour, int minute, int second, int millisecond) {
  if (hour < 0 || hour > 23 || minute < 0 || minute > 59 || second < 0 || second > 59 || millisecond < 0 ||
      millisecond > 999)
    throw EConvertError(STimeEncodeError);
  return static_cast<TDateTime>(((hour * 60 + minute) * 60 + second) * 1000 + millisecond) / kMSecsPerDay;
}

void DecodeDate(TDateTime value, int& year, int& month, int& day) {
  int64_t days, msecs;
  if (!SplitDateTime(value, days, msecs)) {
    year = month = day = 0;
    return;
  }
  CivilFromDays(days - kUnixDateDelta, year, month, day);
}

void DecodeTime(TDateTime value, int& hour, int& minute, int& second, int& millisecond) {
  int64_t days, msecs;
  if (!SplitDateTime(value, days, msecs)) msecs = 0;
  hour = static_cast<int>(msecs / 3600000);
  minute = static_cast<int>(msecs / 60000 % 60);
  second = static_cast<int>(msecs / 1000 % 60);
  millisecond = static_cast<int>(msecs % 1000);
}

TDateTime Now() {
  timespec now;
  clock_gettime(CLOCK_REALTIME, &now);
  tm local;
  localtime_r(&now.tv_sec, &local);
  return EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
         EncodeTime(local.tm_hour, local.tm_min, local.tm_sec > 59 ? 59 : local.tm_sec,
                    static_cast<int>(now.tv_nsec / 1000000));
}

uint32_t DateTimeToFileDate(TDateTime value) {
  int year, month, day, hour, minute, second, msec;
  DecodeDate(value, year, month, day);
  if (year < 1980 || year > 2107) return 0;
  DecodeTime(value, hour, minute, second, msec);
  const uint32_t date = day + (month << 5) + ((year - 1980) << 9);
  const uint32_t time = (second >> 1) + (minute << 5) + (hour << 11);
  return date << 16 | time;
}

TDateTime FileDateToDateTime(uint32_t fileDate) {
  const uint32_t date = fileDate >> 16, time = fileDate & 0xFFFF;
  TDateTime result = EncodeDate(date / 512 + 1980, (date / 32) & 15, date & 31);
  return result + EncodeTime(time / 2048, (time / 32) & 63, (time & 31) * 2, 0);
}
