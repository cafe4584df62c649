#include "app/gui/ClipboardKeeper.h"

#include <QtGui/qguiapplication_platform.h>
#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <QClipboard>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QFile>
#include <QGuiApplication>
#include <QTimer>
#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <string>

extern char** environ;

namespace vd::app {
namespace {

// Waiting for the hidden process to take the clipboard: it starts a GUI
// application first, which takes a moment.
constexpr int kTakeOverMilliseconds = 5000;

QClipboard& Clipboard() { return *QGuiApplication::clipboard(); }

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

void WriteAll(int Fd, const QByteArray& Bytes) {
    qsizetype done = 0;
    while (done < Bytes.size()) {
        const ssize_t n = ::write(Fd, Bytes.constData() + done, std::size_t(Bytes.size() - done));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return;  // the process has gone; nothing keeps the text then
        done += n;
    }
}

// Starts `Program` --keep-clipboard SECONDS in a session of its own, in "/"
// (it must keep no folder busy), with `Text` on its standard input and
// nothing else open: a caller reading our output to its end must not wait
// ten minutes for it. The process id, or -1.
pid_t StartKeeper(const QString& Program, const QByteArray& Text) {
    int input[2];
    if (::pipe2(input, O_CLOEXEC) != 0) return -1;
    const std::string path = QFile::encodeName(Program).toStdString();
    const std::string seconds = std::to_string(kKeepClipboardSeconds);
    char option[] = "--keep-clipboard";
    char* argv[] = {const_cast<char*>(path.c_str()), option, const_cast<char*>(seconds.c_str()),
                    nullptr};

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, input[0], STDIN_FILENO);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addclosefrom_np(&actions, STDERR_FILENO + 1);
    posix_spawn_file_actions_addchdir_np(&actions, "/");
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSID);

    pid_t pid = -1;
    if (::posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ) != 0) pid = -1;
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    ::close(input[0]);
    if (pid > 0) WriteAll(input[1], Text);
    ::close(input[1]);
    return pid;
}

// Until the process owns the clipboard, has ended, or time is up.
void AwaitTakeOver(pid_t Keeper) {
    QElapsedTimer waited;
    waited.start();
    QEventLoop loop;
    QTimer tick;
    tick.callOnTimeout([&] {
        int status = 0;
        const bool ended = ::waitpid(Keeper, &status, WNOHANG) == Keeper;
        if (!Clipboard().ownsClipboard() || ended || waited.elapsed() > kTakeOverMilliseconds)
            loop.quit();
    });
    tick.start(20);
    loop.exec();
}

QByteArray ReadStandardInput() {
    QByteArray bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(STDIN_FILENO, buffer, sizeof buffer);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return bytes;
        bytes.append(buffer, n);
    }
}

}  // namespace

void HandOverClipboard(const QString& Program) {
    xcb_connection_t* connection = X11Connection();
    if (!connection || !Clipboard().ownsClipboard()) return;
    const QString text = Clipboard().text();
    if (text.isEmpty()) return;
    // A manager gets the text from Qt itself when the application ends.
    if (ClipboardManagerRuns(connection)) return;
    const pid_t keeper = StartKeeper(Program, text.toUtf8());
    if (keeper > 0) AwaitTakeOver(keeper);
}

int KeepClipboard(int Seconds) {
    const QString text = QString::fromUtf8(ReadStandardInput());
    if (text.isEmpty()) return 1;
    QClipboard& clipboard = Clipboard();
    clipboard.setText(text);
    if (!clipboard.ownsClipboard()) return 1;
    // Another program's text on the clipboard is the user's latest: ours
    // has done its work.
    QObject::connect(&clipboard, &QClipboard::changed, qGuiApp, [&](QClipboard::Mode Mode) {
        if (Mode == QClipboard::Clipboard && !clipboard.ownsClipboard()) QCoreApplication::quit();
    });
    QTimer::singleShot(std::chrono::seconds(Seconds), qGuiApp, &QCoreApplication::quit);
    QGuiApplication::exec();
    return 0;
}

}  // namespace vd::app
