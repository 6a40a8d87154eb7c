// Failure injection for the platform's creation calls: a table of call names with the
// number of failures still to give (negative: every call). Tests set it through
// platform/testing/window_testing.h; the calls ask TakeCallFailure first.
#include <map>
#include <mutex>
#include <string>

#include "platform/window_hooks.h"

namespace {

std::mutex g_mutex;
std::map<std::string, int>& Failures() {
    static std::map<std::string, int> failures;
    return failures;
}

}  // namespace

namespace platform_hooks {

void SetCallFailure(const char* call_name, int count) {
    if (call_name == nullptr) return;
    std::lock_guard<std::mutex> lock(g_mutex);
    if (count == 0) {
        Failures().erase(call_name);
    } else {
        Failures()[call_name] = count;
    }
}

void ClearCallFailures() {
    std::lock_guard<std::mutex> lock(g_mutex);
    Failures().clear();
}

bool TakeCallFailure(const char* call_name) {
    std::lock_guard<std::mutex> lock(g_mutex);
    auto& failures = Failures();
    if (failures.empty()) return false;
    auto it = failures.find(call_name);
    if (it == failures.end()) return false;
    if (it->second > 0 && --it->second == 0) failures.erase(it);
    return true;
}

}  // namespace platform_hooks
