#include "app/trust/KnownCertificates.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <string>

#include "app/core/EFileError.h"
#include "platform/AtomicFile.h"

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

// Only the user may read which servers they trust.
void ReplaceFile(const QString& FileName, const QByteArray& Content) {
    const int error = platform::ReplaceFileAtomically(
        FileName.toStdString(), std::string_view(Content.constData(), Content.size()), 0600);
    if (error != 0) CannotWrite(FileName, error);
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
