// Network handles: the state and its table, handle checks, the live list, accepting a
// connection, closing one (drains bounded by time, with a deadline shared by the end of
// the whole layer), the end of the network and its log line. Relies on the platform's
// socket calls and timeGetTime/Sleep.
#include <cstdarg>
#include <cstdio>

#include "engine/network/network.h"
#include "engine/network/network_state.h"
#include "platform/kernel.h"

namespace {

NetworkState g_network{};

constexpr std::int32_t kKindBits = 0x78000000;
constexpr std::int32_t kNetworkKindBits = 0x48000000;

void UndoAccept(NetworkState& st, std::int32_t slot, NetworkHandleRecord* record) {
    UnlinkNetworkNode(record);
    if (record->socket != 0 && record->socket != INVALID_SOCKET) closesocket(record->socket);
    ReleaseRingBuffer(&record->receive_ring);
    ReleaseRingBuffer(&record->send_ring);
    record->used = 0;
    TrackedFree(record);
    st.table[slot] = nullptr;
}

bool Elapsed(DWORD start, DWORD limit) { return static_cast<DWORD>(timeGetTime() - start) >= limit; }

}  // namespace

NetworkState* GetNetworkState() { return &g_network; }

std::int32_t MakeNetworkHandle(std::int32_t check, std::int32_t slot) {
    return kNetworkKindBits | ((check & 0x7FF) << 16) | slot;
}

NetworkHandleRecord* FindNetworkRecord(std::int32_t handle) {
    if (handle < 0 || (handle & kKindBits) != kNetworkKindBits) return nullptr;
    const std::int32_t slot = handle & 0xFFFF;
    if (slot >= kNetworkTableSize) return nullptr;
    NetworkHandleRecord* record = g_network.table[slot];
    if (record == nullptr || (record->check << 16) != (handle & 0x7FF0000)) return nullptr;
    return record;
}

void LinkNewestNetworkNode(NetworkHandleRecord* record, std::int32_t handle) {
    NetworkState& st = g_network;
    if (st.head.next == nullptr) {
        st.head.next = &st.end;
        st.end.previous = &st.head;
    }
    NetworkListNode& node = record->node;
    node.handle = handle;
    node.record = record;
    node.previous = st.end.previous;
    node.next = &st.end;
    st.end.previous->next = &node;
    st.end.previous = &node;
}

void UnlinkNetworkNode(NetworkHandleRecord* record) {
    NetworkListNode& node = record->node;
    if (node.previous == nullptr || node.next == nullptr) return;
    node.previous->next = node.next;
    node.next->previous = node.previous;
    node.previous = nullptr;
    node.next = nullptr;
}

NetworkListNode* NewestNetworkNode() {
    NetworkListNode* node = g_network.end.previous;
    return node == nullptr || node == &g_network.head ? nullptr : node;
}

NetworkListNode* OlderNetworkNode(NetworkListNode* node) {
    NetworkListNode* older = node->previous;
    return older == nullptr || older == &g_network.head ? nullptr : older;
}

std::int32_t TakeNetworkCheck() {
    const std::int32_t check = g_network.check_counter;
    g_network.check_counter = (check + 1) % kNetworkCheckLimit;
    return check;
}

int WriteNetworkLog(const char* format, ...) {
    char text[1024];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof(text), format, args);
    va_end(args);
    return WriteLogFormat("ネットワークログ。%s[%d]", text, WSAGetLastError());
}

