// Test-only packer for the engine's LZ format: greedy matching over hash chains, with
// the least frequent byte of the input as escape byte.
#pragma once

#include <string>

std::string PackLz(const std::string& data);
