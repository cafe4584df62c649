#pragma once
// One HTTP/1.1 request for a link and its answer, on a socket of the
// caller's thread, with redirects followed as a browser does and limits on
// what the answer may bring.
//
// Qt's own HTTP stack is not used for this: it reads an answer's header in
// a thread of its own, a byte at a time, until the header ends. A server
// that sends header lines for ever keeps that thread busy, its memory
// growing and the connection open long after the request was aborted, since
// the abort waits for the thread's event loop. Here every read returns to
// the caller's event loop, the header has a size limit, and the deadline
// closes the socket.

#include <QByteArray>
#include <QDeadlineTimer>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTimer>
#include <QUrl>

#include "app/core/LinkCheck.h"

class QTcpSocket;

namespace vd::app {

/// The most an answer's status line and header lines may take together;
/// web servers send well under a kilobyte.
inline constexpr qsizetype kMaxHttpHeaderBytes = 64 * 1024;

/// The most redirects followed for one request.
inline constexpr int kMaxHttpRedirects = 20;

struct THttpRequest {
    QByteArray Method = "GET";  // "GET" or "HEAD"
    QUrl Url;
    QByteArray Range{};  // a Range header's value, none when empty
    /// A GET's body is read up to this many bytes; one more ends the
    /// exchange with BodyTooLong. Negative: the body is not read at all.
    qint64 BodyLimit = -1;
};

struct THttpAnswer {
    /// None when a complete answer came; else what went wrong on the way.
    TLinkVerdict Failure{};
    int Status = 0;
    QList<QPair<QByteArray, QByteArray>> Headers{};  // names in lower case
    QByteArray Body{};
    bool BodyTooLong = false;
    /// The value of the first header named `Name` (lower case); empty when
    /// none came.
    QByteArray Header(const QByteArray& Name) const;
};

class THttpExchange final : public QObject {
    Q_OBJECT
  public:
    THttpExchange(THttpRequest Request, QDeadlineTimer Deadline, QObject* Parent = nullptr);
    ~THttpExchange() override;

    /// Connects and sends; Finished follows from the event loop.
    void Start();
    bool IsFinished() const noexcept { return FFinished; }
    const THttpAnswer& Answer() const noexcept { return FAnswer; }

  signals:
    /// Once, when the answer is complete, failed or the deadline passed.
    void Finished();

  private:
    enum class TStage { Header, SizedBody, ChunkSize, ChunkData, ChunkEnd, Trailer, BodyToClose };

    void Connect();
    void SendRequest();
    void ReadAvailable();
    void SocketFailed();
    /// Works through FBuffer as far as it goes.
    void Consume();
    /// One step of Consume; false when FBuffer holds too little for the
    /// next or the exchange is over.
    bool ConsumeStep();
    bool ConsumeHeaderLine();
    bool ConsumeChunkSize();
    /// Takes the next line off FBuffer into `Line`, without its end; false
    /// while it is incomplete, and the exchange fails once an incomplete
    /// line is longer than `MaxBytes`.
    bool TakeLine(QByteArray& Line, qsizetype MaxBytes);
    /// Interprets the header lines read; false once the exchange is over.
    bool HeaderComplete();
    void FollowRedirect(const QByteArray& Location);
    void AddToBody(const QByteArray& Bytes);
    void Fail(TLinkVerdict Verdict);
    void Finish();
    void DropSocket();

    THttpRequest FRequest;
    QDeadlineTimer FDeadline;
    QTimer FDeadlineTimer;
    QTcpSocket* FSocket = nullptr;  // a child of this object while connected
    QByteArray FBuffer;
    QList<QByteArray> FHeaderLines;
    qsizetype FHeaderBytes = 0;
    TStage FStage = TStage::Header;
    qint64 FLeft = 0;  // of a sized body or of the current chunk
    int FRedirects = 0;
    THttpAnswer FAnswer;
    bool FFinished = false;
};

}  // namespace vd::app