int AcceptNetWork() {
    NetworkState& st = g_network;
    if (!st.ready) return -1;
    ProcessNetworkMessages(0);
    NetworkHandleRecord* listener = st.table[kNetworkListenerSlot];
    if (listener == nullptr) return -1;

    std::int32_t slot = -1;
    for (std::int32_t i = 0; i < kNetworkConnectionSlots; ++i) {
        if (st.table[i] == nullptr) {
            slot = i;
            break;
        }
    }
    if (slot < 0) return WriteLogText("空きソケットデータがなかったので accept を拒否しました \n");
    auto* record = static_cast<NetworkHandleRecord*>(TrackedCalloc(sizeof(NetworkHandleRecord), "", 0));
    if (record == nullptr) return WriteLogText("ソケット用のメモリの確保に失敗しました\n");
    st.table[slot] = record;
    record->used = 1;
    record->connected = 1;
    record->framed = st.raw_mode_option == 0 ? 1 : 0;
    record->auto_close = st.no_auto_close_option == 0 ? 1 : 0;
    record->check = st.check_counter;
    LinkNewestNetworkNode(record, MakeNetworkHandle(st.check_counter, slot));

    SOCKADDR_IN address{};
    int length = static_cast<int>(sizeof(address));
    record->socket = accept(listener->socket, reinterpret_cast<SOCKADDR*>(&address), &length);
    if (record->socket == INVALID_SOCKET) {
        WriteNetworkLog("acceptに失敗しました");
        UndoAccept(st, slot, record);
        return -1;
    }
    for (int i = 0; i < 4; ++i) record->peer_address[i] = address.sin_addr.bytes[i];
    record->peer_port = address.sin_port;
    if (WSAAsyncSelect(record->socket, st.window, kNetworkNotifyMessage, kNetworkConnectionEvents) == SOCKET_ERROR) {
        WriteNetworkLog("WSAAsyncSelectのエラー in AcceptNetWork");
        UndoAccept(st, slot, record);
        return -1;
    }
    record->check = TakeNetworkCheck();
    return 1;
}

int CloseNetworkHandleWithin(std::int32_t handle, DWORD shared_start, DWORD budget_ms) {
    NetworkState& st = g_network;
    if (!st.ready) return -1;
    NetworkHandleRecord* record = FindNetworkRecord(handle);
    if (record == nullptr || !record->used) return -1;
    ProcessNetworkMessages(0);

    // Drain what is half received, then what is queued, each for at most a second and
    // all within the shared budget; every pass gives the peer a millisecond.
    DWORD start = timeGetTime();
    while ((record = FindNetworkRecord(handle)) != nullptr && record->bytes_to_receive != 0 && !record->error &&
           !Elapsed(start, kNetworkDrainMs) && !Elapsed(shared_start, budget_ms)) {
        ProcessNetworkMessages(0);
        RecvSocket(handle);
        Sleep(1);
    }
    start = timeGetTime();
    while ((record = FindNetworkRecord(handle)) != nullptr && record->send_ring.held != 0 && !record->error &&
           !Elapsed(start, kNetworkDrainMs) && !Elapsed(shared_start, budget_ms)) {
        ProcessNetworkMessages(0);
        SendSocket(handle);
        Sleep(1);
    }
    record = FindNetworkRecord(handle);
    if (record == nullptr) return -1;

    if (record->socket != 0 && record->socket != INVALID_SOCKET) {
        WSAAsyncSelect(record->socket, st.window, 0, 0);
        closesocket(record->socket);
    }
    record->socket = 0;
    ReleaseRingBuffer(&record->receive_ring);
    ReleaseRingBuffer(&record->send_ring);
    record->used = 0;
    record->connected = 0;
    record->closure_seen = 1;
    UnlinkNetworkNode(record);
    st.table[handle & 0xFFFF] = nullptr;
    TrackedFree(record);
    return 0;
}

int CloseNetworkHandle(std::int32_t handle) { return CloseNetworkHandleWithin(handle, timeGetTime(), 0xFFFFFFFFu); }

int TerminateNetwork() {
    NetworkState& st = g_network;
    if (!st.ready) return 0;
    WriteLogText("ネットワーク関連の終了処理を行います \n");
    // One deadline for every connection: the end of the layer takes at most the time
    // one connection's close may take.
    const DWORD start = timeGetTime();
    for (std::int32_t slot = 0; slot < kNetworkTableSize; ++slot) {
        NetworkHandleRecord* record = st.table[slot];
        if (record == nullptr) continue;
        CloseNetworkHandleWithin(MakeNetworkHandle(record->check, slot), start, 2 * kNetworkDrainMs);
    }
    if (st.window != nullptr) {
        PostMessageA(st.window, WM_CLOSE, 0, 0);
        if (!st.window_closed) ProcessNetworkMessages(0);
    }
    g_network = NetworkState{};
    WSACleanup();
    WriteLogText("ネットワーク関連の終了処理は完了しました\n");
    return 0;
}

int IsNetworkHandleConnected(std::int32_t handle) {
    const NetworkHandleRecord* record = FindNetworkRecord(handle);
    return record != nullptr && record->used && record->connected ? 1 : 0;
}

int DidNetworkConnectFail(std::int32_t handle) {
    const NetworkHandleRecord* record = FindNetworkRecord(handle);
    return record != nullptr && record->connect_failed ? 1 : 0;
}
