#include "app/clipboard/DesktopClipboard.h"

#include <cstdlib>

#include "app/clipboard/WaylandDataControl.h"
#include "app/clipboard/X11ClipboardReader.h"

namespace vd::app {
namespace {

bool IsSet(const char* Name) {
    const char* value = std::getenv(Name);
    return value && *value;
}

// What the shortener reads: a web address, not a document. The owner of a
// clipboard that never delivers must not hold the window up either.
constexpr std::size_t kMaxClipboardBytes = 1 << 20;
constexpr int kReadMilliseconds = 3000;

}  // namespace

std::string PreferredWindowPlatform() {
    if (IsSet("QT_QPA_PLATFORM") || !IsSet("WAYLAND_DISPLAY") || !IsSet("DISPLAY")) return {};
    return WaylandDataControlOffered() ? std::string() : std::string("xcb");
}

bool WindowCopiesThroughKeeper(const std::string& PlatformName) {
    if (PlatformName.rfind("wayland", 0) == 0) return true;
    // An X11 window on a Wayland desktop with data control: the compositor
    // takes an X11 clipboard only while an X11 window is active.
    return PlatformName == "xcb" && IsSet("WAYLAND_DISPLAY") && WaylandDataControlOffered();
}

std::optional<std::string> ClipboardTextWithinLimits() {
    if (IsSet("WAYLAND_DISPLAY")) {
        if (auto control = TWaylandDataControl::Connect())
            return control->ReadText(kReadMilliseconds, kMaxClipboardBytes);
    }
    return ReadX11ClipboardText(kReadMilliseconds, kMaxClipboardBytes);
}

}  // namespace vd::app
