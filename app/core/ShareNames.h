#pragma once
// How shared files are named on the server and linked on the web.

#include <QString>
#include <QStringList>

namespace vd::app {

/// What every shared file's name begins with, and the length of the random
/// part that follows it.
inline constexpr char16_t kSharePrefix[] = u"velodrop_";
inline constexpr int kShareRandomLength = 10;

/// The host directory's components, in order: empty ones stay (a leading
/// "/" or a "//" gives one), but a "/" at the very end adds none.
QStringList DirectoryComponents(const QString& Directory);

/// "velodrop_" + the random part + "_" + the file-name part of `LocalFile`,
/// nothing escaped.
QString RemoteNameFor(const QString& RandomPart, const QString& LocalFile);

/// `BaseURL` + "/" + `Name`, as they are (short links: codes need nothing).
QString BuildLink(const QString& BaseURL, const QString& Name);

/// The public link of an uploaded file: `BaseURL` + "/" + `RemoteName`,
/// where the characters of the name that would end or change a URL path are
/// percent-encoded ("%" as "%25", "#" as "%23", "?" as "%3F", and "\",
/// which browsers read as "/", as "%5C"), and so are control characters
/// (C0, DEL, C1: "%1B", "%7F", "%C2%9B"), as browsers send them. Everything
/// else stays as it is, the blank included: browsers and QR readers take it.
QString ShareLink(const QString& BaseURL, const QString& RemoteName);

/// True when `RemoteName` has the form this program gives the files it
/// shares: the prefix, ten characters of the random names' alphabet, "_"
/// and the rest; and nothing in it could lead out of the host directory or
/// into a second command: no "/", no ".." (a server that takes a backslash
/// for a separator would follow it), no line break. Only such a name is
/// ever deleted on the strength of the record of shares.
bool IsShareName(const QString& RemoteName);

/// True when `Text` holds a CR, LF or NUL, which no FTP command line may
/// carry.
bool HasLineBreak(const QString& Text);

}  // namespace vd::app
