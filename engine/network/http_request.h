// The HTTP/1.0 client's record: one per used slot of the door's HttpSlotTable, and the
// calls its two units share. A slot's connection is a raw network handle that is not
// closed automatically, so a server that closes right after its reply leaves the reply
// readable until the slot ends.
#pragma once

#include <cstdint>

#include "engine/network/network_state.h"

enum HttpKind : std::int32_t { kHttpGet = 0, kHttpPost = 1, kHttpHead = 2 };
enum HttpResult : std::int32_t { kHttpRunning = -1, kHttpFinished = 0, kHttpFailed = 2 };
enum HttpError : std::int32_t {
    kHttpNoError = -1,
    kHttpBadStatus = 0,   // a status other than 200 and 404, or a reply that is not HTTP
    kHttpNotFound = 1,
    kHttpNoRoom = 2,      // no memory (or file space) for the body
    kHttpConnectionLost = 3,
};

constexpr int kHttpHostBytes = 128;
constexpr int kHttpPathBytes = 256;
constexpr int kHttpRequestBytes = 512;
// Response lines are peeked 255 bytes at a time; a longer line fails the request.
constexpr int kHttpLineBytes = 256;
// A body kept in memory never grows beyond this.
constexpr std::int32_t kHttpMaxMemoryBody = 256 * 1024 * 1024;

struct HttpRequestRecord {
    std::int32_t kind;
    std::int32_t step;
    std::int32_t result;
    std::int32_t error;
    std::int32_t network_handle;  // -1 once closed
    std::int32_t destination;     // 0 file, 1 memory block
    HANDLE file;
    unsigned char** body;         // where the body's block is stored (destination 1)
    std::int32_t content_length;  // -1 until a header gives it
    std::int32_t received;
    char host[kHttpHostBytes];
    char path[kHttpPathBytes];
    unsigned char* post_data;
    std::int32_t post_size;
    std::int32_t port;
    // The request as formatted and how much of it and of the post data went out: a send
    // may take part of it, and nothing goes before the connection is up.
    char request[kHttpRequestBytes];
    std::int32_t request_size;
    std::int32_t request_sent;
    std::int32_t post_sent;
    std::int32_t body_capacity;   // bytes of the body block (destination 1)
};

HttpRequestRecord* GetHttpRecord(int slot);
int StepHttpGet(int slot);
int StepHttpPost(int slot);
int StepHttpHead(int slot);
// 0 and the line (its line feed removed) in `line`; -1 when no whole line waits; -2 when
// 255 bytes wait without a line feed.
int ReadHttpLine(std::int32_t handle, char* line);
int FinishHttpSlot(int slot, std::int32_t result, std::int32_t error);
int DeleteHttpSlot(int slot);
