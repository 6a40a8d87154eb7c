// The process's peak resident size, for tests that hold a step (one damaged input, one
// refused file) to a memory bound. The peak only grows, so a step is measured by how far
// it lifts the peak above where it stood before the step. Address-space limits would be
// the direct tool, but they do not mix with AddressSanitizer's shadow mappings.
#pragma once

#include <cstdint>

// How far one input of a damaged-file corpus may lift the peak. Generous: the sanitizers
// add their own overhead, and a refused input needs next to nothing.
constexpr std::uint64_t kCorpusInputPeakGrowthLimit = 256ull * 1024 * 1024;

// The peak resident size so far, in bytes.
std::uint64_t PeakResidentBytes();

// Lowers the recorded peak to the present resident size where the system allows it, so a
// test is not blind to growth below a peak an earlier test reached. Returns false where
// it cannot; the measurements still hold then, with the earlier peak as their floor.
bool ResetPeakResident();

// How many bytes running `step` lifted the peak by.
template <typename Step>
std::uint64_t PeakGrowthOf(Step&& step) {
    const std::uint64_t before = PeakResidentBytes();
    step();
    const std::uint64_t after = PeakResidentBytes();
    return after > before ? after - before : 0;
}
