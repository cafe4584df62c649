#include "app/net/HttpExchange.h"

#include <QSslSocket>
#include <QTcpSocket>

namespace vd::app {
namespace {

// Chunk-size lines carry a number in hex and perhaps extensions.
constexpr qsizetype kMaxChunkLineBytes = 1024;

bool IsRedirect(int Status) {
    return Status == 301 || Status == 302 || Status == 303 || Status == 307 || Status == 308;
}

// "HTTP/1.1 200 OK" -> 200; 0 when the line is no HTTP status line.
int StatusOfLine(const QByteArray& Line) {
    if (!Line.startsWith("HTTP/1.") || Line.size() < 12 || Line[8] != ' ') return 0;
    bool ok = false;
    const int status = Line.mid(9, 3).toInt(&ok);
    return ok && status >= 100 && status <= 999 ? status : 0;
}

// The request target: the path and query as sent on the wire, escapes kept.
QByteArray TargetOf(const QUrl& Url) {
    QByteArray target = Url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty()) target = "/";
    if (Url.hasQuery()) target += "?" + Url.query(QUrl::FullyEncoded).toLatin1();
    return target;
}

QByteArray HostHeaderOf(const QUrl& Url) {
    QByteArray host = Url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':')) host = "[" + host + "]";  // an IPv6 address
    if (Url.port() != -1) host += ":" + QByteArray::number(Url.port());
    return host;
}

TLinkVerdict VerdictOfSocketError(const QTcpSocket& Socket) {
    switch (Socket.error()) {
        case QAbstractSocket::ConnectionRefusedError:
            return {TLinkFault::ConnectionRefused};
        case QAbstractSocket::HostNotFoundError:
            return {TLinkFault::HostNotFound};
        case QAbstractSocket::SslHandshakeFailedError:
            return {TLinkFault::CertificateNotTrusted};
        case QAbstractSocket::SocketTimeoutError:
            return {TLinkFault::NoAnswer};
        default:
            return {TLinkFault::Other, 0, Socket.errorString()};
    }
}

}  // namespace

QByteArray THttpAnswer::Header(const QByteArray& Name) const {
    for (const auto& [name, value] : Headers)
        if (name == Name) return value;
    return {};
}

THttpExchange::THttpExchange(THttpRequest Request, QDeadlineTimer Deadline, QObject* Parent)
    : QObject(Parent), FRequest(std::move(Request)), FDeadline(Deadline) {
    FDeadlineTimer.setSingleShot(true);
    connect(&FDeadlineTimer, &QTimer::timeout, this, [this] { Fail({TLinkFault::NoAnswer}); });
}

THttpExchange::~THttpExchange() { DropSocket(); }

void THttpExchange::Start() {
    if (!FDeadline.isForever())
        FDeadlineTimer.start(static_cast<int>(qMax<qint64>(0, FDeadline.remainingTime())));
    Connect();
}

void THttpExchange::Connect() {
    const QUrl& url = FRequest.Url;
    const QString host = url.host(QUrl::FullyEncoded);
    const bool https = url.scheme().compare(u"https", Qt::CaseInsensitive) == 0;
    QSslSocket* tlsSocket = https ? new QSslSocket(this) : nullptr;
    FSocket = https ? tlsSocket : new QTcpSocket(this);
    // Each read takes at most this much off the connection, so that no
    // answer can grow memory faster than the limits below are checked.
    FSocket->setReadBufferSize(kMaxHttpHeaderBytes);
    connect(FSocket, &QTcpSocket::readyRead, this, &THttpExchange::ReadAvailable);
    connect(FSocket, &QTcpSocket::errorOccurred, this, &THttpExchange::SocketFailed);
    if (https) {
        connect(tlsSocket, &QSslSocket::encrypted, this, &THttpExchange::SendRequest);
        tlsSocket->connectToHostEncrypted(host, static_cast<quint16>(url.port(443)));
    } else {
        connect(FSocket, &QTcpSocket::connected, this, &THttpExchange::SendRequest);
        FSocket->connectToHost(host, static_cast<quint16>(url.port(80)));
    }
}

