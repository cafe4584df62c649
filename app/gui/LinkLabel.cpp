#include "app/gui/LinkLabel.h"

namespace vd::app {

TLinkLabel::TLinkLabel(QWidget* Parent) : QLabel(Parent) {
    setTextFormat(Qt::RichText);
    setTextInteractionFlags(Qt::LinksAccessibleByMouse | Qt::LinksAccessibleByKeyboard);
    setOpenExternalLinks(false);  // the owner opens it, through the modal seam
}

}  // namespace vd::app
