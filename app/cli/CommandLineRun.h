#pragma once
// The command-line mode: a share or a short link with the user's settings,
// without a window and without a display.

#include <QString>
#include <cstdio>

namespace vd::app {

/// Shares `FileName`. The link is the last line of `Out`, with its QR code
/// above it when `Out` is a terminal; messages go to `Errors`. With `Copy`
/// the link also goes onto the clipboard, served by a keeper after the
/// command has ended. 0 when the link was made (and copied), 1 otherwise.
int RunCliShare(const QString& FileName, bool Copy, std::FILE* Out, std::FILE* Errors);

/// Shortens the web address `URL` with the shortener's settings and prints
/// the short link, copied as above. 0 when it was made, 1 otherwise.
int RunCliShorten(const QString& URL, bool Copy, std::FILE* Out, std::FILE* Errors);

}  // namespace vd::app
