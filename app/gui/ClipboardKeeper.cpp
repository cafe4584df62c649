#include "app/gui/ClipboardKeeper.h"

#include <QtGui/qguiapplication_platform.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <optional>

#include "app/clipboard/ClipboardKeeperProcess.h"
#include "app/clipboard/WaylandDataControl.h"

namespace vd::app {
namespace {

xcb_connection_t* X11Connection() {
    auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

// A clipboard manager owns the selection CLIPBOARD_MANAGER, as the
// freedesktop.org clipboard-manager convention has it.
bool ClipboardManagerRuns(xcb_connection_t* Connection) {
    static const char kName[] = "CLIPBOARD_MANAGER";
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&std::free)> atom(
        xcb_intern_atom_reply(Connection, xcb_intern_atom(Connection, 0, sizeof kName - 1, kName),
                              nullptr),
        &std::free);
    if (!atom) return false;
    std::unique_ptr<xcb_get_selection_owner_reply_t, decltype(&std::free)> owner(
        xcb_get_selection_owner_reply(Connection, xcb_get_selection_owner(Connection, atom->atom),
                                      nullptr),
        &std::free);
    return owner && owner->owner != XCB_NONE;
}

int KeepOnWayland(TWaylandDataControl& Control, const std::string& Text, int Seconds) {
    if (!Control.Offer(Text)) {
        AnswerKeeperStarter("the Wayland compositor did not take the text");
        return 1;
    }
    AnswerKeeperStarter({});
    Control.Serve(Seconds);
    return 0;
}

int KeepOnX11(const QString& Text, int Seconds) {
    QClipboard& clipboard = *QGuiApplication::clipboard();
    clipboard.setText(Text);
    if (!clipboard.ownsClipboard()) {
        AnswerKeeperStarter("the X11 display did not give the clipboard to the keeper");
        return 1;
    }
    AnswerKeeperStarter({});
    // Another program's text on the clipboard is the user's latest: ours
    // has done its work.
    QObject::connect(&clipboard, &QClipboard::changed, qGuiApp, [&](QClipboard::Mode Mode) {
        if (Mode == QClipboard::Clipboard && !clipboard.ownsClipboard()) QCoreApplication::quit();
    });
    QTimer::singleShot(std::chrono::seconds(Seconds), qGuiApp, &QCoreApplication::quit);
    QGuiApplication::exec();
    return 0;
}

}  // namespace

void HandOverClipboard(const QString& Program) {
    xcb_connection_t* connection = X11Connection();
    QClipboard& clipboard = *QGuiApplication::clipboard();
    if (!connection || !clipboard.ownsClipboard()) return;
    const QString text = clipboard.text();
    if (text.isEmpty()) return;
    if (ClipboardManagerRuns(connection)) return;
    // Nobody is left to tell when this fails: the window has gone.
    CopyThroughKeeper(QFile::encodeName(Program).toStdString(), text.toStdString());
}

int RunClipboardKeeper(int Seconds, int& argc, char** argv) {
    const std::string text = ReadKeeperText();
    if (text.empty()) {
        AnswerKeeperStarter("no text was handed over");
        return 1;
    }
    if (auto control = TWaylandDataControl::Connect())
        return KeepOnWayland(*control, text, Seconds);
    const char* display = std::getenv("DISPLAY");
    if (!display || !*display) {
        AnswerKeeperStarter(
            "this desktop offers no clipboard that a program without a focused window can set "
            "(no Wayland data control, no X11 display)");
        return 1;
    }
    std::optional<QGuiApplication> application;
    if (!QCoreApplication::instance()) {
        // The keeper has no window, so only X11 gives it the clipboard;
        // through Xwayland, GNOME passes that on to Wayland programs.
        qputenv("QT_QPA_PLATFORM", "xcb");
        application.emplace(argc, argv);
    }
    return KeepOnX11(QString::fromStdString(text), Seconds);
}

}  // namespace vd::app
