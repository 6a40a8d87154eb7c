// Test hook for the YUV surfaces of the display: which FourCCs (YV12 0x32315659, YUY2
// 0x32595559, UYVY 0x59565955) CreateSurface takes, so that a writer of each layout can be
// tested alone, or all three on a GL that renders on the CPU, where the display offers
// none of its own accord. What held before (an outer object's list, or the display's own
// rule) holds again when the object goes away.
#pragma once

#include <initializer_list>

#include "platform/ddraw.h"

// Only the listed FourCCs are taken while it lives; the others are refused with
// DDERR_INVALIDPIXELFORMAT, as a display that lacks them does.
class AcceptYuvFourCCs {
public:
    explicit AcceptYuvFourCCs(std::initializer_list<DWORD> fourccs);
    ~AcceptYuvFourCCs();
    AcceptYuvFourCCs(const AcceptYuvFourCCs&) = delete;
    AcceptYuvFourCCs& operator=(const AcceptYuvFourCCs&) = delete;

private:
    // The choice it replaced.
    bool chosen_before_ = false;
    bool accepted_before_[3] = {false, false, false};
};
