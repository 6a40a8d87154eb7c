// Writing a screenshot (0x00RRGGBB pixels, rows top to bottom) as an 8-bit RGB PNG file
// for review in the test output.
#pragma once

#include <cstdint>
#include <filesystem>
#include <vector>

bool WriteScreenshotPng(const std::filesystem::path& path, int width, int height,
                        const std::vector<std::uint32_t>& pixels);
