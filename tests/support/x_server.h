// A private X server (Xvfb on a display number it picks itself) for the tests that
// open a real window, and the small process helpers those tests share.
#pragma once

#include <sys/types.h>

#include <string>

// True when `name` is an executable file on PATH.
bool ProgramExists(const char* name);
// A line from `fd` within `timeout_ms`; empty on time-out or end.
std::string ReadLine(int fd, int timeout_ms);

class XServer {
public:
    XServer();
    ~XServer();
    XServer(const XServer&) = delete;
    XServer& operator=(const XServer&) = delete;
    // ":N", or empty when the server did not come up.
    std::string display() const { return display_.empty() ? "" : ":" + display_; }

private:
    pid_t pid_ = -1;
    std::string display_;
};
