#include "model/NamedColor.h"

Rgb rgbOf(NamedColor color, Appearance appearance)
{
    const bool dark = appearance == Appearance::Dark;
    switch (color) {
    case NamedColor::Red:
        return dark ? Rgb{255, 69, 58} : Rgb{255, 59, 48};
    case NamedColor::Orange:
        return dark ? Rgb{255, 159, 10} : Rgb{255, 149, 0};
    case NamedColor::Green:
        return dark ? Rgb{50, 215, 75} : Rgb{40, 205, 65};
    case NamedColor::Mint:
        return dark ? Rgb{102, 212, 207} : Rgb{0, 199, 190};
    case NamedColor::Teal:
        return dark ? Rgb{106, 196, 220} : Rgb{89, 173, 196};
    case NamedColor::Cyan:
        return dark ? Rgb{90, 200, 245} : Rgb{85, 190, 240};
    case NamedColor::Blue:
        return dark ? Rgb{10, 132, 255} : Rgb{0, 122, 255};
    case NamedColor::Indigo:
        return dark ? Rgb{94, 92, 230} : Rgb{88, 86, 214};
    case NamedColor::Purple:
        return dark ? Rgb{191, 90, 242} : Rgb{175, 82, 222};
    case NamedColor::Pink:
        return dark ? Rgb{255, 55, 95} : Rgb{255, 45, 85};
    case NamedColor::Gray:
        break;
    }
    return dark ? Rgb{152, 152, 157} : Rgb{142, 142, 147};
}
