#pragma once

#include <string_view>

namespace vorlane {

// The small conversions behind the panel's fields: typed numbers and the division time,
// which the panel shows as a time of day.
class PanelValues {
public:
    struct TimeOfDay {
        int hour = 0, minute = 0, second = 0;
        bool operator==(const TimeOfDay&) const = default;
    };

    // The number that a number field's text starts with: blanks skipped, then the leading
    // decimal digits; 0 when there are none. Saturates at INT_MAX instead of overflowing.
    static int LeadingNumber(std::string_view text);

    // Seconds as hours, minutes and seconds. A time picker holds one day at most, so
    // negative values show as 00:00:00 and a day or more as 23:59:59.
    static TimeOfDay TimeOfDayFromSeconds(int seconds);
    static int SecondsFromTimeOfDay(const TimeOfDay& t);
};

} // namespace vorlane
