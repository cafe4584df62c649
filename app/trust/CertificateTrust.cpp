#include "app/trust/CertificateTrust.h"

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
    FKnown.Store(Server, Fingerprint);
}

}  // namespace vd::app
