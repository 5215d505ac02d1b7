#pragma once

#include <cstdint>

namespace vorad {

// Colours are 0x00BBGGRR values, as the settings file stores them.
using ColourValue = std::uint32_t;

struct ColourScheme
{
    ColourValue goodQSO = 32768; // green
    ColourValue badQSO = 255; // red
    ColourValue entryBox = 65535; // yellow
    ColourValue listBox = 0; // black
    ColourValue titleColour = 65535; // yellow
    ColourValue features = 255; // red
    ColourValue textLabel = 16777215; // white
    ColourValue functionT = 16777215; // white
    ColourValue functionL = 65535; // yellow
    ColourValue functionB = 8421504; // grey
    ColourValue colourForm = 8388608; // navy

    constexpr static ColourValue rgb(int r, int g, int b)
    {
        return ColourValue(r & 0xFF) | ColourValue(g & 0xFF) << 8 | ColourValue(b & 0xFF) << 16;
    }
    constexpr static int red(ColourValue v) { return static_cast<int>(v & 0xFF); }
    constexpr static int green(ColourValue v) { return static_cast<int>((v >> 8) & 0xFF); }
    constexpr static int blue(ColourValue v) { return static_cast<int>((v >> 16) & 0xFF); }
};

} // namespace vorad
