// Sets the TZ variable for the object's lifetime and puts the previous value (or its
// absence) back afterwards. POSIX zone rules such as "JST-9" need no zone database.
#pragma once

#include <string>

class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* zone);
    ~ScopedTimeZone();
    ScopedTimeZone(const ScopedTimeZone&) = delete;
    ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

private:
    bool had_ = false;
    std::string old_;
};
