#include "TIdSSLOptions.h"

namespace vd::ftp {

TIdSSLVersions TIdSSLOptions::AllVersions() {
    using V = TIdSSLVersion;
    return {V::sslvSSLv2, V::sslvSSLv3, V::sslvTLSv1, V::sslvTLSv1_1, V::sslvTLSv1_2};
}

void TIdSSLOptions::SetMethod(TIdSSLVersion value) {
    FMethod = value;
    FSSLVersions = value == TIdSSLVersion::sslvSSLv23 ? AllVersions() : TIdSSLVersions{value};
}

void TIdSSLOptions::SetSSLVersions(TIdSSLVersions value) {
    if (value.size() == 1 && *value.begin() != TIdSSLVersion::sslvSSLv23) {
        FMethod = *value.begin();
        FSSLVersions = std::move(value);
        return;
    }
    FMethod = TIdSSLVersion::sslvSSLv23;
    value.erase(TIdSSLVersion::sslvSSLv23);
    FSSLVersions = value.empty() ? AllVersions() : std::move(value);
}

}  // namespace vd::ftp
