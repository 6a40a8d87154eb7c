// The network room's own records: the process-wide NetworkState with its table of 4,097
// connection records (slot 4,096 holds the listening socket's), the record of one
// connection, the live list in creation order, and the calls the room's units share.
// Handles are kind 9: 0x48000000 | check << 16 | slot.
#pragma once

#include <cstdint>

#include "engine/core/core.h"
#include "engine/network/network.h"
#include "platform/winsock.h"

constexpr int kNetworkConnectionSlots = 4096;
constexpr int kNetworkListenerSlot = 4096;
constexpr int kNetworkTableSize = 4097;
constexpr LONG kNetworkConnectionEvents = FD_READ | FD_WRITE | FD_CLOSE;
constexpr std::int32_t kNetworkCheckLimit = 2048;
// Longest incoming message. A peer's length header above it is refused without any
// allocation: the connection is marked in error and closed at the next pump.
constexpr std::int32_t kMaxIncomingMessageBytes = 16 * 1024 * 1024;
// Received bytes not yet taken beyond which no new message is read from the socket; the
// rest waits in the system until the program takes some.
constexpr std::int32_t kReceiveBacklogLimit = 64 * 1024 * 1024;
// Each direction of a close drains for at most this long.
constexpr DWORD kNetworkDrainMs = 1000;

struct NetworkHandleRecord;

struct NetworkListNode {
    std::int32_t handle;
    NetworkHandleRecord* record;
    NetworkListNode* next;      // newer
    NetworkListNode* previous;  // older
};

// Bits of `missed_events`.
constexpr std::int32_t kMissedRead = 1;
constexpr std::int32_t kMissedWrite = 2;

struct NetworkHandleRecord {
    std::int32_t used;
    std::int32_t error;          // 1: the connection is refused by every operation
    std::int32_t connected;
    std::int32_t closure_seen;   // the closed state was reported by GetNetWorkAcceptState
    std::int32_t framed;         // 0: raw bytes
    std::int32_t auto_close;
    std::int32_t check;
    SOCKET socket;
    std::int32_t bytes_to_receive;  // of the incoming message; 0 between messages
    RingBuffer receive_ring;        // message bytes, without their length headers
    std::int32_t message_length;
    std::int32_t complete_bytes;    // bytes of received messages that are whole
    RingBuffer send_ring;
    std::int32_t send_length;     // of the outgoing message still to go
    std::int32_t header_pending;  // bytes of its 4-byte length not yet sent
    BYTE peer_address[4];
    std::int32_t peer_port;       // network order
    NetworkListNode node;
    std::int32_t connect_failed;  // FD_CONNECT came with an error
    std::int32_t missed_events;   // notifications that came while their transfer was busy
};

struct NetworkState {
    NetworkHandleRecord* table[kNetworkTableSize];
    std::int32_t check_counter;
    NetworkListNode head;  // before the oldest node
    NetworkListNode end;   // after the newest node; end.previous is the newest
    std::int32_t ready;
    HWND window;
    std::int32_t window_closed;
    std::int32_t raw_mode_option;
    std::int32_t no_auto_close_option;
    std::int32_t receive_busy;
    std::int32_t send_busy;
};

NetworkState* GetNetworkState();
std::int32_t MakeNetworkHandle(std::int32_t check, std::int32_t slot);
// The record of a valid handle (kind, slot, record present, check), else null.
NetworkHandleRecord* FindNetworkRecord(std::int32_t handle);
// Live list in creation order; an all-zero state is an empty list.
void LinkNewestNetworkNode(NetworkHandleRecord* record, std::int32_t handle);
void UnlinkNetworkNode(NetworkHandleRecord* record);
NetworkListNode* NewestNetworkNode();
NetworkListNode* OlderNetworkNode(NetworkListNode* node);
// Puts the next check count in `check` and moves the counter on.
std::int32_t TakeNetworkCheck();

int AcceptNetWork();
int RecvSocket(std::int32_t handle);
int SendSocket(std::int32_t handle);
int NetWorkRecv(std::int32_t handle, void* buffer, std::int32_t size);
int NetWorkRecvToPeek(std::int32_t handle, void* buffer, std::int32_t size);
int NetWorkSend(std::int32_t handle, const void* buffer, std::int32_t size);
int GetNetWorkDataLength(std::int32_t handle);
int GetNetWorkAcceptState(std::int32_t handle);
int CloseNetworkHandle(std::int32_t handle);
// A close whose drains also end `budget_ms` after `shared_start` (one deadline for many).
int CloseNetworkHandleWithin(std::int32_t handle, DWORD shared_start, DWORD budget_ms);
int WriteNetworkLog(const char* format, ...) __attribute__((format(printf, 1, 2)));

// Read-only looks for the HTTP client: 1 when the handle is live and connected; 1 when
// its connection attempt failed.
int IsNetworkHandleConnected(std::int32_t handle);
int DidNetworkConnectFail(std::int32_t handle);
