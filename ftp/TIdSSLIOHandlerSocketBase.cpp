#include "TIdSSLIOHandlerSocketBase.h"

namespace vd::ftp {

void TIdSSLIOHandlerSocketBase::SetPassThrough(bool value) {
    if (value == FPassThrough) return;
    if (value) {
        PassThroughEnabled();
    } else if (Opened()) {
        StartTLS();
    }
    FPassThrough = value;
}

}  // namespace vd::ftp
