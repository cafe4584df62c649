#pragma once
// Text that reaches a terminal comes partly from elsewhere: server replies,
// SFTP status texts, file names. A terminal obeys the control characters in
// it (ESC starts sequences that retitle the window, clear the screen or, in
// some terminals, write the clipboard; CR lets a line overwrite another), so
// they are shown as visible escapes instead.

#include <QString>

namespace vd::app {

/// `Text` with each C0 control but line feed and tab, DEL and each C1
/// control written as an escape: "\x1b", "\x7f", "\u009b". A CR before a
/// line feed (server replies end lines so) is dropped.
QString TerminalSafe(const QString& Text);

}  // namespace vd::app
