#include "app/trust/KnownCertificates.h"

#include <fcntl.h>
#include <stdlib.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <string>

#include "app/core/EFileError.h"

namespace vd::app {
namespace {

QStringList ReadLines(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly)) return {};
    return QString::fromUtf8(file.readAll()).split(u'\n', Qt::SkipEmptyParts);
}

// The line's server and fingerprint; false for a line of another form.
bool SplitLine(QString Line, QString& Server, QString& Fingerprint) {
    Line = Line.trimmed();
    const qsizetype blank = Line.indexOf(u' ');
    if (blank <= 0) return false;
    Server = Line.left(blank);
    Fingerprint = Line.mid(blank + 1).trimmed();
    return !Fingerprint.isEmpty();
}

[[noreturn]] void CannotWrite(const QString& FileName, int Error) {
    throw EFileError(QStringLiteral("%1 cannot be written: %2")
                         .arg(FileName, QString::fromLocal8Bit(std::strerror(Error)))
                         .toStdString());
}

// Through a temporary file in the same folder (mkstemp makes it 0600), then
// renamed over the old one.
void ReplaceFile(const QString& FileName, const QByteArray& Content) {
    std::string temp = (FileName + QStringLiteral(".XXXXXX")).toStdString();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) CannotWrite(FileName, errno);
    int error = 0;
    for (qsizetype done = 0; error == 0 && done < Content.size();) {
        const ssize_t n = ::write(fd, Content.constData() + done,
                                  static_cast<std::size_t>(Content.size() - done));
        if (n > 0)
            done += n;
        else if (n == 0 || errno != EINTR)
            error = n == 0 ? EIO : errno;
    }
    if (::close(fd) != 0 && error == 0) error = errno;
    if (error == 0 && ::rename(temp.c_str(), FileName.toStdString().c_str()) != 0) error = errno;
    if (error == 0) return;
    ::unlink(temp.c_str());
    CannotWrite(FileName, error);
}

}  // namespace

TKnownCertificates::TKnownCertificates(QString FileName) : FFileName(std::move(FileName)) {}

QString TKnownCertificates::Find(const QString& Server) const {
    if (FFileName.isEmpty()) return {};
    for (const QString& line : ReadLines(FFileName)) {
        QString server, fingerprint;
        if (SplitLine(line, server, fingerprint) && server == Server) return fingerprint;
    }
    return {};
}

void TKnownCertificates::Store(const QString& Server, const QString& Fingerprint) {
    if (FFileName.isEmpty()) return;
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    QByteArray content;
    for (const QString& line : ReadLines(FFileName)) {
        QString server, fingerprint;
        if (SplitLine(line, server, fingerprint) && server == Server) continue;
        content += line.toUtf8() + '\n';
    }
    content += (Server + u' ' + Fingerprint).toUtf8() + '\n';
    ReplaceFile(FFileName, content);
}

}  // namespace vd::app
