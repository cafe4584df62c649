#pragma once
// A host directory in memory for flow tests: it records every call in the
// order made ("OPEN", "PUT name", "DELETE name", ...) and fails the calls a
// test names, with the message it names.

#include <QMap>
#include <utility>
#include <vector>

#include "app/core/RemoteFolder.h"

namespace vd::test {

class TFakeRemoteFolder final : public app::TRemoteFolder {
  public:
    /// The files of the host directory, by name.
    QMap<QString, QByteArray> Files;
    /// Every call, in order: "OPEN", "PUT name", "PUTCONTENT name",
    /// "APPEND name", "GET name", "LIST", "DELETE name", "CLOSE".
    QStringList Calls;
    /// The account of the last "OPEN", also of a failed one.
    app::TServerAccount OpenedWith;
    /// Whether a session is open: "OPEN" opens it, "CLOSE" ends it, and a
    /// failure leaves it as it was.
    bool SessionOpen = false;
    /// Put in front of each name a listing gives (some servers list paths).
    QString ListPrefix;
    /// Pieces a "PUT" reports its progress in.
    int ProgressPieces = 3;
    /// When positive, a "PUT" with progress fails once this many pieces
    /// have arrived (they stay on the server), as a connection reset.
    int CutPutAfterPieces = 0;
    /// The certificate the server shows: when not empty, "OPEN" hands it to
    /// the certificate check (as "files.example.org:21") before the session
    /// counts as open; an error there fails the "OPEN".
    QString ShownFingerprint;

    /// Calls that match `Pattern` (as written in Calls; "*" and "?" are
    /// wildcards) fail every time with `Message`.
    void FailOn(const QString& Pattern, const QString& Message);

    void SetLogFileName(const QString& FileName) override { FLogFileName = FileName; }
    QString LogFileName() const override { return FLogFileName; }
    void SetCertificateCheck(TCertificateCheck Check) override { FCheck = std::move(Check); }
    void Open(const app::TServerAccount& Account) override;
    void Put(const QString& LocalFile, const QString& RemoteName,
             const TProgress& Progress = {}) override;
    void PutContent(const QByteArray& Content, const QString& RemoteName) override;
    void Append(const QByteArray& Content, const QString& RemoteName) override;
    QByteArray Get(const QString& RemoteName) override;
    QStringList ListNames() override;
    void Delete(const QString& RemoteName) override;
    void Close() noexcept override;

  private:
    void Call(const QString& Text);

    std::vector<std::pair<QString, QString>> FFailures;  // pattern, message
    QString FLogFileName;
    TCertificateCheck FCheck;
};

/// True when `Calls` are as many as `Patterns` and each matches its pattern
/// ("*" and "?" are wildcards).
bool CallsMatch(const QStringList& Calls, const QStringList& Patterns);

}  // namespace vd::test
