#pragma once
// The certificates of the servers seen before, for trust on first use: a
// text file beside the settings, one line per server, "host:port" and the
// SHA-256 fingerprint of its certificate, separated by a blank. Only its
// owner may read it (it tells which servers the user uses). Two instances
// of the program may store at the same time: each change is made under a
// lock (a file "known_certificates.lock" beside it) on the file as it is
// then, so neither loses the other's line.
//
// Where the file cannot be written, a certificate may be kept for the rest
// of the process instead (KeepForThisRun): every store object of that file
// then finds it.

#include <QString>

namespace vd::app {

class TKnownCertificates final {
  public:
    /// Empty `FileName`: nothing is known, and nothing is remembered.
    explicit TKnownCertificates(QString FileName);

    const QString& FileName() const noexcept { return FFileName; }
    /// The fingerprint remembered for `Server` ("host:port"), this run's
    /// own first; empty text when there is none.
    QString Find(const QString& Server) const;
    /// Remembers `Fingerprint` for `Server` in place of what was there; the
    /// other lines stay, also those another instance added meanwhile. The
    /// file and its folder are made when missing, with mode 0600; the file
    /// is replaced in one step, never half written. Raises EFileError when
    /// it cannot be written.
    void Store(const QString& Server, const QString& Fingerprint);
    /// Remembers `Fingerprint` for `Server` until the process ends, for a
    /// file that cannot be written. True the first time for this file: the
    /// user is to be told once.
    bool KeepForThisRun(const QString& Server, const QString& Fingerprint);

  private:
    QString FFileName;
};

}  // namespace vd::app
