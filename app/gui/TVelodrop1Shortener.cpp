// The main window in shortener mode: the web address on the clipboard is
// handed to the core, which puts the short link on the clipboard, opens it
// and asks for the program to end.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "app/core/ShortenerAddress.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {

bool TVelodrop1::ClipboardHasURL() {
    const QMimeData* data = QGuiApplication::clipboard()->mimeData();
    return data && data->hasText() && IsWebAddress(data->text());
}

void TVelodrop1::ShortenURL(const QString& URL) { FCore.ShortenURL(URL); }

}  // namespace vd::app
