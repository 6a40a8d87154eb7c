// What the program calls on a connection: take or peek received bytes, queue bytes to
// send, ask how much is waiting and whether the peer is still there. A framed connection
// hands out only bytes of whole messages; a raw one passes each call to the socket.
#include "engine/network/network.h"
#include "engine/network/network_state.h"

namespace {

struct CallNames {
    const char* unused_text;
    const char* error_text;
};

// Not ready or not a handle: null, quietly. Otherwise dispatch waiting notifications,
// then refuse a record that is not in use or in error, with its log line.
NetworkHandleRecord* EnterCall(std::int32_t handle, const CallNames& names) {
    if (!GetNetworkState()->ready || FindNetworkRecord(handle) == nullptr) return nullptr;
    ProcessNetworkMessages(0);
    NetworkHandleRecord* record = FindNetworkRecord(handle);
    if (record == nullptr) return nullptr;
    if (!record->used) {
        WriteLogText(names.unused_text);
        return nullptr;
    }
    if (record->error) {
        WriteLogText(names.error_text);
        return nullptr;
    }
    return record;
}

int TakeReceived(std::int32_t handle, void* buffer, std::int32_t size, bool peek, const CallNames& names) {
    if (size < 0) return -1;
    if (EnterCall(handle, names) == nullptr) return -1;
    if (RecvSocket(handle) == -1) return -1;
    NetworkHandleRecord* record = FindNetworkRecord(handle);
    if (record == nullptr) return -1;
    if (!record->framed) return recv(record->socket, static_cast<char*>(buffer), size, peek ? MSG_PEEK : 0);
    // Only bytes of whole messages are handed out.
    if (size > record->complete_bytes) return -1;
    if (size > 0 && RingBufferRead(&record->receive_ring, size, buffer, peek ? 1 : 0) != 0) return -1;
    if (!peek) record->complete_bytes -= size;
    RecvSocket(handle);
    return 0;
}

}  // namespace

int NetWorkRecv(std::int32_t handle, void* buffer, std::int32_t size) {
    return TakeReceived(handle, buffer, size, false,
                        {"有効なネットワークハンドルではありません in NetWorkRecv\n",
                         "このネットワークハンドルにはエラーが発生しています in NetWorkRecv\n"});
}

int NetWorkRecvToPeek(std::int32_t handle, void* buffer, std::int32_t size) {
    return TakeReceived(handle, buffer, size, true,
                        {"有効なネットワークハンドルではありません in NetWorkRecvToPeek\n",
                         "このネットワークハンドルにはエラーが発生しています in NetWorkRecvToPeek\n"});
}

int NetWorkSend(std::int32_t handle, const void* buffer, std::int32_t size) {
    NetworkHandleRecord* record =
        EnterCall(handle, {"有効なネットワークハンドルではありません in NetWorkSend\n",
                           "このネットワークハンドルにはエラーが発生しています in NetWorkSend\n"});
    if (record == nullptr || !record->connected) return -1;
    if (size < 0 || (buffer == nullptr && size > 0)) {
        return WriteLogFormat("送信データ %d byte の追加に失敗しました in NewWorkSend", size);
    }
    SendSocket(handle);
    record = FindNetworkRecord(handle);
    if (record == nullptr) return -1;
    if (!record->framed) return send(record->socket, static_cast<const char*>(buffer), size, 0);
    if (RingBufferAppend(&record->send_ring, buffer, size) != 0) {
        return WriteLogFormat("送信データ %d byte の追加に失敗しました in NewWorkSend", size);
    }
    SendSocket(handle);
    return 0;
}

int GetNetWorkDataLength(std::int32_t handle) {
    if (!GetNetworkState()->ready) return -1;
    ProcessNetworkMessages(0);
    RecvSocket(handle);
    SendSocket(handle);
    NetworkHandleRecord* record = FindNetworkRecord(handle);
    if (record == nullptr) return -1;
    if (!record->used) return WriteLogText("有効なネットワークハンドルではありません in GetNetWorkDataLength\n");
    if (record->error) {
        return WriteLogText("このネットワークハンドルにはエラーが発生しています in GetNetWorkDataLength\n");
    }
    if (record->framed) return record->complete_bytes;
    char byte = 0;
    const int got = recv(record->socket, &byte, 1, MSG_PEEK);
    return got >= 1 ? 1 : got;
}

int GetNetWorkAcceptState(std::int32_t handle) {
    NetworkHandleRecord* record =
        EnterCall(handle, {"有効なネットワークハンドルではありません in GetNetWorkAcceptState\n",
                           "このネットワークハンドルにはエラーが発生しています in GetNetWorkAcceptStateh\n"});
    if (record == nullptr) return -1;
    if (record->connected) return 1;
    record->closure_seen = 1;
    return 0;
}
