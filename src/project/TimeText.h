#pragma once

#include <string>

// printf-style formatting that always uses "." as the decimal point, whatever the process locale.
std::string FormatC(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Text to double with "." as the decimal point; a text that is not a number gives 0.
double ParseDouble(const std::string& text);

// Formats with "%.02f" and parses back, so the value is rounded to hundredths as shown.
double RoundThroughText(double value, const char* format = "%.02f");

// The same value, bit for bit, as RoundThroughText(value, "%.<decimals>f"), by arithmetic: some eighty
// times faster for up to 15 decimals, which lists of every frame's time need.
double RoundToDecimals(double value, int decimals);

// Seconds as "hh:mm:ss.cc" (short: "h:mm:ss.cc" with the hours modulo 10), rounded to hundredths first.
std::string FormatTimeText(double seconds, bool shortForm);

// "h:m:s.c" scanned into four integers (missing parts 0); the fraction counts hundredths.
double ParseTimeText(const std::string& text);

// Seconds as "hh:mm:ss.cc"; truncateToHundredths drops everything below a hundredth first.
std::string SecondsToFrameTimeText(double seconds, bool truncateToHundredths);

// The hundredths the two texts above show, for callers that need the number (FormatTimeText's, then
// SecondsToFrameTimeText's), and "hh:mm:ss.cc" of a count of hundredths.
long long TimeTextHundredths(double seconds);
long long FrameTimeHundredths(double seconds, bool truncateToHundredths);
std::string HundredthsTimeText(long long hundredths);
