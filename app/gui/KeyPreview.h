#pragma once
// Lets a window see key presses before its controls do.

#include <QObject>
#include <functional>

class QWidget;

namespace vd::app {

class TKeyPreview final : public QObject {
  public:
    /// `OnKey` gets every key press aimed at `Window` or a control in it and
    /// answers true when it handled the key (the control then never sees it).
    TKeyPreview(QWidget* Window, std::function<bool(int Key)> OnKey);
    bool eventFilter(QObject* Watched, QEvent* Event) override;

  private:
    QWidget* FWindow;
    std::function<bool(int)> FOnKey;
};

/// Makes an edit refuse typed characters other than digits. Pasted text
/// still goes in; the integer rule reads whatever the field holds.
void AcceptTypedDigitsOnly(QWidget* Edit);

}  // namespace vd::app
