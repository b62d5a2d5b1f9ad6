#include <gtest/gtest.h>

#include <cmath>
#include <ctime>

#include "rtl/DateTime.h"
#include "rtl/Exceptions.h"

namespace {

TEST(DateTime, EncodesDaysSinceTheEndOf1899) {
  EXPECT_EQ(EncodeDate(1899, 12, 30), 0.0);
  EXPECT_EQ(EncodeDate(1900, 1, 1), 2.0);
  EXPECT_EQ(EncodeDate(1980, 1, 1), 29221.0);
  EXPECT_EQ(EncodeDate(2000, 2, 29), 36585.0);
  EXPECT_DOUBLE_EQ(EncodeTime(6, 0, 0, 0), 0.25);
  int y, m, d, h, n, s, ms;
  DecodeDate(36585.75, y, m, d);
  DecodeTime(36585.75, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 20000229);
  EXPECT_EQ(h * 10000 + n * 100 + s, 180000);
  // Before the epoch the fraction still counts forward from midnight.
  DecodeDate(-1.25, y, m, d);
  DecodeTime(-1.25, h, n, s, ms);
  EXPECT_EQ(y * 10000 + m * 100 + d, 18991229);
  EXPECT_EQ(h, 6);
}

TEST(DateTime, RefusesInvalidDatesAndTimes) {
  EXPECT_THROW(EncodeDate(2001, 2, 29), EConvertError);
  EXPECT_THROW(EncodeDate(2000, 13, 1), EConvertError);
  EXPECT_THROW(EncodeDate(2000, 0, 1), EConvertError);
  EXPECT_THROW(EncodeDate(10000, 1, 1), EConvertError);
  EXPECT_THROW(EncodeTime(24, 0, 0, 0), EConvertError);
  EXPECT_THROW(EncodeTime(0, 60, 0, 0), EConvertError);
  try {
    EncodeTime(0, 0, 60, 0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to time encode");
  }
}

TEST(DateTime, FileDateRoundTripsInTwoSecondSteps) {
  const TDateTime t = EncodeDate(2023, 7, 14) + EncodeTime(13, 45, 31, 600);
  const uint32_t packed = DateTimeToFileDate(t);
  EXPECT_EQ(packed >> 16, 14u + 7 * 32 + 43 * 512);
  EXPECT_EQ(packed & 0xFFFF, 15u + 45 * 32 + 13 * 2048);
  EXPECT_DOUBLE_EQ(FileDateToDateTime(packed), EncodeDate(2023, 7, 14) + EncodeTime(13, 45, 30, 0));
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(1979, 12, 31)), 0u);
  EXPECT_EQ(DateTimeToFileDate(EncodeDate(2108, 1, 1)), 0u);
  EXPECT_NE(DateTimeToFileDate(EncodeDate(2107, 12, 31)), 0u);
  EXPECT_EQ(DateTimeToFileDate(1e300), 0u);
}

TEST(DateTime, FileDateConversionErrors) {
  try {
    FileDateToDateTime(0);
    FAIL();
  } catch (const EConvertError& e) {
    EXPECT_EQ(e.Message(), "Invalid argument to date encode");
  }
  const uint32_t date = 1 + 1 * 32;
  EXPECT_THROW(FileDateToDateTime(date << 16 | 24 << 11), EConvertError);        // hour 24
  EXPECT_THROW(FileDateToDateTime(date << 16 | 60 << 5), EConvertError);         // minute 60
  EXPECT_THROW(FileDateToDateTime(date << 16 | 30), EConvertError);              // second 60
  EXPECT_THROW(FileDateToDateTime((date + 13 * 32 - 32) << 16), EConvertError);  // month 13
  EXPECT_NO_THROW(FileDateToDateTime(date << 16 | 29));
}

TEST(DateTime, NowIsTheLocalTime) {
  const time_t t = time(nullptr);
  tm local;
  localtime_r(&t, &local);
  const TDateTime expected = EncodeDate(local.tm_year + 1900, local.tm_mon + 1, local.tm_mday) +
                             EncodeTime(local.tm_hour, local.tm_min, local.tm_sec, 0);
  EXPECT_NEAR(Now(), expected, 5.0 / 86400);
}

}  // namespace
