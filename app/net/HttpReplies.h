#pragma once
// What the answers to link requests say.

#include "app/core/LinkCheck.h"
#include "app/net/HttpExchange.h"

namespace vd::app {

/// The size of the whole file: from "Content-Range: bytes 0-0/SIZE" after a
/// ranged GET, else from Content-Length; -1 when the server names none.
qint64 FileSizeOf(const THttpAnswer& Answer);

/// What an answer says about a link, before its content is compared.
TLinkVerdict VerdictOf(const THttpAnswer& Answer);

}  // namespace vd::app
