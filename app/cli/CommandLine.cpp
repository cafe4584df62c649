#include "app/cli/CommandLine.h"

#include <QFileInfo>

namespace vd::app {
namespace {

using TKind = TCommandLineRequest::TKind;

TCommandLineRequest CliRequest(const QStringList& Arguments) {
    const QStringList rest = Arguments.mid(2);
    if (rest.size() == 1 && rest[0] != u"--shorten") return {TKind::CliShare, rest[0], {}};
    if (rest.size() == 2 && rest[0] == u"--shorten") return {TKind::CliShorten, rest[1], {}};
    return {TKind::UsageError,
            {},
            QStringLiteral("--cli takes one file, or --shorten and one web address.")};
}

// "--keep-clipboard SECONDS", as the window starts it.
TCommandLineRequest KeeperRequest(const QStringList& Arguments) {
    bool number = false;
    const int seconds = Arguments.size() == 3 ? Arguments[2].toInt(&number) : 0;
    if (!number || seconds <= 0) {
        return {
            TKind::UsageError, {}, QStringLiteral("--keep-clipboard takes a number of seconds.")};
    }
    TCommandLineRequest request{TKind::KeepClipboard, {}, {}};
    request.Seconds = seconds;
    return request;
}

}  // namespace

TCommandLineRequest ParseCommandLine(const QStringList& Arguments) {
    if (Arguments.size() < 2) return {};
    const QString& first = Arguments[1];
    // The file-argument rule comes first: a file called "--help" is shared.
    if (QFileInfo::exists(first)) return {};
    if (first == u"--help") return {TKind::Help, {}, {}};
    if (first == u"--version") return {TKind::Version, {}, {}};
    if (first == u"--cli") return CliRequest(Arguments);
    if (first == u"--keep-clipboard") return KeeperRequest(Arguments);
    return {};
}

QString UsageText() {
    return QStringLiteral(
        "Usage: velodrop [FILE]\n"
        "       velodrop -shortener\n"
        "       velodrop --cli FILE\n"
        "       velodrop --cli --shorten URL\n"
        "       velodrop --help | --version\n"
        "\n"
        "Drop a file, get a link: the file goes up to your own FTP server under a\n"
        "fresh random name, and its link is shown with a QR code.\n"
        "\n"
        "  FILE                  share FILE in the window\n"
        "  -shortener            shorten the web address on the clipboard, then end\n"
        "  --cli FILE            share FILE without a window: progress on standard\n"
        "                        error, the link as the last line of standard output,\n"
        "                        its QR code above it when that is a terminal\n"
        "  --cli --shorten URL   shorten URL without a window and print the short link\n"
        "  --help                show this help\n"
        "  --version             show the version\n"
        "\n"
        "The settings are the window's: Velodrop/velodrop_settings.ini (for short\n"
        "links shortener_settings.ini) in $XDG_CONFIG_HOME, usually ~/.config.\n"
        "Exit status: 0 when the link was made, 1 when not, 2 for a usage error.\n");
}

QString VersionText() { return QStringLiteral("Velodrop " VELODROP_VERSION "\n"); }

}  // namespace vd::app
