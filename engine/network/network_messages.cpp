// The network's message side: the per-frame pump (closing dead connections, then
// dispatching the network window's notifications) and the handler of the socket
// notification message. The pump closes from a list of handles taken before the first
// close, so closes and accepts during it never disturb the walk.
#include "engine/network/network.h"
#include "engine/network/network_state.h"

namespace {

// A notification refused because its transfer was already running is tried again from
// the next top-level pump, so no connection waits for an event that was used up.
void RetryMissedEvents() {
    std::int32_t handles[kNetworkTableSize];
    int count = 0;
    for (NetworkListNode* node = NewestNetworkNode(); node != nullptr && count < kNetworkTableSize;
         node = OlderNetworkNode(node)) {
        if (node->record->missed_events != 0) handles[count++] = node->handle;
    }
    for (int i = 0; i < count; ++i) {
        NetworkHandleRecord* record = FindNetworkRecord(handles[i]);
        if (record == nullptr) continue;
        const std::int32_t missed = record->missed_events;
        record->missed_events = 0;
        if (missed & kMissedRead) RecvSocket(handles[i]);
        if (missed & kMissedWrite) SendSocket(handles[i]);
    }
}

}  // namespace

int ProcessNetworkMessages(int close_flag) {
    NetworkState& st = *GetNetworkState();
    if (st.window == nullptr || !st.ready) return 0;
    if (close_flag == 1) {
        std::int32_t doomed[kNetworkTableSize];
        int count = 0;
        for (NetworkListNode* node = NewestNetworkNode(); node != nullptr && count < kNetworkTableSize;
             node = OlderNetworkNode(node)) {
            const NetworkHandleRecord* r = node->record;
            if (r->used && (r->error == 1 || (!r->connected && r->closure_seen && r->auto_close))) {
                doomed[count++] = node->handle;
            }
        }
        for (int i = 0; i < count; ++i) CloseNetworkHandle(doomed[i]);
    }
    MSG message;
    while (st.window != nullptr && PeekMessageA(&message, st.window, 0, 0, PM_REMOVE)) {
        if (message.message == WM_QUIT) {
            // Not the network's to take: back to the queue for the main pump.
            PostQuitMessage(static_cast<int>(message.wParam));
            break;
        }
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    if (close_flag == 1) RetryMissedEvents();
    return 0;
}

LRESULT HandleNetworkMessage(LPARAM event, WPARAM socket) {
    NetworkState& st = *GetNetworkState();
    if (!st.ready) return 0;
    NetworkListNode* node = NewestNetworkNode();
    while (node != nullptr && node->record->socket != static_cast<SOCKET>(socket)) node = OlderNetworkNode(node);
    if (node == nullptr) {
        WriteLogText("通信エラー No.1\n");
        return 0;
    }
    NetworkHandleRecord* record = node->record;
    const std::int32_t handle = node->handle;
    switch (LOWORD(static_cast<std::uintptr_t>(event))) {
        case FD_READ:
            if (st.receive_busy) {
                record->missed_events |= kMissedRead;
            } else {
                RecvSocket(handle);
            }
            break;
        case FD_WRITE:
            if (st.send_busy) {
                record->missed_events |= kMissedWrite;
            } else {
                SendSocket(handle);
            }
            break;
        case FD_ACCEPT:
            return AcceptNetWork();
        case FD_CONNECT:
            if (HIWORD(static_cast<std::uintptr_t>(event)) == 0) {
                record->connected = 1;
            } else {
                record->connect_failed = 1;
            }
            break;
        case FD_CLOSE:
            record->connected = 0;
            record->closure_seen = 0;
            break;
        default:
            break;
    }
    return 1;
}
