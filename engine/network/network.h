// The network room's door: the operations that engine start-up, shutdown, the window
// procedure and message processing call. Nothing in the engine starts the network, so
// until a test starts it every one answers "not started": the pump, the socket
// notification and the end give 0, and no HTTP slot is ever used. Start-up clears the
// HTTP slot table; message processing steps its used slots.
#pragma once

#include "platform/kernel_types.h"

// The private window message carrying the sockets' notifications (WSAAsyncSelect) to the
// window procedure, which hands them to HandleNetworkMessage.
constexpr UINT kNetworkNotifyMessage = 0x505;

constexpr int kHttpSlotCount = 100;

struct HttpSlotTable {
    void* slots[kHttpSlotCount];
    int used_count;
};

HttpSlotTable* GetHttpSlotTable();
// Engine start-up: every slot empty. Returns 0.
int ClearHttpSlotTable();
int CloseAllHttpSlots();
int TerminateNetwork();
int ProcessNetworkMessages(int close_errored);
int StepHttpRequest(int slot);
int StepAllHttpRequests();
LRESULT HandleNetworkMessage(LPARAM event, WPARAM socket);
