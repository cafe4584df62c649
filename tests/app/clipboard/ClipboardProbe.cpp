// The clipboard code on its own, for tests against a real compositor or X
// server: the reading the shortener does, and a clipboard owner that never
// delivers what it offers.
//
//   clipboard_probe read            prints "text:" and the text, or "none"
//   clipboard_probe offer-silently TEXT
//                                   takes the clipboard with TEXT, prints
//                                   "offered", then answers no paster

#include <unistd.h>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/clipboard/DesktopClipboard.h"
#include "app/clipboard/WaylandDataControl.h"

int main(int argc, char** argv) {
    using namespace vd::app;
    if (argc == 2 && std::strcmp(argv[1], "read") == 0) {
        const auto text = ClipboardTextWithinLimits();
        if (text)
            std::printf("text:%s", text->c_str());
        else
            std::printf("none");
        return 0;
    }
    if (argc == 3 && std::strcmp(argv[1], "offer-silently") == 0) {
        auto control = TWaylandDataControl::Connect();
        if (!control || !control->Offer(argv[2])) return 1;
        std::printf("offered\n");
        std::fflush(stdout);
        ::pause();  // never dispatching: pasters' requests stay unanswered
        return 0;
    }
    std::fprintf(stderr, "usage: clipboard_probe read | offer-silently TEXT\n");
    return 2;
}
