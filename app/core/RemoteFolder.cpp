#include "app/core/RemoteFolder.h"

namespace vd::app {

QString TransportNameOf(const std::exception& Error) {
    const auto* transport = dynamic_cast<const ETransportError*>(&Error);
    return TransportName(transport ? transport->Transport() : TTransport::Ftp);
}

}  // namespace vd::app
