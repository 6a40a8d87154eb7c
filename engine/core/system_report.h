// The system report written at start-up (engine version, operating system, processor
// clock and features), which also measures the processor clock for the microsecond
// clock and records the operating-system code.
#pragma once

#include "platform/kernel_types.h"

constexpr char kEngineVersionText[] = "2.25b";

int LogSystemInformation();
int CheckMmxSupport();
// The name suffix and code for a version record: "Windows" + suffix, code 0 when the
// version is not one the engine knows.
void DescribeOsVersion(const OSVERSIONINFOA& info, char* name, int name_size, int* code);
