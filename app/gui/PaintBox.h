#pragma once

#include <QWidget>

namespace vd::app {

/// A plain drawing area: its owner paints it and hears its double-clicks.
class TPaintBox final : public QWidget {
    Q_OBJECT
  public:
    explicit TPaintBox(QWidget* Parent);

  signals:
    void Painting(QPainter& Canvas);
    void DoubleClicked();

  protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
};

}  // namespace vd::app
