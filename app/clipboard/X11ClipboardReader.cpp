#include "app/clipboard/X11ClipboardReader.h"

#include <poll.h>
#include <xcb/xcb.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <memory>

namespace vd::app {
namespace {

using TClock = std::chrono::steady_clock;

template <class T>
using TReply = std::unique_ptr<T, decltype(&std::free)>;

xcb_atom_t Atom(xcb_connection_t* Connection, const char* Name) {
    TReply<xcb_intern_atom_reply_t> reply(
        xcb_intern_atom_reply(
            Connection, xcb_intern_atom(Connection, 0, uint16_t(std::strlen(Name)), Name), nullptr),
        &std::free);
    return reply ? reply->atom : xcb_atom_t(XCB_ATOM_NONE);
}

// The next event, waiting at most until `Deadline`; null when none came.
xcb_generic_event_t* NextEvent(xcb_connection_t* Connection, TClock::time_point Deadline) {
    for (;;) {
        if (xcb_generic_event_t* event = xcb_poll_for_event(Connection)) return event;
        if (xcb_connection_has_error(Connection)) return nullptr;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
        if (left <= 0) return nullptr;
        pollfd in{xcb_get_file_descriptor(Connection), POLLIN, 0};
        if (::poll(&in, 1, int(left)) < 0 && errno != EINTR) return nullptr;
    }
}

}  // namespace

std::optional<std::string> ReadX11ClipboardText(int Milliseconds, std::size_t MaxBytes) {
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) return std::nullopt;
    std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)> connection(
        xcb_connect(nullptr, nullptr), &xcb_disconnect);
    if (xcb_connection_has_error(connection.get())) return std::nullopt;
    xcb_connection_t* c = connection.get();
    const xcb_screen_t* screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    if (!screen) return std::nullopt;

    // The owner writes the text into a property of a window of ours.
    const xcb_window_t window = xcb_generate_id(c);
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, 0, 0, 1, 1, 0,
                      XCB_WINDOW_CLASS_INPUT_ONLY, screen->root_visual, 0, nullptr);
    const xcb_atom_t clipboard = Atom(c, "CLIPBOARD");
    const xcb_atom_t utf8 = Atom(c, "UTF8_STRING");
    const xcb_atom_t property = Atom(c, "VELODROP_CLIPBOARD");
    const xcb_atom_t incremental = Atom(c, "INCR");
    if (clipboard == XCB_ATOM_NONE || utf8 == XCB_ATOM_NONE || property == XCB_ATOM_NONE)
        return std::nullopt;
    xcb_convert_selection(c, window, clipboard, utf8, property, XCB_CURRENT_TIME);
    xcb_flush(c);

    const auto deadline = TClock::now() + std::chrono::milliseconds(Milliseconds);
    for (;;) {
        TReply<xcb_generic_event_t> event(NextEvent(c, deadline), &std::free);
        if (!event) return std::nullopt;
        if ((event->response_type & 0x7f) != XCB_SELECTION_NOTIFY) continue;
        const auto* notify = reinterpret_cast<xcb_selection_notify_event_t*>(event.get());
        // No owner, or the owner has no text.
        if (notify->property == XCB_ATOM_NONE) return std::nullopt;
        break;
    }
    const uint32_t longs = uint32_t((MaxBytes + 4) / 4);
    TReply<xcb_get_property_reply_t> reply(
        xcb_get_property_reply(
            c, xcb_get_property(c, 1, window, property, XCB_GET_PROPERTY_TYPE_ANY, 0, longs),
            nullptr),
        &std::free);
    // Text in pieces (INCR) is for megabytes, never a web address; more
    // than was asked for is not one either.
    if (!reply || reply->type == incremental || reply->format != 8 || reply->bytes_after > 0)
        return std::nullopt;
    const int length = xcb_get_property_value_length(reply.get());
    if (length < 0 || std::size_t(length) > MaxBytes) return std::nullopt;
    return std::string(static_cast<const char*>(xcb_get_property_value(reply.get())),
                       std::size_t(length));
}

}  // namespace vd::app