void THttpExchange::SendRequest() {
    // The answer must be the file as stored: no compression, no connection
    // kept for later.
    QByteArray request = FRequest.Method + " " + TargetOf(FRequest.Url) + " HTTP/1.1\r\n";
    request += "Host: " + HostHeaderOf(FRequest.Url) + "\r\n";
    request += "User-Agent: Mozilla/5.0\r\nAccept: */*\r\nAccept-Encoding: identity\r\n";
    if (!FRequest.Range.isEmpty()) request += "Range: " + FRequest.Range + "\r\n";
    request += "Connection: close\r\n\r\n";
    FSocket->write(request);
}

void THttpExchange::ReadAvailable() {
    if (FFinished || !FSocket) return;
    FBuffer += FSocket->readAll();
    Consume();
}

void THttpExchange::SocketFailed() {
    QTcpSocket* socket = FSocket;
    if (FFinished || !socket) return;
    if (socket->error() == QAbstractSocket::RemoteHostClosedError) {
        // What came before the close still counts (a redirect may lead on
        // to another connection); a body without a length ends here.
        ReadAvailable();
        if (FFinished || FSocket != socket) return;
        if (FStage == TStage::BodyToClose) return Finish();
    }
    Fail(VerdictOfSocketError(*socket));
}

void THttpExchange::Consume() {
    while (!FFinished && FSocket && ConsumeStep()) {
    }
}

bool THttpExchange::ConsumeStep() {
    switch (FStage) {
        case TStage::Header:
            return ConsumeHeaderLine();
        case TStage::SizedBody:
        case TStage::ChunkData: {
            if (FBuffer.isEmpty()) return false;
            const qsizetype take = static_cast<qsizetype>(qMin<qint64>(FLeft, FBuffer.size()));
            AddToBody(FBuffer.left(take));
            FBuffer.remove(0, take);
            FLeft -= take;
            if (FLeft > 0 || FFinished) return false;
            if (FStage == TStage::SizedBody) {
                Finish();
                return false;
            }
            FStage = TStage::ChunkEnd;
            return true;
        }
        case TStage::BodyToClose:
            if (FBuffer.isEmpty()) return false;
            AddToBody(FBuffer);
            FBuffer.clear();
            return false;
        case TStage::ChunkSize:
            return ConsumeChunkSize();
        case TStage::ChunkEnd:
        case TStage::Trailer: {
            QByteArray line;
            if (!TakeLine(line, kMaxChunkLineBytes)) return false;
            if (FStage == TStage::ChunkEnd) {
                FStage = TStage::ChunkSize;
            } else if (line.isEmpty()) {
                Finish();
                return false;
            }
            return true;
        }
    }
    return false;
}

bool THttpExchange::TakeLine(QByteArray& Line, qsizetype MaxBytes) {
    const qsizetype end = FBuffer.indexOf('\n');
    if (end < 0) {
        // A server that never ends its line is no web server worth waiting
        // for: the limit keeps its bytes from piling up until the deadline.
        if (FBuffer.size() > MaxBytes) Fail({TLinkFault::OtherContent});
        return false;
    }
    Line = FBuffer.left(end);
    FBuffer.remove(0, end + 1);
    if (Line.endsWith('\r')) Line.chop(1);
    return true;
}

bool THttpExchange::ConsumeHeaderLine() {
    QByteArray line;
    if (!TakeLine(line, kMaxHttpHeaderBytes - FHeaderBytes)) return false;
    FHeaderBytes += line.size() + 2;
    if (FHeaderBytes > kMaxHttpHeaderBytes) {
        Fail({TLinkFault::OtherContent});
        return false;
    }
    if (line.isEmpty()) return HeaderComplete();
    // Whatever answers without a status line is no web server.
    if (FHeaderLines.isEmpty() && StatusOfLine(line) == 0) {
        Fail({TLinkFault::OtherContent});
        return false;
    }
    FHeaderLines << line;
    return true;
}

