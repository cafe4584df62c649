#pragma once
// The link outlives the program on the clipboard. On X11 the clipboard's
// text is served by the program that set it and is gone with it, yet the
// shortener ends right after it has set the short link, and so does a share
// with auto-close. A clipboard manager takes the text over when the program
// ends (Qt hands it over as its application object goes). Without one, a
// hidden process of ours with no window keeps serving the text until
// another program takes the clipboard or ten minutes pass, as xclip does.

#include <QString>

namespace vd::app {

/// How long the hidden process serves the text at most, in seconds.
inline constexpr int kKeepClipboardSeconds = 10 * 60;

/// Called at the end of a windowed run, while the application object still
/// exists. When the program owns the clipboard on X11 and no clipboard
/// manager runs, starts `Program` --keep-clipboard with the text and
/// returns once that process owns the clipboard (or has failed, or a few
/// seconds have passed). Elsewhere it does nothing.
void HandOverClipboard(const QString& Program);

/// The hidden process itself: reads the text from standard input and owns
/// the clipboard with it until another program takes it over or `Seconds`
/// pass. Needs the GUI application object. 0, or 1 when there was no text
/// or the clipboard stayed another program's.
int KeepClipboard(int Seconds);

}  // namespace vd::app
