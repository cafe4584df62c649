#include "app/cli/TerminalQRCode.h"

#include <string_view>

#include "qr/TQRCodeSymbol.h"

namespace vd::app {
namespace {

// Black on white, set on every line: without it a dark theme would draw
// the light modules dark and a scanner would see the code inverted. The
// colours are entries 16 and 231 of the 256-colour cube, which terminal
// themes leave alone; the eight basic colours (30 and 47) are the ones
// themes redefine, often as dark grey on light grey.
constexpr std::string_view kBlackOnWhite = "\x1b[38;5;16m\x1b[48;5;231m";
// Back to the terminal's own colours before the line break, so the rest of
// the line and anything printed afterwards look as usual.
constexpr std::string_view kReset = "\x1b[0m";

// The character for one cell: the dark modules in the foreground colour,
// the light ones left in the background colour.
std::string_view CellFor(bool UpperDark, bool LowerDark) {
    if (UpperDark && LowerDark) return "\xE2\x96\x88";  // U+2588 full block
    if (UpperDark) return "\xE2\x96\x80";               // U+2580 upper half block
    if (LowerDark) return "\xE2\x96\x84";               // U+2584 lower half block
    return " ";
}

// Module rows UpperRow and UpperRow + 1 as one line. The symbol always has
// an odd number of rows, so the last line's lower half lies below it and
// stays light like the quiet zone.
std::string LineFor(const qr::TQRCodeSymbol& Symbol, int UpperRow) {
    std::string line(kBlackOnWhite);
    for (int column = 0; column < Symbol.Columns(); ++column) {
        line += CellFor(Symbol.IsBlack(UpperRow, column), Symbol.IsBlack(UpperRow + 1, column));
    }
    line += kReset;
    line += '\n';
    return line;
}

}  // namespace

std::string TerminalQRCode(const QString& Text) {
    qr::TQRCodeSymbol symbol;
    symbol.SetData(Text.toStdU16String());
    symbol.SetEncoding(qr::TQRCodeEncoding::qrAuto);
    symbol.SetQuietZone(4);
    std::string text;
    for (int row = 0; row < symbol.Rows(); row += 2) text += LineFor(symbol, row);
    return text;
}

}  // namespace vd::app
