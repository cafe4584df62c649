#include "app/trust/CertificateTrust.h"

#include "app/core/EFileError.h"

namespace vd::app {

TCertificateTrust::TCertificateTrust(TKnownCertificates& Known, TUserInterface& User,
                                     TLanguage Language)
    : FKnown(Known), FUser(User), FLanguage(Language) {}

void TCertificateTrust::Check(const QString& Server, const QString& Fingerprint) {
    const QString known = FKnown.Find(Server);
    if (known == Fingerprint) return;
    if (!known.isEmpty() &&
        !FUser.AskYesNo(Text(FLanguage, TText::CertificateChanged).arg(Server, known, Fingerprint)))
        throw ECertificateNotTrusted(Text(FLanguage, TText::CertificateNotTrusted)
                                         .arg(Server, Fingerprint, FKnown.FileName())
                                         .toStdString());
    Remember(Server, Fingerprint);
}

// A settings folder that cannot be written must not turn TLS off: the
// certificate is then trusted for this run, and the user hears once that
// it could not be remembered.
void TCertificateTrust::Remember(const QString& Server, const QString& Fingerprint) {
    try {
        FKnown.Store(Server, Fingerprint);
    } catch (const EFileError&) {
        if (FKnown.KeepForThisRun(Server, Fingerprint))
            FUser.ShowMessage(
                Text(FLanguage, TText::CertificateNotRemembered).arg(Server, FKnown.FileName()));
    }
}

}  // namespace vd::app
