#include "app/clipboard/WaylandDataControl.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <map>
#include <set>

#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace vd::app {
namespace {

using TClock = std::chrono::steady_clock;

// The names text goes by: the MIME types of Wayland programs, and the X11
// targets that Xwayland asks for on behalf of X11 programs.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING",
                                      "STRING", "TEXT"};

int MillisecondsUntil(TClock::time_point Deadline) {
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(Deadline - TClock::now()).count();
    return left > 0 ? int(left) : 0;
}

// Writes `Text` into a paster's pipe. A paster that stops reading must not
// hold the clipboard's owner up: the pipe is written without blocking, for
// at most a few seconds.
void WriteToPaster(int Fd, const std::string& Text) {
    ::fcntl(Fd, F_SETFL, ::fcntl(Fd, F_GETFL) | O_NONBLOCK);
    const auto deadline = TClock::now() + std::chrono::seconds(5);
    std::size_t done = 0;
    while (done < Text.size()) {
        const ssize_t n = ::write(Fd, Text.data() + done, Text.size() - done);
        if (n > 0) {
            done += std::size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && errno != EAGAIN) break;
        pollfd out{Fd, POLLOUT, 0};
        if (::poll(&out, 1, MillisecondsUntil(deadline)) <= 0) break;
    }
    ::close(Fd);
}

}  // namespace

struct TWaylandDataControl::TState {
    wl_display* Display = nullptr;
    wl_registry* Registry = nullptr;
    wl_seat* Seat = nullptr;
    zwlr_data_control_manager_v1* Manager = nullptr;
    zwlr_data_control_device_v1* Device = nullptr;
    zwlr_data_control_source_v1* Source = nullptr;
    // The offers the compositor introduced, with their types; the one that
    // is the clipboard now.
    std::map<zwlr_data_control_offer_v1*, std::set<std::string>> Offers;
    zwlr_data_control_offer_v1* Selection = nullptr;
    std::string Text;        // what our source offers
    bool Cancelled = false;  // another program took the clipboard
    bool Finished = false;   // the device is no longer valid

    ~TState() {
        for (auto& offer : Offers) zwlr_data_control_offer_v1_destroy(offer.first);
        if (Source) zwlr_data_control_source_v1_destroy(Source);
        if (Device) zwlr_data_control_device_v1_destroy(Device);
        if (Manager) zwlr_data_control_manager_v1_destroy(Manager);
        if (Seat) wl_seat_destroy(Seat);
        if (Registry) wl_registry_destroy(Registry);
        if (Display) wl_display_disconnect(Display);
    }

    void DropOffer(zwlr_data_control_offer_v1* Offer) {
        if (!Offer) return;
        Offers.erase(Offer);
        zwlr_data_control_offer_v1_destroy(Offer);
    }

    bool Alive() const { return wl_display_get_error(Display) == 0 && !Finished; }
};

namespace {

using TState = TWaylandDataControl::TState;

void Global(void* Data, wl_registry* Registry, uint32_t Name, const char* Interface,
            uint32_t Version) {
    auto* state = static_cast<TState*>(Data);
    // The first seat is the desktop's; a compositor with several seats
    // gives each its own clipboard, and the first is the user's at it.
    if (std::strcmp(Interface, wl_seat_interface.name) == 0 && !state->Seat) {
        state->Seat =
            static_cast<wl_seat*>(wl_registry_bind(Registry, Name, &wl_seat_interface, 1));
    } else if (std::strcmp(Interface, zwlr_data_control_manager_v1_interface.name) == 0 &&
               !state->Manager) {
        state->Manager = static_cast<zwlr_data_control_manager_v1*>(wl_registry_bind(
            Registry, Name, &zwlr_data_control_manager_v1_interface, Version < 2 ? Version : 2));
    }
}

void GlobalRemove(void*, wl_registry*, uint32_t) {}

const wl_registry_listener kRegistryListener = {Global, GlobalRemove};

void OfferType(void* Data, zwlr_data_control_offer_v1* Offer, const char* Type) {
    static_cast<TState*>(Data)->Offers[Offer].insert(Type);
}

const zwlr_data_control_offer_v1_listener kOfferListener = {OfferType};

void DataOffer(void* Data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* Offer) {
    auto* state = static_cast<TState*>(Data);
    state->Offers[Offer];
    zwlr_data_control_offer_v1_add_listener(Offer, &kOfferListener, state);
}

void Selection(void* Data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* Offer) {
    auto* state = static_cast<TState*>(Data);
    if (state->Selection != Offer) state->DropOffer(state->Selection);
    state->Selection = Offer;
}

void Finished(void* Data, zwlr_data_control_device_v1*) {
    static_cast<TState*>(Data)->Finished = true;
}

// The primary selection (middle-click paste) is not ours to read.
void PrimarySelection(void* Data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* Offer) {
    auto* state = static_cast<TState*>(Data);
    if (Offer && Offer != state->Selection) state->DropOffer(Offer);
}

const zwlr_data_control_device_v1_listener kDeviceListener = {DataOffer, Selection, Finished,
                                                              PrimarySelection};

void Send(void* Data, zwlr_data_control_source_v1*, const char*, int32_t Fd) {
    WriteToPaster(Fd, static_cast<TState*>(Data)->Text);
}

void Cancelled(void* Data, zwlr_data_control_source_v1*) {
    static_cast<TState*>(Data)->Cancelled = true;
}

const zwlr_data_control_source_v1_listener kSourceListener = {Send, Cancelled};

// Reads and handles what the compositor sent, waiting at most until
// `Deadline`. False when the connection failed or the time is up.
bool DispatchUntil(wl_display* Display, TClock::time_point Deadline) {
    while (wl_display_prepare_read(Display) != 0) {
        if (wl_display_dispatch_pending(Display) < 0) return false;
    }
    if (wl_display_flush(Display) < 0 && errno != EAGAIN) {
        wl_display_cancel_read(Display);
        return false;
    }
    pollfd in{wl_display_get_fd(Display), POLLIN, 0};
    int ready;
    do {
        ready = ::poll(&in, 1, MillisecondsUntil(Deadline));
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0) {
        wl_display_cancel_read(Display);
        return false;
    }
    if (wl_display_read_events(Display) < 0) return false;
    return wl_display_dispatch_pending(Display) >= 0;
}

// A round trip with a time limit: wl_display_roundtrip would wait for ever
// on a compositor that stopped answering.
bool Roundtrip(wl_display* Display, TClock::time_point Deadline) {
    bool done = false;
    wl_callback* callback = wl_display_sync(Display);
    static const wl_callback_listener listener = {
        [](void* Data, wl_callback*, uint32_t) { *static_cast<bool*>(Data) = true; }};
    wl_callback_add_listener(callback, &listener, &done);
    while (!done && DispatchUntil(Display, Deadline)) {
    }
    wl_callback_destroy(callback);
    return done && wl_display_get_error(Display) == 0;
}

constexpr auto kAnswerTime = std::chrono::seconds(5);

}  // namespace

