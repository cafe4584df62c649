#pragma once

#include <QApplication>

namespace vd::app {

/// The application object. Handlers guard themselves; this is the last net
/// for anything that still escapes an event's delivery.
class TGuardedApplication final : public QApplication {
  public:
    TGuardedApplication(int& Argc, char** Argv);
    bool notify(QObject* Receiver, QEvent* Event) override;
};

}  // namespace vd::app
