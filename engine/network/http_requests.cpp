// The HTTP/1.0 GET, POST and HEAD state machines, one step per call: send the request
// (once connected, resuming a partial send), read the status line, the headers (the
// "Content-Length:" name in any letter case), then the body into a file or a memory
// block that grows as the bytes come. A line longer than 255 bytes fails the request; a reply that ends in the middle
// of a line fails it as a lost connection; a body without a length ends at the close.
#include <cstdio>
#include <cstring>

#include "engine/network/http_request.h"
#include "engine/network/network.h"
#include "platform/kernel.h"

namespace {

constexpr int kLineMissing = -1;
constexpr int kLineTooLong = -2;
constexpr std::int32_t kFileChunk = 4096;
constexpr std::int32_t kFirstMemoryChunk = 4096;

bool StartsWithNoCase(const char* text, const char* prefix) {
    for (; *prefix != '\0'; ++text, ++prefix) {
        char a = *text;
        char b = *prefix;
        if (a >= 'A' && a <= 'Z') a = static_cast<char>(a - 'A' + 'a');
        if (b >= 'A' && b <= 'Z') b = static_cast<char>(b - 'A' + 'a');
        if (a != b) return false;
    }
    return true;
}

// The request text, formatted once into the record.
bool FormatRequest(HttpRequestRecord& r) {
    if (r.request_size > 0) return true;
    int n = -1;
    switch (r.kind) {
        case kHttpGet:
            n = std::snprintf(r.request, sizeof(r.request), "GET %s HTTP/1.0\r\nHost: %s:%d\r\nConnection: close\r\n\r\n",
                              r.path, r.host, r.port);
            break;
        case kHttpPost:
            n = std::snprintf(r.request, sizeof(r.request), "POST %s HTTP/1.0\nHost: %s:%d\nContent-Length: %d\n\n",
                              r.path, r.host, r.port, r.post_size);
            break;
        default:
            n = std::snprintf(r.request, sizeof(r.request), "HEAD %s HTTP/1.0\n\n", r.path);
            break;
    }
    if (n <= 0 || n >= static_cast<int>(sizeof(r.request))) return false;
    r.request_size = n;
    return true;
}

// Step 0: 1 once the request (and the post data) went out whole, 0 while some waits.
int SendRequest(int slot, HttpRequestRecord& r) {
    if (!FormatRequest(r)) {
        FinishHttpSlot(slot, kHttpFailed, kHttpBadStatus);
        return 0;
    }
    if (!IsNetworkHandleConnected(r.network_handle)) return 0;
    while (r.request_sent < r.request_size) {
        const int sent = NetWorkSend(r.network_handle, r.request + r.request_sent, r.request_size - r.request_sent);
        if (sent <= 0) return 0;
        r.request_sent += sent;
    }
    while (r.kind == kHttpPost && r.post_sent < r.post_size) {
        const int sent = NetWorkSend(r.network_handle, r.post_data + r.post_sent, r.post_size - r.post_sent);
        if (sent <= 0) return 0;
        r.post_sent += sent;
    }
    return 1;
}

// A line for the step, or the end of the slot when none can come: 0 with the line; -1
// to return (the slot waits or has ended).
int TakeLine(int slot, HttpRequestRecord& r, char* line) {
    const int got = ReadHttpLine(r.network_handle, line);
    if (got == 0) return 0;
    if (got == kLineTooLong) {
        FinishHttpSlot(slot, kHttpFailed, kHttpBadStatus);
    } else if (!IsNetworkHandleConnected(r.network_handle)) {
        // The peer has closed, so all it sent is here, and it holds no whole line.
        FinishHttpSlot(slot, kHttpFailed, kHttpConnectionLost);
    }
    return -1;
}

// Status line: 1 to go on with the headers; 0 when the slot ended.
int TakeStatus(int slot, HttpRequestRecord& r, bool log_failure) {
    char line[kHttpLineBytes];
    if (TakeLine(slot, r, line) != 0) return 0;
    const int status = ParseIntAfterBlank(line);
    if (status == 200) {
        r.step = 2;
        return 1;
    }
    if (log_failure) WriteLogFormat("接続に失敗しました (戻り値:%d)", status);
    FinishHttpSlot(slot, kHttpFailed, status == 404 ? kHttpNotFound : kHttpBadStatus);
    return 0;
}

// A Content-Length header's value: 1 taken, 0 refused (the slot has ended).
int TakeContentLength(int slot, HttpRequestRecord& r, const char* line) {
    if (r.content_length != -1) return 1;  // a repeated header changes nothing
    const int length = ParseIntAfterBlank(line);
    if (length == -1) return 1;            // no number: the length stays unknown
    if (length < 0) {
        FinishHttpSlot(slot, kHttpFailed, kHttpBadStatus);
        return 0;
    }
    r.content_length = length;
    if (r.destination != 1 || r.kind == kHttpHead) return 1;
    if (length > kHttpMaxMemoryBody) {
        FinishHttpSlot(slot, kHttpFailed, kHttpNoRoom);
        return 0;
    }
    // The length is the peer's word only: the block starts small and grows as the bytes
    // come, never beyond the length.
    const std::int32_t first = length < kFirstMemoryChunk ? (length > 0 ? length : 1) : kFirstMemoryChunk;
    auto* block = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(first), "", 0));
    if (block == nullptr) {
        FinishHttpSlot(slot, kHttpFailed, kHttpNoRoom);
        return 0;
    }
    TrackedFree(*r.body);
    *r.body = block;
    r.body_capacity = first;
    return 1;
}

