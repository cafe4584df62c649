#pragma once
// Which way to the clipboard works on the desktop this program runs on.
//
// - X11: the toolkit's own clipboard, handed to a keeper at exit.
// - Wayland with data control (sway and other wlroots compositors, KDE):
//   a window's own clipboard request counts only with keyboard focus and a
//   recent input serial, which a share started from the command line never
//   has; data control needs neither. The text goes to a keeper at once, and
//   the shortener reads the clipboard through data control.
// - Wayland without data control (GNOME): its compositor turns an X11
//   program's clipboard into the Wayland one without focus, so the window
//   runs through Xwayland unless the user chose the platform; a keeper
//   through Xwayland serves a window that runs on Wayland all the same.

#include <optional>
#include <string>

namespace vd::app {

/// The Qt platform the window should use where the user chose none:
/// "xcb" on a Wayland desktop whose compositor offers no data control and
/// that has Xwayland; otherwise empty (the toolkit's own choice).
std::string PreferredWindowPlatform();

/// Whether a window on the Qt platform `PlatformName` hands the clipboard's
/// text to a keeper instead of setting it itself.
bool WindowCopiesThroughKeeper(const std::string& PlatformName);

/// The clipboard's text for the shortener, at most 1 MiB and within 3 s:
/// on a Wayland desktop through data control, else as an X11 client (through
/// Xwayland on GNOME, where a window cannot read it without focus; on X11,
/// where the toolkit would take a text of any size). Nothing when neither
/// answers with text within the limits.
std::optional<std::string> ClipboardTextWithinLimits();

}  // namespace vd::app
