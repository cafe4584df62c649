// Keeping server operations from nesting: while one runs (and the window
// paints its progress), handlers that would start another wait for it.

#include "app/gui/TBusy.h"

#include <QTimer>
#include <utility>

#include "app/gui/TVelodrop1.h"

namespace vd::app {

TBusy::TBusy(TVelodrop1& Window) : FWindow(Window), FOuter(Window.FBusy) { FWindow.FBusy = true; }

TBusy::~TBusy() {
    if (!FOuter) FWindow.EndBusy();
}

bool TVelodrop1::DeferIfBusy(std::function<void()> Handler) {
    if (!FBusy) return false;
    FDeferred.push_back(std::move(Handler));
    return true;
}

void TVelodrop1::EndBusy() {
    FBusy = false;
    for (auto& handler : std::exchange(FDeferred, {})) {
        QTimer::singleShot(0, this, [this, handler = std::move(handler)] { RunHandler(handler); });
    }
}

}  // namespace vd::app
