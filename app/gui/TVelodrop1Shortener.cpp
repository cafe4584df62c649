// The main window in shortener mode: the web address on the clipboard is
// handed to the core, which puts the short link on the clipboard, opens it
// and asks for the program to end.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>

#include "app/clipboard/DesktopClipboard.h"
#include "app/core/ShortenerAddress.h"
#include "app/gui/TVelodrop1.h"

namespace vd::app {

QString TVelodrop1::ClipboardText() {
    QClipboard* clipboard = QGuiApplication::clipboard();
    const std::string platform = QGuiApplication::platformName().toStdString();
    // On X11 the toolkit takes a text of any size; the own reader stops at
    // its limit. The window's own text it cannot read: this window would
    // have to answer while it waits.
    if (platform == "xcb" && !clipboard->ownsClipboard()) {
        const auto text = ClipboardTextWithinLimits();
        return text ? QString::fromStdString(*text) : QString();
    }
    // A window on a Wayland desktop reads the clipboard only while it has
    // the keyboard focus, which a minimized shortener never has.
    if (WindowCopiesThroughKeeper(platform)) {
        if (const auto text = ClipboardTextWithinLimits()) return QString::fromStdString(*text);
    }
    const QMimeData* data = clipboard->mimeData();
    return data && data->hasText() ? data->text() : QString();
}

bool TVelodrop1::ClipboardHasURL() {
    FClipboardText = ClipboardText();
    return IsWebAddress(FClipboardText);
}

void TVelodrop1::ShortenURL(const QString& URL) { FCore.ShortenURL(URL); }

}  // namespace vd::app
