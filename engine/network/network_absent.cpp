// The network as seen before the network subsystem exists: it is never initialised, so
// no message is dispatched, no slot is ever used and socket notifications answer -1.
#include "engine/network/network.h"

namespace {
HttpSlotTable g_http_slots{};
}

HttpSlotTable* GetHttpSlotTable() { return &g_http_slots; }

int ClearHttpSlotTable() {
    g_http_slots = HttpSlotTable{};
    return 0;
}

int CloseAllHttpSlots() { return 0; }
int TerminateNetwork() { return -1; }
int ProcessNetworkMessages(int) { return 0; }
int StepHttpRequest(int) { return -1; }
int StepAllHttpRequests() { return 0; }
LRESULT HandleNetworkMessage(LPARAM, WPARAM) { return -1; }
