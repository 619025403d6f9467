#include "ui/PanelValues.h"

#include <climits>

namespace vorlane {

int PanelValues::LeadingNumber(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && (text[i] == ' ' || text[i] == '\t'))
        ++i;
    long long value = 0;
    for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i) {
        value = value * 10 + (text[i] - '0');
        if (value > INT_MAX)
            return INT_MAX;
    }
    return static_cast<int>(value);
}

PanelValues::TimeOfDay PanelValues::TimeOfDayFromSeconds(int seconds) {
    constexpr int kLastSecondOfDay = 24 * 3600 - 1;
    if (seconds < 0)
        seconds = 0;
    if (seconds > kLastSecondOfDay)
        seconds = kLastSecondOfDay;
    return {seconds / 3600, seconds / 60 % 60, seconds % 60};
}

int PanelValues::SecondsFromTimeOfDay(const TimeOfDay& t) {
    return t.hour * 3600 + t.minute * 60 + t.second;
}

} // namespace vorlane
