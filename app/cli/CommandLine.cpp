#include "app/cli/CommandLine.h"

#include <QFile>
#include <QSet>

#include "platform/ProgramPath.h"

namespace vd::app {
namespace {

using TKind = TCommandLineRequest::TKind;

// Qt's own options, which the window's application object takes out of the
// arguments itself; until then they must not count as unknown. Most take a
// value in the next argument.
bool IsDisplayOption(const QString& Option, bool& TakesValue) {
    static const QSet<QString> withValue = {
        QStringLiteral("-platform"),        QStringLiteral("-platformpluginpath"),
        QStringLiteral("-platformtheme"),   QStringLiteral("-plugin"),
        QStringLiteral("-qwindowgeometry"), QStringLiteral("-qwindowicon"),
        QStringLiteral("-qwindowtitle"),    QStringLiteral("-session"),
        QStringLiteral("-display"),         QStringLiteral("-name"),
        QStringLiteral("-geometry"),        QStringLiteral("-style"),
        QStringLiteral("-stylesheet"),      QStringLiteral("-title"),
        QStringLiteral("-visual"),
    };
    static const QSet<QString> flags = {
        QStringLiteral("-reverse"), QStringLiteral("-widgetcount"), QStringLiteral("-nograb"),
        QStringLiteral("-dograb"),  QStringLiteral("-testability"),
    };
    TakesValue = withValue.contains(Option);
    if (TakesValue || flags.contains(Option)) return true;
    // "-style=fusion" and the like carry their value.
    const QString name = Option.section(u'=', 0, 0);
    return Option.contains(u'=') && (withValue.contains(name) || name == u"-qmljsdebugger");
}

TCommandLineRequest MakeRequest(TKind Kind, const QString& Argument = {},
                                const QString& Error = {}) {
    TCommandLineRequest request;
    request.Kind = Kind;
    request.Argument = Argument;
    request.Error = Error;
    return request;
}

TCommandLineRequest UsageError(const QString& Error) {
    return MakeRequest(TKind::UsageError, QString(), Error);
}

TCommandLineRequest CliTarget(const QStringList& Rest) {
    if (Rest.size() == 1 && Rest[0] != u"--shorten") return MakeRequest(TKind::CliShare, Rest[0]);
    if (Rest.size() == 2 && Rest[0] == u"--shorten") return MakeRequest(TKind::CliShorten, Rest[1]);
    // "--cli -- -name.txt" shares a file whose name begins with "-".
    if (Rest.size() == 2 && Rest[0] == u"--") return MakeRequest(TKind::CliShare, Rest[1]);
    return UsageError(
        QStringLiteral("--cli takes one file, or --shorten and one web address, after --copy "
                       "if the link should also go onto the clipboard."));
}

TCommandLineRequest CliRequest(QStringList Rest) {
    // "--copy" first: also put the link onto the clipboard.
    const bool copy = !Rest.isEmpty() && Rest[0] == u"--copy";
    if (copy) Rest.removeFirst();
    TCommandLineRequest request = CliTarget(Rest);
    if (request.Kind != TKind::UsageError) request.Copy = copy;
    return request;
}

// "--keep-clipboard SECONDS", as the window starts it.
TCommandLineRequest KeeperRequest(const QStringList& Rest) {
    bool number = false;
    const int seconds = Rest.size() == 1 ? Rest[0].toInt(&number) : 0;
    if (!number || seconds <= 0)
        return UsageError(QStringLiteral("--keep-clipboard takes a number of seconds."));
    TCommandLineRequest request = MakeRequest(TKind::KeepClipboard);
    request.Seconds = seconds;
    return request;
}

TCommandLineRequest HistoryRequest(const QStringList& Rest) {
    if (Rest.isEmpty()) return MakeRequest(TKind::History);
    if (Rest.size() > 1 || Rest[0] != u"--json")
        return UsageError(QStringLiteral("--history takes nothing but --json."));
    TCommandLineRequest request = MakeRequest(TKind::History);
    request.Json = true;
    return request;
}

TCommandLineRequest DeleteRequest(const QStringList& Rest) {
    if (Rest.size() != 1 || Rest[0].isEmpty())
        return UsageError(QStringLiteral("--delete takes one link, as --history shows it."));
    return MakeRequest(TKind::DeleteShare, Rest[0]);
}

// The options that stand for the whole run, first on the command line.
bool ModeOption(const QString& First, const QStringList& Rest, TCommandLineRequest& Request) {
    if (First == u"--help" || First == u"-h")
        Request = MakeRequest(TKind::Help);
    else if (First == u"--version")
        Request = MakeRequest(TKind::Version);
    else if (First == u"--cli")
        Request = CliRequest(Rest);
    else if (First == u"--history")
        Request = HistoryRequest(Rest);
    else if (First == u"--delete")
        Request = DeleteRequest(Rest);
    else if (First == u"--keep-clipboard")
        Request = KeeperRequest(Rest);
    else
        return false;
    return true;
}

}  // namespace

QStringList ProgramArguments(int Argc, char** Argv) {
    QStringList arguments;
    arguments << QFile::decodeName(platform::AbsoluteProgramPath(Argv[0]).c_str());
    for (int i = 1; i < Argc; ++i) arguments << QFile::decodeName(Argv[i]);
    return arguments;
}

TCommandLineRequest ParseCommandLine(const QStringList& Arguments) {
    TCommandLineRequest request;
    if (Arguments.isEmpty()) return request;
    request.WindowArguments << Arguments.front();
    if (Arguments.size() >= 2 && ModeOption(Arguments[1], Arguments.mid(2), request))
        return request;
    for (qsizetype i = 1; i < Arguments.size(); ++i) {
        const QString& argument = Arguments[i];
        bool takesValue = false;
        if (argument == u"--") {
            // The next argument is the file, whatever it looks like.
            if (i + 1 < Arguments.size()) request.WindowArguments << Arguments[i + 1];
            return request;
        }
        if (argument == u"-shortener" || !argument.startsWith(u'-') || argument == u"-") {
            // The window takes the first of these; what follows it is ignored.
            request.WindowArguments << argument;
            return request;
        }
        if (!IsDisplayOption(argument, takesValue))
            return UsageError(QStringLiteral("Unknown option: ") + argument);
        if (takesValue) ++i;
    }
    return request;
}

QString UsageText() {
    return QStringLiteral(
        "Usage: velodrop [FILE]\n"
        "       velodrop -shortener\n"
        "       velodrop --cli [--copy] FILE\n"
        "       velodrop --cli [--copy] --shorten URL\n"
        "       velodrop --history [--json]\n"
        "       velodrop --delete LINK\n"
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
        "  --cli --copy ...      also put the link onto the clipboard, where it stays\n"
        "                        after the command has ended (X11 and Wayland)\n"
        "  --history             list the recent shares: date, state, expiry, size, link\n"
        "  --history --json      all shares as a JSON array, one object per share\n"
        "  --delete LINK         delete the share of LINK from the server now\n"
        "  -h, --help            show this help\n"
        "  --version             show the version\n"
        "\n"
        "A file whose name begins with \"-\" is given as ./-name, or after --.\n"
        "The settings are the window's: Velodrop/velodrop_settings.ini (for short\n"
        "links shortener_settings.ini) in $XDG_CONFIG_HOME, usually ~/.config.\n"
        "The record of shares is Velodrop/shares.sqlite in $XDG_DATA_HOME, usually\n"
        "~/.local/share.\n"
        "Exit status: 0 when the link was made (and with --copy, is on the\n"
        "clipboard) or the share deleted, 1 when not, 2 for a usage error.\n");
}

QString VersionText() { return QStringLiteral("Velodrop " VELODROP_VERSION "\n"); }

}  // namespace vd::app
