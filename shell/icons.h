// The two images the ribbon shows for Clavenet, drawn as they look.
#pragma once

#include <cstddef>
#include <cstdint>

#include "platform/ribbon.h"

template <std::size_t Width, std::size_t Height>
struct IconBitmap {
    static constexpr std::size_t rowBytes = (Width + 15) / 16 * 2;
    std::uint8_t pixels[rowBytes * Height];
};

// Not constexpr: reaching it stops the build.
void IconRowsHoldOnlyHashesAndDotsOneAPixel();

// '#' is a set pixel, '.' a clear one; the leftmost pixel is a byte's top bit.
template <std::size_t Width, std::size_t Height>
consteval IconBitmap<Width, Height> DrawIcon(const char* const (&rows)[Height]) {
    IconBitmap<Width, Height> bitmap{};
    for (std::size_t y = 0; y < Height; ++y) {
        for (std::size_t x = 0; x <= Width; ++x) {
            const char pixel = rows[y][x];
            if (x == Width ? pixel != '\0' : pixel != '#' && pixel != '.') {
                IconRowsHoldOnlyHashesAndDotsOneAPixel();
            }
            if (pixel == '#') {
                bitmap.pixels[y * bitmap.rowBytes + x / 8] |= static_cast<std::uint8_t>(0x80 >> (x % 8));
            }
        }
    }
    return bitmap;
}

// clang-format off
inline constexpr auto smallIconBitmap = DrawIcon<16, 16>({
    "................",
    "................",
    "................",
    "................",
    "################",
    "#..............#",
    "#.#.#.#.#.#.#..#",
    "#..............#",
    "#..#.#.#.#.#.#.#",
    "#..............#",
    "#.#..#######.#.#",
    "#..............#",
    "################",
    "................",
    "................",
    "................",
});

inline constexpr auto largeIconBitmap = DrawIcon<28, 28>({
    "............................",
    "............................",
    ".............##.............",
    "..............#.............",
    "..............#.............",
    "..............#.............",
    ".............#..............",
    ".............#..............",
    "..............#.............",
    "..............#.............",
    "############################",
    "#..........................#",
    "#.##.##.##.##.##.##.##.##..#",
    "#.##.##.##.##.##.##.##.##..#",
    "#..........................#",
    "#...##.##.##.##.##.##.##.#.#",
    "#...##.##.##.##.##.##.##.#.#",
    "#..........................#",
    "#.##..##.##.##.##.##.##.##.#",
    "#.##..##.##.##.##.##.##.##.#",
    "#..........................#",
    "#.##.##..############..###.#",
    "#.##.##..############..###.#",
    "#..........................#",
    "############################",
    "............................",
    "............................",
    "............................",
});
// clang-format on

inline constexpr std::uint16_t BitmapFormat = 1;

inline constexpr RibbonIcon smallIcon = {BitmapFormat, 16, 16, smallIconBitmap.pixels};
inline constexpr RibbonIcon largeIcon = {BitmapFormat, 28, 28, largeIconBitmap.pixels};
