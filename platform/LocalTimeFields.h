// The range check of local calendar parts that every backend's FromLocalTime applies before it
// asks the system, so that the same fields fail everywhere instead of being normalised.
#pragma once

#include "platform/System.h"

// True when the year is 1900..9999, the month 1..12, the day exists in that month (29 February
// only in leap years), the hour 0..23, the minute 0..59 and the second 0..60 (a leap second).
bool AreLocalTimeFieldsInRange(const LocalTimeParts& parts);
