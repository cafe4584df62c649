#include "app/gui/GuardedApplication.h"

#include "app/gui/ErrorBox.h"

namespace vd::app {

TGuardedApplication::TGuardedApplication(int& Argc, char** Argv) : QApplication(Argc, Argv) {
    setApplicationName(QStringLiteral("Velodrop"));
}

bool TGuardedApplication::notify(QObject* Receiver, QEvent* Event) {
    bool handled = false;
    Guarded([&] { handled = QApplication::notify(Receiver, Event); });
    return handled;
}

}  // namespace vd::app
