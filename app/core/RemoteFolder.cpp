#include "app/core/RemoteFolder.h"

namespace vd::app {

QString TransportNameOf(const std::exception& Error) {
    const auto* transport = dynamic_cast<const ETransportError*>(&Error);
    return TransportName(transport ? transport->Transport() : TTransport::Ftp);
}

bool IsListed(const QStringList& Names, const QString& Name) {
    for (const QString& entry : Names) {
        if (entry.section(u'/', -1).compare(Name, Qt::CaseInsensitive) == 0) return true;
    }
    return false;
}

}  // namespace vd::app
