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

/// The recent shares as a table on `Out`, or with `Json` every share as
/// JSON. 0 when the record could be read, 1 otherwise.
int RunHistory(bool Json, std::FILE* Out, std::FILE* Errors);

/// Deletes the share of `Link` from the server of the window's settings and
/// records that. 0 when it is gone, 1 otherwise; what happened goes to
/// `Errors`.
int RunDeleteShare(const QString& Link, std::FILE* Errors);

/// Shortens the web address `URL` with the shortener's settings and prints
/// the short link, copied as above. 0 when it was made, 1 otherwise.
int RunCliShorten(const QString& URL, bool Copy, std::FILE* Out, std::FILE* Errors);

}  // namespace vd::app
