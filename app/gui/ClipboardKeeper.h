#pragma once
// The two ends of the clipboard keeper in the program with a window: the
// hand-over when the window ends on X11, and the keeper process itself.
// How the keeper is started and answers: app/clipboard/ClipboardKeeperProcess.h.

#include <QString>

namespace vd::app {

/// Called when the application's event loop has ended and before its object
/// goes. When the program owns the clipboard on X11 and no clipboard
/// manager runs (a manager takes the text from Qt itself), hands the text
/// to a keeper and returns once it owns the clipboard, has failed, or a few
/// seconds have passed.
void HandOverClipboard(const QString& Program);

/// The hidden `--keep-clipboard SECONDS` process: takes the text on standard
/// input, answers its starter, and keeps the clipboard with it until another
/// program takes it over or `Seconds` pass. Through data control where the
/// Wayland compositor offers it, else as an X11 client (also through
/// Xwayland). 0 when it kept the text; 1 when it could not take the
/// clipboard.
int RunClipboardKeeper(int Seconds, int& argc, char** argv);

}  // namespace vd::app
