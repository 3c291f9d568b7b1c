#pragma once
// Time of day and elapsed time for the read's time-outs.

#include <string>

// The local time of day as a fraction of a day, to the millisecond.
double TimeOfDayNow();
// The local time of day as the rows and files show it: "14:32:05".
std::string TimeOfDayText();

// Seconds, to the millisecond, from an earlier TimeOfDayNow() reading to now.
double ElapsedSeconds(double start);

// The same between two readings. A reading that is earlier in the day than `start` was taken
// after midnight, so the elapsed time stays right for an interval that spans midnight.
double ElapsedSecondsBetween(double start, double now);
