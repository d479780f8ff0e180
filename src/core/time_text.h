#pragma once
// Fixed-width texts of UTC times.
#include <string>

// "Www Mmm DD hh:mm:ss YYYY" (24 characters, English names, zero-padded day) of a UTC time in
// seconds since 1970. A time that is not finite or lies outside the years 1000-9999 gives the
// text of time 0, so every fixed-position read of the text stays valid.
std::string gf_utcTimeString(double secondsSince1970);
// True when gf_utcTimeString shows the time itself rather than time 0.
bool gf_utcTimeInRange(double secondsSince1970);
// "hh:mm:ss" of the clock's current UTC time.
std::string gf_utcClockText();
// "Mmm DD, YYYY" of the clock's current UTC date, e.g. "Dec 09, 2026".
std::string gf_metaDateText();
// The clock text of log lines: "<<< hh:mm:ss" of the feed stamp while a time shift follows the
// feed, else "hh:mm:ss" of the current UTC time.
std::string gf_logTimeStamp();