bool THttpExchange::HeaderComplete() {
    if (FHeaderLines.isEmpty()) {  // a blank line where the status line belongs
        Fail({TLinkFault::OtherContent});
        return false;
    }
    const int status = StatusOfLine(FHeaderLines.first());
    THttpAnswer answer;
    answer.Status = status;
    for (qsizetype i = 1; i < FHeaderLines.size(); ++i) {
        const QByteArray& line = FHeaderLines[i];
        const qsizetype colon = line.indexOf(':');
        if (colon > 0)
            answer.Headers.append(
                {line.left(colon).trimmed().toLower(), line.mid(colon + 1).trimmed()});
    }
    FHeaderLines.clear();
    // An interim answer (100 Continue) comes before the real one; its
    // bytes count towards the limit too.
    if (status < 200) return true;
    FAnswer = std::move(answer);
    const QByteArray location = FAnswer.Header("location");
    if (IsRedirect(status) && !location.isEmpty()) {
        FollowRedirect(location);
        return false;
    }
    const bool noBody =
        FRequest.Method == "HEAD" || FRequest.BodyLimit < 0 || status == 204 || status == 304;
    if (noBody) {
        Finish();
        return false;
    }
    if (FAnswer.Header("transfer-encoding").toLower().contains("chunked")) {
        FStage = TStage::ChunkSize;
        return true;
    }
    const QByteArray length = FAnswer.Header("content-length");
    if (length.isEmpty()) {
        FStage = TStage::BodyToClose;
        return true;
    }
    bool ok = false;
    FLeft = length.toLongLong(&ok);
    if (!ok || FLeft < 0) {
        Fail({TLinkFault::OtherContent});
        return false;
    }
    if (FLeft == 0) {
        Finish();
        return false;
    }
    FStage = TStage::SizedBody;
    return true;
}

bool THttpExchange::ConsumeChunkSize() {
    QByteArray line;
    if (!TakeLine(line, kMaxChunkLineBytes)) return false;
    const qsizetype extension = line.indexOf(';');
    bool ok = false;
    FLeft = line.left(extension < 0 ? line.size() : extension).trimmed().toLongLong(&ok, 16);
    if (!ok || FLeft < 0) {
        Fail({TLinkFault::OtherContent});
        return false;
    }
    FStage = FLeft == 0 ? TStage::Trailer : TStage::ChunkData;
    return true;
}

void THttpExchange::FollowRedirect(const QByteArray& Location) {
    const QUrl target =
        FRequest.Url.resolved(QUrl(QString::fromUtf8(Location), QUrl::TolerantMode));
    // As a browser: no more than a handful of hops, and never from https
    // down to http. Otherwise the redirect itself is the answer.
    const bool lessSafe = FRequest.Url.scheme().compare(u"https", Qt::CaseInsensitive) == 0 &&
                          target.scheme().compare(u"https", Qt::CaseInsensitive) != 0;
    if (++FRedirects > kMaxHttpRedirects || !IsWebUrl(target) || lessSafe) return Finish();
    DropSocket();
    FRequest.Url = target;
    FBuffer.clear();
    FHeaderBytes = 0;
    FStage = TStage::Header;
    FAnswer = {};
    Connect();
}

void THttpExchange::AddToBody(const QByteArray& Bytes) {
    const qint64 room = FRequest.BodyLimit - FAnswer.Body.size();
    if (Bytes.size() > room) {
        FAnswer.BodyTooLong = true;
        return Finish();
    }
    FAnswer.Body += Bytes;
}

void THttpExchange::Fail(TLinkVerdict Verdict) {
    if (FFinished) return;
    FAnswer.Failure = std::move(Verdict);
    Finish();
}

void THttpExchange::Finish() {
    if (FFinished) return;
    FFinished = true;
    FDeadlineTimer.stop();
    DropSocket();
    // From the event loop, so that a receiver may let go of this object.
    QTimer::singleShot(0, this, &THttpExchange::Finished);
}

void THttpExchange::DropSocket() {
    if (!FSocket) return;
    QTcpSocket* socket = FSocket;
    FSocket = nullptr;
    socket->disconnect(this);
    socket->abort();  // closes the connection now, whatever it still holds
    socket->deleteLater();
}

}  // namespace vd::app
