#pragma once
// What the command line asks for. Besides the window's own arguments (a
// file to share, "-shortener"), the program knows the options Linux users
// expect: --help (-h), --version, --cli for a share or a short link
// without a window, and --history and --delete for the record of shares. As in other Linux
// programs, an argument that begins with "-" is an option, whatever files exist; a file of such a
// name is given as "./-name" or after "--". An unknown option is a usage error, before anything
// needs a display.

#include <QString>
#include <QStringList>

namespace vd::app {

struct TCommandLineRequest {
    enum class TKind {
        Window,       // the window, with WindowArguments
        Help,         // usage on standard output
        Version,      // the version on standard output
        CliShare,     // share Argument without a window
        CliShorten,   // shorten the address Argument without a window
        History,      // the recent shares on standard output, as JSON with Json
        DeleteShare,  // delete the share whose link is Argument
        UsageError,   // Error, then the usage, on standard error
        // Not for users: the hidden process that keeps serving the
        // clipboard's text after the window has gone, for at most Seconds.
        KeepClipboard,
    };
    TKind Kind = TKind::Window;
    QString Argument;
    QString Error;
    int Seconds = 0;
    /// --cli --copy: the link also goes onto the clipboard.
    bool Copy = false;
    /// --history --json: for scripts.
    bool Json = false;
    /// For the window: the program's path, then the file or "-shortener"
    /// when one was given; the display system's own options left out.
    QStringList WindowArguments;
};

/// `Arguments` as the program got them: [0] is its own path.
TCommandLineRequest ParseCommandLine(const QStringList& Arguments);

/// main's arguments, [0] made absolute (links kept, so that a link named
/// velodrop-shortener selects shortener mode).
QStringList ProgramArguments(int Argc, char** Argv);

/// The usage text, ending in a line break.
QString UsageText();

/// "Velodrop " + the version, ending in a line break.
QString VersionText();

}  // namespace vd::app
