#pragma once
// Reads the X11 clipboard as a plain X client, beside whatever platform the
// toolkit runs on. A window on Qt's Wayland platform under GNOME can read
// the clipboard only while it has the keyboard focus, and GNOME offers no
// data control; but it hands the clipboard to X11 programs through
// Xwayland without asking for focus.

#include <optional>
#include <string>

namespace vd::app {

/// The CLIPBOARD selection's text (UTF-8) from the X display `DISPLAY`, or
/// nothing when there is no display, no owner, no text, more than
/// `MaxBytes`, or no answer within `Milliseconds`.
std::optional<std::string> ReadX11ClipboardText(int Milliseconds, std::size_t MaxBytes);

}  // namespace vd::app
