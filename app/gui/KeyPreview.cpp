#include "app/gui/KeyPreview.h"

#include <QApplication>
#include <QKeyEvent>
#include <QWidget>

#include "app/gui/ErrorBox.h"

namespace vd::app {
namespace {

class TDigitsOnlyFilter final : public QObject {
  public:
    using QObject::QObject;
    bool eventFilter(QObject*, QEvent* Event) override {
        if (Event->type() != QEvent::KeyPress) return false;
        const auto* key = static_cast<QKeyEvent*>(Event);
        if (key->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) return false;
        for (QChar c : key->text()) {
            if (c.isPrint() && !c.isDigit()) return true;
        }
        return false;
    }
};

}  // namespace

TKeyPreview::TKeyPreview(QWidget* Window, std::function<bool(int)> OnKey)
    : QObject(Window), FWindow(Window), FOnKey(std::move(OnKey)) {
    qApp->installEventFilter(this);
}

bool TKeyPreview::eventFilter(QObject* Watched, QEvent* Event) {
    if (Event->type() != QEvent::KeyPress || !Watched->isWidgetType()) return false;
    auto* target = static_cast<QWidget*>(Watched);
    if (target != FWindow && !FWindow->isAncestorOf(target)) return false;
    bool handled = false;
    const int key = static_cast<QKeyEvent*>(Event)->key();
    Guarded([&] { handled = FOnKey(key); });
    return handled;
}

void AcceptTypedDigitsOnly(QWidget* Edit) { Edit->installEventFilter(new TDigitsOnlyFilter(Edit)); }

}  // namespace vd::app
