#include "app/core/LinkCheck.h"

namespace vd::app {

QString LinkFaultText(const TLinkVerdict& Verdict, TLanguage Language) {
    switch (Verdict.Fault) {
        case TLinkFault::None:
            return {};
        case TLinkFault::HttpStatus:
            return QStringLiteral("HTTP %1").arg(Verdict.HttpStatus);
        case TLinkFault::Other:
            return Verdict.Detail;
        case TLinkFault::NotWebAddress:
            return Text(Language, TText::LinkNotWebAddress);
        case TLinkFault::ConnectionRefused:
            return Text(Language, TText::LinkConnectionRefused);
        case TLinkFault::HostNotFound:
            return Text(Language, TText::LinkHostNotFound);
        case TLinkFault::CertificateNotTrusted:
            return Text(Language, TText::LinkCertificateNotTrusted);
        case TLinkFault::OtherContent:
            return Text(Language, TText::LinkOtherContent);
        case TLinkFault::NoAnswer:
            return Text(Language, TText::LinkNoAnswer);
    }
    return {};
}

QUrl BrowserUrl(const QString& Link) { return QUrl(Link, QUrl::TolerantMode); }

bool IsWebUrl(const QUrl& Url) {
    const QString scheme = Url.scheme().toLower();
    return Url.isValid() && (scheme == u"http" || scheme == u"https") && !Url.host().isEmpty();
}

}  // namespace vd::app
