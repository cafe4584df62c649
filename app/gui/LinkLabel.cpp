#include "app/gui/LinkLabel.h"

namespace vd::app {

TLinkLabel::TLinkLabel(QWidget* Parent) : QLabel(Parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);  // the owner opens it, through the modal seam
}

void TLinkLabel::SetTarget(const QString& Target) { FTarget = Target; }

void TLinkLabel::SetLinkText(const QString& Text) {
    setText(
        QStringLiteral("<a href=\"%1\">%2</a>").arg(FTarget.toHtmlEscaped(), Text.toHtmlEscaped()));
}

}  // namespace vd::app
