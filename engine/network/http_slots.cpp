// The HTTP slots: the table of 100 that start-up clears, stepping one slot or all of
// them, and ending a slot (its connection, post data and file closed, its outcome set)
// or deleting it. A failed slot frees the body block it allocated for the caller.
#include "engine/network/http_request.h"
#include "engine/network/network.h"
#include "platform/kernel.h"

namespace {
HttpSlotTable g_http_slots{};
}

HttpSlotTable* GetHttpSlotTable() { return &g_http_slots; }

int ClearHttpSlotTable() {
    g_http_slots = HttpSlotTable{};
    return 0;
}

HttpRequestRecord* GetHttpRecord(int slot) {
    if (slot < 0 || slot >= kHttpSlotCount) return nullptr;
    return static_cast<HttpRequestRecord*>(g_http_slots.slots[slot]);
}

int StepHttpRequest(int slot) {
    HttpRequestRecord* record = GetHttpRecord(slot);
    if (record == nullptr) return -1;
    if (record->result != kHttpRunning) return 0;
    const std::int32_t handle = record->network_handle;
    if (DidNetworkConnectFail(handle)) return FinishHttpSlot(slot, kHttpFailed, kHttpConnectionLost);
    const int a = GetNetWorkAcceptState(handle);
    const int b = GetNetWorkDataLength(handle);
    // A body without a length ends at the close: the step itself reads the end.
    const bool close_ends_body = record->step == 3 && record->content_length == -1 && record->kind != kHttpHead;
    if ((a == -1 || (a == 0 && b == 0)) && !close_ends_body) {
        return FinishHttpSlot(slot, kHttpFailed, kHttpConnectionLost);
    }
    switch (record->kind) {
        case kHttpGet:
            return StepHttpGet(slot);
        case kHttpPost:
            return StepHttpPost(slot);
        case kHttpHead:
            return StepHttpHead(slot);
        default:
            return 0;
    }
}

int StepAllHttpRequests() {
    const int total = g_http_slots.used_count;
    for (int slot = 0, handled = 0; slot < kHttpSlotCount && handled < total; ++slot) {
        if (g_http_slots.slots[slot] == nullptr) continue;
        StepHttpRequest(slot);
        ++handled;
    }
    return 0;
}

int FinishHttpSlot(int slot, std::int32_t result, std::int32_t error) {
    HttpRequestRecord* record = GetHttpRecord(slot);
    if (record == nullptr) return -1;
    if (record->network_handle != -1) {
        CloseNetworkHandle(record->network_handle);
        record->network_handle = -1;
    }
    TrackedFree(record->post_data);
    record->post_data = nullptr;
    if (record->file != nullptr) {
        CloseHandle(record->file);
        record->file = nullptr;
    }
    if (record->result == kHttpRunning) record->result = result;
    if (record->error == kHttpNoError) record->error = error;
    if (record->body != nullptr && record->result != kHttpFinished) {
        TrackedFree(*record->body);
        *record->body = nullptr;
    }
    return 0;
}

int DeleteHttpSlot(int slot) {
    HttpRequestRecord* record = GetHttpRecord(slot);
    if (record == nullptr) return -1;
    FinishHttpSlot(slot, kHttpFinished, kHttpNoError);
    TrackedFree(record);
    g_http_slots.slots[slot] = nullptr;
    --g_http_slots.used_count;
    return 0;
}

int CloseAllHttpSlots() {
    const int total = g_http_slots.used_count;
    for (int slot = 0, handled = 0; slot < kHttpSlotCount && handled < total; ++slot) {
        if (g_http_slots.slots[slot] == nullptr) continue;
        DeleteHttpSlot(slot);
        ++handled;
    }
    return 0;
}
