#include "tests/support/peak_memory.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <unistd.h>

std::uint64_t PeakResidentBytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<std::uint64_t>(usage.ru_maxrss) * 1024;  // kilobytes on Linux
}

bool ResetPeakResident() {
    // "5" resets the peak resident size to the present one (Linux 4.0 and later).
    const int fd = open("/proc/self/clear_refs", O_WRONLY | O_CLOEXEC);
    if (fd < 0) return false;
    const bool done = write(fd, "5", 1) == 1;
    close(fd);
    return done;
}
