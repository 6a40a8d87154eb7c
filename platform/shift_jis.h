// The Shift-JIS (CP932) lead-byte ranges, in one place for the engine and the platform
// layer: a byte in 0x81-0x9F or 0xE0-0xFC starts a two-byte character.
#pragma once

constexpr bool IsShiftJisLeadByte(unsigned char c) { return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC); }
