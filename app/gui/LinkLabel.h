#pragma once

#include <QLabel>

namespace vd::app {

/// A label whose caption is a link; a click on the link hands its target to
/// the owner, which opens it in the browser.
class TLinkLabel final : public QLabel {
    Q_OBJECT
  public:
    explicit TLinkLabel(QWidget* Parent);

    /// The link's target, kept when its text changes language.
    void SetTarget(const QString& Target);
    /// The link's visible text.
    void SetLinkText(const QString& Text);

  private:
    QString FTarget;
};

}  // namespace vd::app
