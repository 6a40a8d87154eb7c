// The file tests' LZ packer, compiled into this test program for the archive-sheet test
// (its own translation unit: it shares helper names with the archive writer).
#include "tests/file/lz_packer.cpp"  // NOLINT(bugprone-suspicious-include)
