// Puts an environment variable back as it was (or unset) when the guard goes; given a value,
// sets the variable to it meanwhile.
#pragma once

#include <string>

class EnvironmentKept {
public:
    explicit EnvironmentKept(const char* name);
    EnvironmentKept(const char* name, const char* value);
    ~EnvironmentKept();
    EnvironmentKept(const EnvironmentKept&) = delete;
    EnvironmentKept& operator=(const EnvironmentKept&) = delete;

private:
    const char* name_;
    bool had_value_ = false;
    std::string value_;
};
