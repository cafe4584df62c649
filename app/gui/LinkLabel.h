#pragma once

#include <QLabel>

namespace vd::app {

/// A label whose caption is link markup; a click on the link opens its
/// target in the browser.
class TLinkLabel final : public QLabel {
    Q_OBJECT
  public:
    explicit TLinkLabel(QWidget* Parent);
};

}  // namespace vd::app
