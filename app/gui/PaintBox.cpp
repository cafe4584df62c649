#include "app/gui/PaintBox.h"

#include <QPainter>

namespace vd::app {

TPaintBox::TPaintBox(QWidget* Parent) : QWidget(Parent) {}

void TPaintBox::paintEvent(QPaintEvent*) {
    QPainter canvas(this);
    emit Painting(canvas);
}

void TPaintBox::mouseDoubleClickEvent(QMouseEvent*) { emit DoubleClicked(); }

}  // namespace vd::app
