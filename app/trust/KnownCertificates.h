#pragma once
// The certificates of the servers seen before, for trust on first use: a
// text file beside the settings, one line per server, "host:port" and the
// SHA-256 fingerprint of its certificate, separated by a blank. Only its
// owner may read it (it tells which servers the user uses).

#include <QString>

namespace vd::app {

class TKnownCertificates final {
  public:
    /// Empty `FileName`: nothing is known, and nothing is remembered.
    explicit TKnownCertificates(QString FileName);

    const QString& FileName() const noexcept { return FFileName; }
    /// The fingerprint remembered for `Server` ("host:port"); empty text
    /// when there is none.
    QString Find(const QString& Server) const;
    /// Remembers `Fingerprint` for `Server` in place of what was there; the
    /// other lines stay. The file and its folder are made when missing,
    /// with mode 0600; the file is replaced in one step, never half
    /// written. Raises EFileError when it cannot be written.
    void Store(const QString& Server, const QString& Fingerprint);

  private:
    QString FFileName;
};

}  // namespace vd::app
