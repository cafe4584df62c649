#include "app/trust/KnownCertificates.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QStringList>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <mutex>
#include <string>
#include <thread>

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

// An exclusive lock on "<file>.lock" while the object lives. The file
// itself cannot carry the lock: each change renames a new file over it.
// Another instance holds it for a moment only; one that holds it for long
// is stuck, and the change then fails rather than waiting on it.
class TChangeLock final {
  public:
    explicit TChangeLock(const QString& FileName) {
        const QString lockName = FileName + QStringLiteral(".lock");
        FHandle = ::open(lockName.toStdString().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (FHandle < 0) CannotWrite(FileName, errno);
        const auto giveUp = std::chrono::steady_clock::now() + std::chrono::seconds(5);
        while (::flock(FHandle, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            if ((error != EWOULDBLOCK && error != EINTR) ||
                std::chrono::steady_clock::now() > giveUp) {
                ::close(FHandle);
                CannotWrite(FileName, error);
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(5));
        }
    }
    TChangeLock(const TChangeLock&) = delete;
    TChangeLock& operator=(const TChangeLock&) = delete;
    ~TChangeLock() { ::close(FHandle); }  // closing the last descriptor releases the lock

  private:
    int FHandle = -1;
};

// What this process keeps of files it could not write: by file, the
// fingerprints by server. The store objects are short-lived, the process
// is the run.
struct TRunMemory {
    std::mutex Mutex;
    QHash<QString, QHash<QString, QString>> Fingerprints;
};

TRunMemory& RunMemory() {
    static TRunMemory memory;
    return memory;
}

}  // namespace

TKnownCertificates::TKnownCertificates(QString FileName) : FFileName(std::move(FileName)) {}

QString TKnownCertificates::Find(const QString& Server) const {
    if (FFileName.isEmpty()) return {};
    {
        TRunMemory& memory = RunMemory();
        const std::lock_guard<std::mutex> lock(memory.Mutex);
        const QString kept = memory.Fingerprints.value(FFileName).value(Server);
        if (!kept.isEmpty()) return kept;
    }
    for (const QString& line : ReadLines(FFileName)) {
        QString server, fingerprint;
        if (SplitLine(line, server, fingerprint) && server == Server) return fingerprint;
    }
    return {};
}

void TKnownCertificates::Store(const QString& Server, const QString& Fingerprint) {
    if (FFileName.isEmpty()) return;
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    const TChangeLock lock(FFileName);
    // Read under the lock: what another instance stored just before stays.
    QByteArray content;
    for (const QString& line : ReadLines(FFileName)) {
        QString server, fingerprint;
        if (SplitLine(line, server, fingerprint) && server == Server) continue;
        content += line.toUtf8() + '\n';
    }
    content += (Server + u' ' + Fingerprint).toUtf8() + '\n';
    ReplaceFile(FFileName, content);
    TRunMemory& memory = RunMemory();
    const std::lock_guard<std::mutex> guard(memory.Mutex);
    auto kept = memory.Fingerprints.find(FFileName);
    if (kept != memory.Fingerprints.end()) kept->remove(Server);
}

bool TKnownCertificates::KeepForThisRun(const QString& Server, const QString& Fingerprint) {
    if (FFileName.isEmpty()) return false;
    TRunMemory& memory = RunMemory();
    const std::lock_guard<std::mutex> lock(memory.Mutex);
    const bool first = !memory.Fingerprints.contains(FFileName);
    memory.Fingerprints[FFileName][Server] = Fingerprint;
    return first;
}

}  // namespace vd::app
