#include "tests/support/environment_kept.h"

#include <cstdlib>

EnvironmentKept::EnvironmentKept(const char* name) : name_(name) {
    const char* value = std::getenv(name);
    had_value_ = value != nullptr;
    if (had_value_) value_ = value;
}

EnvironmentKept::EnvironmentKept(const char* name, const char* value) : EnvironmentKept(name) {
    setenv(name, value, 1);
}

EnvironmentKept::~EnvironmentKept() {
    if (had_value_) {
        setenv(name_, value_.c_str(), 1);
    } else {
        unsetenv(name_);
    }
}