// Step 2 of GET and POST, one header line per call: 1 when the headers ended.
int TakeHeader(int slot, HttpRequestRecord& r) {
    char line[kHttpLineBytes];
    if (TakeLine(slot, r, line) != 0) return 0;
    if (std::strchr(line, ':') == nullptr) {
        r.step = 3;
        return 1;
    }
    if (StartsWithNoCase(line, "Content-Length:")) TakeContentLength(slot, r, line);
    return 0;
}

bool WriteWhole(HANDLE file, const char* bytes, std::int32_t n) {
    while (n > 0) {
        DWORD written = 0;
        if (!WriteFile(file, bytes, static_cast<DWORD>(n), &written, nullptr) || written == 0) return false;
        bytes += written;
        n -= static_cast<std::int32_t>(written);
    }
    return true;
}

// Room for more of a body in memory, doubling the block up to the announced length (or
// up to the cap when none was announced): false when the slot ended.
bool GrowMemoryBody(int slot, HttpRequestRecord& r) {
    if (r.received < r.body_capacity) return true;
    std::int64_t wanted = r.body_capacity == 0 ? kFirstMemoryChunk : static_cast<std::int64_t>(r.body_capacity) * 2;
    if (r.content_length >= 0 && wanted > r.content_length) wanted = r.content_length;
    if (wanted > kHttpMaxMemoryBody) {
        FinishHttpSlot(slot, kHttpFailed, kHttpNoRoom);
        return false;
    }
    auto* block = static_cast<unsigned char*>(TrackedRealloc(*r.body, static_cast<std::uint32_t>(wanted), "", 0));
    if (block == nullptr) {
        FinishHttpSlot(slot, kHttpFailed, kHttpNoRoom);
        return false;
    }
    *r.body = block;
    r.body_capacity = static_cast<std::int32_t>(wanted);
    return true;
}

// Step 3 of GET and POST.
void TakeBody(int slot, HttpRequestRecord& r, bool one_read_without_length) {
    const std::int32_t handle = r.network_handle;
    for (;;) {
        // A known length reached is the end, with no read of zero bytes (which a socket
        // may refuse while the peer is still there).
        if (r.content_length >= 0 && r.received >= r.content_length) {
            r.step = 4;
            FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
            return;
        }
        int got;
        if (r.destination == 0) {
            char chunk[kFileChunk];
            std::int32_t want = kFileChunk;
            if (r.content_length >= 0 && r.content_length - r.received < want) want = r.content_length - r.received;
            got = NetWorkRecv(handle, chunk, want);
            if (got > 0 && !WriteWhole(r.file, chunk, got)) {
                FinishHttpSlot(slot, kHttpFailed, kHttpNoRoom);
                return;
            }
        } else {
            if (!GrowMemoryBody(slot, r)) return;
            got = NetWorkRecv(handle, *r.body + r.received, r.body_capacity - r.received);
        }
        if (got < 0) return;
        r.received += got;
        const int a = GetNetWorkAcceptState(handle);
        const int b = GetNetWorkDataLength(handle);
        if ((r.content_length >= 0 && r.received >= r.content_length) ||
            (r.content_length == -1 && a == 0 && b == 0)) {
            r.step = 4;
            FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
            return;
        }
        if (got == 0 || (one_read_without_length && r.content_length == -1)) return;
    }
}

// GET and POST share their machine; they differ in the request, the log line of a
// failed status, and the single read per step of a POST body without a length.
int StepGetOrPost(int slot, bool post) {
    HttpRequestRecord* record = GetHttpRecord(slot);
    if (record == nullptr) return -1;
    HttpRequestRecord& r = *record;
    switch (r.step) {
        case 0:
            if (!SendRequest(slot, r)) return 0;
            r.step = 1;
            [[fallthrough]];
        case 1:
            if (!TakeStatus(slot, r, !post)) return 0;
            [[fallthrough]];
        case 2:
            if (!TakeHeader(slot, r)) return 0;
            [[fallthrough]];
        case 3:
            TakeBody(slot, r, post);
            return 0;
        case 4:
            FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
            return 0;
        default:
            return 0;
    }
}

}  // namespace

int ReadHttpLine(std::int32_t handle, char* line) {
    char buffer[kHttpLineBytes] = {};
    const int got = NetWorkRecvToPeek(handle, buffer, kHttpLineBytes - 1);
    if (got < 1) return kLineMissing;
    const auto* feed = static_cast<const char*>(std::memchr(buffer, '\n', static_cast<std::size_t>(got)));
    if (feed == nullptr) return got >= kHttpLineBytes - 1 ? kLineTooLong : kLineMissing;
    const int length = static_cast<int>(feed - buffer);
    buffer[length] = '\0';
    std::memcpy(line, buffer, static_cast<std::size_t>(length) + 1);
    NetWorkRecv(handle, buffer, length + 1);
    return 0;
}

int StepHttpGet(int slot) { return StepGetOrPost(slot, false); }

int StepHttpPost(int slot) { return StepGetOrPost(slot, true); }

int StepHttpHead(int slot) {
    HttpRequestRecord* record = GetHttpRecord(slot);
    if (record == nullptr) return -1;
    HttpRequestRecord& r = *record;
    switch (r.step) {
        case 0:
            if (!SendRequest(slot, r)) return 0;
            r.step = 1;
            [[fallthrough]];
        case 1:
            if (!TakeStatus(slot, r, false)) return 0;
            [[fallthrough]];
        case 2: {
            char line[kHttpLineBytes];
            if (TakeLine(slot, r, line) != 0) return 0;
            if (!StartsWithNoCase(line, "Content-Length:")) return 0;
            if (!TakeContentLength(slot, r, line)) return 0;
            r.step = 3;
            FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
            return 0;
        }
        case 3:
            FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
            return 0;
        default:
            return 0;
    }
}
