// The media control interface: no device can be opened here, so every command names a
// device that does not exist.
#include "platform/mci.h"

MCIERROR mciSendCommandA(MCIDEVICEID, UINT, std::uintptr_t, std::uintptr_t) { return MCIERR_INVALID_DEVICE_ID; }