TWaylandDataControl::TWaylandDataControl(std::unique_ptr<TState> State)
    : FState(std::move(State)) {}

TWaylandDataControl::~TWaylandDataControl() = default;

std::unique_ptr<TWaylandDataControl> TWaylandDataControl::Connect() {
    const char* name = std::getenv("WAYLAND_DISPLAY");
    if (!name || !*name) return nullptr;
    auto state = std::make_unique<TState>();
    state->Display = wl_display_connect(nullptr);
    if (!state->Display) return nullptr;
    state->Registry = wl_display_get_registry(state->Display);
    wl_registry_add_listener(state->Registry, &kRegistryListener, state.get());
    const auto deadline = TClock::now() + kAnswerTime;
    if (!Roundtrip(state->Display, deadline) || !state->Seat || !state->Manager) return nullptr;
    state->Device = zwlr_data_control_manager_v1_get_data_device(state->Manager, state->Seat);
    zwlr_data_control_device_v1_add_listener(state->Device, &kDeviceListener, state.get());
    // The current clipboard arrives as the device's first selection event.
    if (!Roundtrip(state->Display, deadline) || state->Finished) return nullptr;
    return std::unique_ptr<TWaylandDataControl>(new TWaylandDataControl(std::move(state)));
}

bool TWaylandDataControl::Offer(const std::string& Text) {
    TState& state = *FState;
    if (state.Source) zwlr_data_control_source_v1_destroy(state.Source);
    state.Text = Text;
    state.Cancelled = false;
    state.Source = zwlr_data_control_manager_v1_create_data_source(state.Manager);
    zwlr_data_control_source_v1_add_listener(state.Source, &kSourceListener, &state);
    for (const char* type : kTextTypes) zwlr_data_control_source_v1_offer(state.Source, type);
    zwlr_data_control_device_v1_set_selection(state.Device, state.Source);
    // Once the compositor has answered the request, the clipboard is ours
    // unless it says it was taken again.
    return Roundtrip(state.Display, TClock::now() + kAnswerTime) && state.Alive() &&
           !state.Cancelled;
}

void TWaylandDataControl::Serve(int Seconds) {
    TState& state = *FState;
    const auto deadline = TClock::now() + std::chrono::seconds(Seconds);
    while (state.Source && !state.Cancelled && state.Alive() &&
           DispatchUntil(state.Display, deadline)) {
    }
}

std::optional<std::string> TWaylandDataControl::ReadText(int Milliseconds, std::size_t MaxBytes) {
    TState& state = *FState;
    const auto deadline = TClock::now() + std::chrono::milliseconds(Milliseconds);
    if (!state.Selection) return std::nullopt;
    const std::set<std::string>& types = state.Offers[state.Selection];
    const char* type = nullptr;
    for (const char* candidate : kTextTypes) {
        if (types.count(candidate)) {
            type = candidate;
            break;
        }
    }
    if (!type) return std::nullopt;

    int pipe[2];
    if (::pipe2(pipe, O_CLOEXEC | O_NONBLOCK) != 0) return std::nullopt;
    zwlr_data_control_offer_v1_receive(state.Selection, type, pipe[1]);
    const bool sent = wl_display_flush(state.Display) >= 0;
    ::close(pipe[1]);
    std::string text;
    bool complete = false;
    while (sent) {
        char buffer[4096];
        const ssize_t n = ::read(pipe[0], buffer, sizeof buffer);
        if (n == 0) {
            complete = true;
            break;
        }
        if (n > 0) {
            text.append(buffer, std::size_t(n));
            if (text.size() > MaxBytes) break;
            continue;
        }
        if (errno == EINTR) continue;
        if (errno != EAGAIN) break;
        pollfd in{pipe[0], POLLIN, 0};
        if (::poll(&in, 1, MillisecondsUntil(deadline)) <= 0) break;
    }
    ::close(pipe[0]);
    if (!complete) return std::nullopt;
    return text;
}

bool WaylandDataControlOffered() {
    static const bool offered = TWaylandDataControl::Connect() != nullptr;
    return offered;
}

}  // namespace vd::app
