#pragma once
// The clipboard of a Wayland desktop through the compositor's data-control
// interface (zwlr_data_control_manager_v1, offered by sway and the other
// wlroots compositors and by KWin; GNOME offers none). Unlike a window's
// own clipboard request, it needs no keyboard focus and no input serial, so
// a program that was started from a terminal, is minimized or has no
// window at all can set and read the clipboard with it.
//
// The text offered lives in this process: whoever pastes asks for it and
// gets it written into a pipe. `Serve` answers those requests until another
// program takes the clipboard. The connection is the caller's own, beside
// any toolkit's connection to the same compositor.

#include <memory>
#include <optional>
#include <string>

namespace vd::app {

class TWaylandDataControl {
  public:
    /// Connects to the session's compositor (WAYLAND_DISPLAY). Null when
    /// there is no Wayland display or it offers no data control.
    static std::unique_ptr<TWaylandDataControl> Connect();
    ~TWaylandDataControl();
    TWaylandDataControl(const TWaylandDataControl&) = delete;
    TWaylandDataControl& operator=(const TWaylandDataControl&) = delete;

    /// Makes `Text` the clipboard's content. True once the compositor has
    /// taken it; false when the connection failed or another program took
    /// the clipboard at once.
    bool Offer(const std::string& Text);

    /// Serves the offered text to whoever pastes it, until another program
    /// takes the clipboard, the compositor goes away, or `Seconds` pass.
    void Serve(int Seconds);

    /// The clipboard's text (UTF-8), or nothing when it holds no text, is
    /// larger than `MaxBytes`, or its owner does not deliver it within
    /// `Milliseconds`.
    std::optional<std::string> ReadText(int Milliseconds, std::size_t MaxBytes);

    struct TState;

  private:
    explicit TWaylandDataControl(std::unique_ptr<TState> State);
    std::unique_ptr<TState> FState;
};

/// Whether the session's compositor offers data control; asked once per
/// process.
bool WaylandDataControlOffered();

}  // namespace vd::app
