// Test-only start of the network: the network window and its procedure, the listening
// record, outgoing connection records and filled HTTP slots, leaving the NetworkState
// and the slot table as the rest of the room expects them.
#include "tests/support/engine_testing/network_test_entry.h"

#include <cstring>

#include "engine/network/network.h"
#include "platform/testing/window_testing.h"

namespace {

constexpr char kNetworkWindowClass[] = "VomurNetworkWindow";

LRESULT NetworkWindowProcedure(HWND window, UINT message, WPARAM wparam, LPARAM lparam) {
    if (message == kNetworkNotifyMessage) return HandleNetworkMessage(lparam, wparam);
    if (message == WM_DESTROY) GetNetworkState()->window_closed = 1;
    return DefWindowProcA(window, message, wparam, lparam);
}

// A new record in `slot` with the given socket, linked as the newest node.
std::int32_t AddRecord(std::int32_t slot, SOCKET socket, int connected, int framed, int auto_close) {
    NetworkState& st = *GetNetworkState();
    auto* record = static_cast<NetworkHandleRecord*>(TrackedCalloc(sizeof(NetworkHandleRecord), "", 0));
    if (record == nullptr) return -1;
    record->used = 1;
    record->connected = connected;
    record->framed = framed;
    record->auto_close = auto_close;
    record->socket = socket;
    record->check = TakeNetworkCheck();
    st.table[slot] = record;
    const std::int32_t handle = MakeNetworkHandle(record->check, slot);
    LinkNewestNetworkNode(record, handle);
    return handle;
}

bool CopyBounded(char* destination, const char* source, std::size_t capacity) {
    if (source == nullptr) return false;
    const std::size_t n = std::strlen(source);
    if (n >= capacity) return false;
    std::memcpy(destination, source, n + 1);
    return true;
}

}  // namespace

int StartNetworkForTesting() {
    NetworkState& st = *GetNetworkState();
    if (st.ready) return 0;
    st.window = CreateMessageOnlyWindow(kNetworkWindowClass, NetworkWindowProcedure);
    if (st.window == nullptr) return -1;
    st.window_closed = 0;
    st.ready = 1;
    return 0;
}

void SetNetworkOptionsForTesting(int raw_mode, int no_auto_close) {
    GetNetworkState()->raw_mode_option = raw_mode;
    GetNetworkState()->no_auto_close_option = no_auto_close;
}

std::int32_t ListenNetworkForTesting(SOCKET listener) {
    NetworkState& st = *GetNetworkState();
    if (!st.ready || st.table[kNetworkListenerSlot] != nullptr || listener == INVALID_SOCKET) return -1;
    const std::int32_t handle = AddRecord(kNetworkListenerSlot, listener, 1, 0, 0);
    if (handle == -1) return -1;
    if (WSAAsyncSelect(listener, st.window, kNetworkNotifyMessage, FD_ACCEPT) == SOCKET_ERROR) {
        CloseNetworkHandle(handle);
        return -1;
    }
    return handle;
}

std::int32_t AdoptConnectionForTesting(SOCKET connecting, int raw_mode, int auto_close) {
    NetworkState& st = *GetNetworkState();
    if (!st.ready || connecting == INVALID_SOCKET) return -1;
    for (std::int32_t slot = 0; slot < kNetworkConnectionSlots; ++slot) {
        if (st.table[slot] != nullptr) continue;
        const std::int32_t handle = AddRecord(slot, connecting, 0, raw_mode ? 0 : 1, auto_close);
        if (handle == -1) return -1;
        if (WSAAsyncSelect(connecting, st.window, kNetworkNotifyMessage, kNetworkConnectionEvents | FD_CONNECT) ==
            SOCKET_ERROR) {
            CloseNetworkHandle(handle);
            return -1;
        }
        return handle;
    }
    return -1;
}

std::int32_t NewestNetworkHandleForTesting() {
    NetworkListNode* node = NewestNetworkNode();
    return node == nullptr ? -1 : node->handle;
}

int CreateHttpSlotForTesting(const HttpSlotRequest& request) {
    HttpSlotTable& table = *GetHttpSlotTable();
    if (request.kind < kHttpGet || request.kind > kHttpHead || request.post_size < 0 ||
        (request.destination == 1 && request.body == nullptr)) {
        return -1;
    }
    int slot = -1;
    for (int i = 0; i < kHttpSlotCount; ++i) {
        if (table.slots[i] == nullptr) {
            slot = i;
            break;
        }
    }
    if (slot < 0) return -1;
    auto* record = static_cast<HttpRequestRecord*>(TrackedCalloc(sizeof(HttpRequestRecord), "", 0));
    if (record == nullptr) return -1;
    if (!CopyBounded(record->host, request.host, sizeof(record->host)) ||
        !CopyBounded(record->path, request.path, sizeof(record->path))) {
        TrackedFree(record);
        return -1;
    }
    if (request.kind == kHttpPost && request.post_size > 0) {
        record->post_data = static_cast<unsigned char*>(TrackedAlloc(static_cast<std::uint32_t>(request.post_size), "", 0));
        if (record->post_data == nullptr) {
            TrackedFree(record);
            return -1;
        }
        std::memcpy(record->post_data, request.post_data, static_cast<std::size_t>(request.post_size));
    }
    record->kind = request.kind;
    record->step = 0;
    record->result = kHttpRunning;
    record->error = kHttpNoError;
    record->network_handle = request.network_handle;
    // A server may close right after its reply: the reply must stay readable until the
    // slot has read it, so the connection is never closed by the pump.
    if (NetworkHandleRecord* connection = FindNetworkRecord(request.network_handle)) connection->auto_close = 0;
    record->destination = request.destination;
    record->file = request.file;
    record->body = request.destination == 1 ? request.body : nullptr;
    if (record->body != nullptr) *record->body = nullptr;
    record->content_length = -1;
    record->received = 0;
    record->post_size = request.post_size;
    record->port = request.port;
    table.slots[slot] = record;
    ++table.used_count;
    return slot;
}
