#include "app/net/HttpReplies.h"

#include <QRegularExpression>

namespace vd::app {

qint64 FileSizeOf(const THttpAnswer& Answer) {
    const QString range = QString::fromLatin1(Answer.Header("content-range"));
    const auto total = QRegularExpression(QStringLiteral("/(\\d+)$")).match(range);
    if (total.hasMatch()) return total.captured(1).toLongLong();
    bool ok = false;
    const qint64 length = Answer.Header("content-length").toLongLong(&ok);
    return ok && length >= 0 ? length : -1;
}

TLinkVerdict VerdictOf(const THttpAnswer& Answer) {
    if (!Answer.Failure.Ok()) return Answer.Failure;
    if (Answer.Status != 200 && Answer.Status != 206)
        return {TLinkFault::HttpStatus, Answer.Status};
    return {};
}

}  // namespace vd::app
