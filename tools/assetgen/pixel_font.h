// Three small bitmap fonts drawn by the art: a 5x7 capital font for labels, heavy 6x7
// capitals for the logo, and bold 7x11 digits for the score pictures. Relies on canvas.h.
#pragma once

#include <string>
#include <vector>

#include "canvas.h"

// The 7 rows of a 5x7 glyph ('#' is ink), or an empty list when the character has none.
const std::vector<std::string>& SmallGlyph(char ch);
// The 7 rows of a 6x7 heavy capital for the logo (the letters of TRELLIGAN), or an
// empty list.
const std::vector<std::string>& LogoGlyph(char ch);
// The 11 rows of a 7x11 bold digit.
const std::vector<std::string>& BoldDigit(char digit);

// Text in the 5x7 font, each glyph pixel a scale x scale block, glyphs 6*scale apart.
void DrawSmallText(Canvas& c, int x, int y, const std::string& text, Rgb colour, int scale = 1);
int SmallTextWidth(const std::string& text, int scale = 1);
// Digits in the bold font, 8 pixels apart.
void DrawBoldDigits(Canvas& c, int x, int y, const std::string& digits, Rgb colour);
int BoldDigitsWidth(const std::string& digits);
