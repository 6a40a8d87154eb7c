// The blend modes of the draw settings, one list for the graphics core, the software
// renderer and the 3-D renderer. The software renderer draws modes 0 to 4, 10 and 11;
// modes 5 to 9 and anything above 11 draw nothing there. Mode 5 is the 3-D renderer's add
// weighted by the value, drawn between the two inversions of a subtract on textures.
#pragma once

constexpr int kBlendNone = 0;              // copy; mode 1 at value 255 draws the same
constexpr int kBlendAlpha = 1;             // mixed by the blend value
constexpr int kBlendAdd = 2;               // saturating add of the source weighted by the value
constexpr int kBlendSubtract = 3;          // saturating subtract of the source weighted by the value
constexpr int kBlendMultiply = 4;          // destination times source; the value is not used
constexpr int kBlendAddByAlpha = 5;        // 3-D only: add with the value as alpha
constexpr int kBlendNoneD3D = 6;           // 3-D only: no blending, factors left as they are
constexpr int kBlendKeepFactorsD3D = 7;    // 3-D only: blending on with the factors left as they are
constexpr int kBlendKeepTargetD3D = 8;     // 3-D only: the target unchanged
constexpr int kBlendInvertTargetD3D = 9;   // 3-D only: as the subtract's inversion (mode 3)
constexpr int kBlendInvert = 10;           // the inverted source mixed by the value
constexpr int kBlendMultiplyByValue = 11;  // destination times source, mixed by the value
constexpr int kBlendModeLast = 11;         // modes run 0 to 11
