#pragma once
// The application's general error box and the guard that every event
// handler runs behind: an error that escapes a handler is shown (with a
// full stop appended where the message lacks one), and the program goes on.
// No exception may unwind through Qt's event delivery.

#include <QString>
#include <exception>
#include <utility>

namespace vd::app {

/// Shows `Message` in an error box captioned with the application's title.
void ShowGeneralError(const QString& Message);

/// Runs `Handler`; whatever it throws ends in the general error box.
template <class F>
void Guarded(F&& Handler) noexcept {
    try {
        std::forward<F>(Handler)();
    } catch (const std::exception& e) {
        ShowGeneralError(QString::fromUtf8(e.what()));
    } catch (...) {
        ShowGeneralError(QStringLiteral("Unbekannter Fehler"));
    }
}

}  // namespace vd::app
