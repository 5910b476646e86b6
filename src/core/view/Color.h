#pragma once
// Colours as 0xRRGGBB, the form the cell display decides and the window's records carry.
#include <cstdint>

namespace zun {

constexpr uint32_t RGB(uint8_t r, uint8_t g, uint8_t b) { return (uint32_t(r) << 16) | (uint32_t(g) << 8) | b; }
inline constexpr uint32_t kColorBlack = RGB(0, 0, 0);
inline constexpr uint32_t kColorRed = RGB(255, 0, 0);
inline constexpr uint32_t kColorBlue = RGB(0, 0, 255);
inline constexpr uint32_t kColorTeal = RGB(0, 128, 128);

}  // namespace zun
