#include "app/gui/ErrorBox.h"

#include <QApplication>

#include "app/core/TextRules.h"
#include "app/gui/ModalSeam.h"

namespace vd::app {

void ShowGeneralError(const QString& Message) {
    TModalSeam::MessageBox(QApplication::activeWindow(), ErrorBoxText(Message),
                           QCoreApplication::applicationName(), QMessageBox::Critical);
}

}  // namespace vd::app
