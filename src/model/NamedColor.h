#pragma once

#include <cstdint>

// The named accent colours the panel uses, in one place. Each has a light and
// a dark shade, tuned for text and fills on light and on dark panels; views
// pick the shade that suits the current palette.
enum class NamedColor {
    Red,
    Orange,
    Green,
    Mint,
    Teal,
    Cyan,
    Blue,
    Indigo,
    Purple,
    Pink,
    Gray,
};

struct Rgb
{
    std::uint8_t red;
    std::uint8_t green;
    std::uint8_t blue;
    bool operator==(const Rgb&) const = default;
};

enum class Appearance { Light, Dark };

Rgb rgbOf(NamedColor color, Appearance appearance);
