// The range check of local calendar parts.
#include "platform/LocalTimeFields.h"

bool AreLocalTimeFieldsInRange(const LocalTimeParts& parts) {
    static constexpr int kDaysInMonth[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (parts.year < 1900 || parts.year > 9999 || parts.month < 1 || parts.month > 12) return false;
    const bool leap = (parts.year % 4 == 0 && parts.year % 100 != 0) || parts.year % 400 == 0;
    const int days = (parts.month == 2 && !leap) ? 28 : kDaysInMonth[parts.month - 1];
    return parts.day >= 1 && parts.day <= days && parts.hour >= 0 && parts.hour <= 23 && parts.minute >= 0 &&
           parts.minute <= 59 && parts.second >= 0 && parts.second <= 60;
}
