#include "tests/support/scoped_time_zone.h"

#include <cstdlib>
#include <ctime>

ScopedTimeZone::ScopedTimeZone(const char* zone) {
    const char* old = std::getenv("TZ");
    had_ = old != nullptr;
    if (had_) old_ = old;
    setenv("TZ", zone, 1);
    tzset();
}

ScopedTimeZone::~ScopedTimeZone() {
    if (had_) {
        setenv("TZ", old_.c_str(), 1);
    } else {
        unsetenv("TZ");
    }
    tzset();
}
