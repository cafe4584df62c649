#pragma once
// The clipboard's text outlives the program that set it. On X11 and on
// Wayland alike a clipboard's content lives in the process that offered it
// and dies with it, so the text is handed to a small process of our own
// (the program itself, started as `--keep-clipboard SECONDS`) in a session
// of its own, which takes the clipboard and serves it until another
// program takes the clipboard or the time is up, as xclip and wl-copy do.
//
// The keeper answers on its standard output, once: "ok" when the clipboard
// holds the text, or "failed: " and why. Only then does the caller tell the
// user that the link is on the clipboard.

#include <string>

namespace vd::app {

/// Ten minutes: long enough to paste the link somewhere, short enough that
/// no forgotten process lingers.
inline constexpr int kKeepClipboardSeconds = 10 * 60;

/// Starts `Program` --keep-clipboard with `Text` and waits for its answer.
/// Empty when the clipboard holds the text now; otherwise why not.
std::string CopyThroughKeeper(const std::string& Program, const std::string& Text);

/// For the keeper: the text its starter handed over on standard input.
std::string ReadKeeperText();

/// For the keeper: tells the starter whether the clipboard holds the text
/// (`Why` empty) or not, and lets go of the starter's pipe.
void AnswerKeeperStarter(const std::string& Why);

}  // namespace vd::app
