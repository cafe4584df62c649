#pragma once
// A small terminal for tests: draws text with colour escapes and block
// characters the way a terminal would, as a grey picture.

#include <QImage>
#include <string>

namespace vd::test {

/// The colours, as grey levels 0 to 255, that a terminal uses where the
/// text sets none.
struct TerminalTheme {
    int Foreground;
    int Background;
};
inline constexpr TerminalTheme kDarkTheme{229, 0};
inline constexpr TerminalTheme kLightTheme{0, 255};

/// What a terminal in `Theme` shows for `Text` (UTF-8 lines, each ended
/// by a newline): one pixel column per character and two pixel rows per
/// line, the upper and the lower half of the cell. Knows blanks, the half
/// blocks U+2580 and U+2584, the full block U+2588, and the colour escapes
/// ESC[...m with 0, 39, 49, black and white (30, 37, 40, 47), 38;5;n and
/// 48;5;n for the palette entries that themes leave alone (n = 16 to 255),
/// 38;2;r;g;b and 48;2;r;g;b. Anything else, or lines of different lengths,
/// fails the running test and gives a null image.
QImage TerminalScreen(const std::string& Text, TerminalTheme Theme);

}  // namespace vd::test
