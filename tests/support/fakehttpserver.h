#pragma once

#include <QByteArray>
#include <QHash>
#include <QList>
#include <QObject>
#include <QPair>
#include <QTcpServer>
#include <QUrl>
#include <QUrlQuery>

#include <functional>

class QTcpSocket;

// What a fake service answers to one request. Besides status, headers and body it scripts
// how the bytes travel, so tests can reproduce what real servers and networks do: bodies cut
// into many reads (byte by byte, mid-line, inside a UTF-8 character), pauses, chunked
// transfer encoding, and connections that drop half-way.
struct FakeResponse
{
    enum class Framing {
        ContentLength, // "Content-Length" header, body as is
        Chunked, // "Transfer-Encoding: chunked", one HTTP chunk per piece
        CloseDelimited, // no length; the connection closes after the body
    };

    int status = 200;
    QByteArray reason; // empty: the usual phrase for the status
    // Sent in this order. A "Content-Length" or "Transfer-Encoding" given here that agrees
    // with `framing` takes the place of the one the framing would add (with the length of
    // `body`), so that captured heads replay byte for byte; one that disagrees is dropped.
    QList<QPair<QByteArray, QByteArray>> headers;
    QByteArray body;
    Framing framing = Framing::ContentLength;

    // How the body is cut into writes: at these offsets, or else into pieces of
    // `pieceSize` bytes (0: the whole body in one write).
    QList<qsizetype> splitPoints;
    qsizetype pieceSize = 0;
    int delayBeforeHeadMs = 0;
    int delayBetweenPiecesMs = 0;

    // Abort the connection after this many body bytes (-1: never).
    qsizetype dropAfterBytes = -1;

    // Sent after the body again and again, as fast as the client reads, until it goes away
    // (empty: the body ends): a server that floods, or a line that never ends. With chunked
    // framing each copy is a chunk; `dropAfterBytes` does not apply to it.
    QByteArray endlessTail;

    static FakeResponse json(const QByteArray &body, int status = 200);
    static FakeResponse text(const QByteArray &body, int status = 200,
                             const QByteArray &contentType = "text/plain; charset=utf-8");
    // A redirect with nginx's page, as a web server or proxy in front of a model server
    // sends it.
    static FakeResponse redirect(int status, const QByteArray &location);
    // An SSE body sent with chunked encoding, one chunk per event, as llama.cpp does.
    static FakeResponse eventStream(const QByteArray &body);

    // A capture of a real server: `head` holds the status line and headers as the server
    // sent them, `body` the decoded body. Framing follows the captured headers; the head is
    // sent again as captured.
    static FakeResponse fromCapture(const QByteArray &head, const QByteArray &body);

    QList<QByteArray> pieces() const;
};

struct FakeRequest
{
    QByteArray method;
    QByteArray target; // path and query, as sent
    QHash<QByteArray, QByteArray> headers; // names lower-cased
    QByteArray body;
    // Which connection the request came on (numbered from 1 in order of arrival).
    int connection = 0;

    QString path() const;
    QUrlQuery query() const;
};

// A scripted HTTP/1.1 server on loopback. Routes match method and path (query ignored);
// an unrouted request gets 404. Every request is recorded.
class FakeHttpServer : public QObject
{
    Q_OBJECT

public:
    using Handler = std::function<FakeResponse(const FakeRequest &)>;

    explicit FakeHttpServer(QObject *parent = nullptr);
    ~FakeHttpServer() override;

    // Listens on 127.0.0.1 on a free port; returns false when it cannot.
    bool listen();
    quint16 port() const;
    // http://127.0.0.1:<port><path>
    QUrl url(const QString &path = QString()) const;

    void route(const QByteArray &method, const QString &path, const FakeResponse &response);
    void route(const QByteArray &method, const QString &path, Handler handler);

    const QList<FakeRequest> &requests() const { return m_requests; }
    int requestCount(const QString &path) const;
    // Open connections that the client has not closed yet.
    int openConnections() const;
    // Whether the connection numbered `connection` (see FakeRequest) is still open.
    bool isConnectionOpen(int connection) const;

Q_SIGNALS:
    void requestReceived(const FakeRequest &request);

private:
    void onNewConnection();
    void onReadyRead(QTcpSocket *socket);
    void respond(QTcpSocket *socket, const FakeResponse &response);

    QTcpServer m_server;
    QHash<QString, Handler> m_routes;
    QList<FakeRequest> m_requests;
    QHash<QTcpSocket *, QByteArray> m_buffers;
    QHash<QTcpSocket *, int> m_connectionNumbers;
    int m_connectionCount = 0;
};
