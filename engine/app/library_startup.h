// Bringing the whole engine up in its fixed order and down in another (declared in the
// shell's door), and the COM step of start-up.
#pragma once

#include "engine/app/app.h"

int InitializeCom();
