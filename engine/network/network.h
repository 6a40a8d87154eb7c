// The network room's door: the operations that engine start-up, shutdown, the window
// procedure and message processing call. Until the network subsystem is built,
// network_absent.cpp answers them as "network not initialised". The HTTP slot table is
// real: start-up clears it, message processing steps its used slots.
#pragma once

#include "platform/kernel_types.h"

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
