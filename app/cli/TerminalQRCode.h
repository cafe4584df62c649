#pragma once
// The QR code of a link as text for a terminal, for the command-line mode
// that prints the link instead of showing a window.

#include <QString>
#include <string>

namespace vd::app {

/// UTF-8 lines that draw the QR code of `Text` as the window shows it
/// (level L, automatic encoding, a quiet zone of 4 modules all round).
/// Each line covers two module rows with the half blocks U+2580 and U+2584,
/// the full block U+2588 and blanks, so modules come out about square in
/// a terminal's tall cells. Each line sets its own colours and ends with
/// ESC[0m and a newline. An empty text gives an empty string, as the window
/// then shows no symbol. Throws qr::EQRCodeTooLong for a text that no
/// symbol holds.
std::string TerminalQRCode(const QString& Text);

}  // namespace vd::app
