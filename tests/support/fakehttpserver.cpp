#include "support/fakehttpserver.h"

#include <QPointer>
#include <QTcpSocket>
#include <QTimer>

#include <memory>

namespace {

QByteArray reasonPhrase(int status)
{
    switch (status) {
    case 200:
        return "OK";
    case 301:
        return "Moved Permanently";
    case 302:
        return "Found";
    case 307:
        return "Temporary Redirect";
    case 400:
        return "Bad Request";
    case 401:
        return "Unauthorized";
    case 404:
        return "Not Found";
    case 500:
        return "Internal Server Error";
    case 503:
        return "Service Unavailable";
    default:
        return "Status";
    }
}

QString routeKey(const QByteArray &method, const QString &path)
{
    return QString::fromLatin1(method.toUpper()) + QLatin1Char(' ') + path;
}

// The rest of a body that is sent piece by piece; lives until the last piece is out.
struct Delivery
{
    QPointer<QTcpSocket> socket;
    QList<QByteArray> pieces;
    qsizetype next = 0;
    qsizetype bodyBytesSent = 0;
    FakeResponse::Framing framing;
    qsizetype dropAfter;
    int delayMs;
    QByteArray endlessTail;
    bool endlessStarted = false;
};

// Keeps the socket's buffer topped up with copies of the tail: as much as the client takes,
// never much more than it has taken.
void deliverEndless(const std::shared_ptr<Delivery> &d)
{
    QTcpSocket *socket = d->socket;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    if (!d->endlessStarted) {
        d->endlessStarted = true;
        QObject::connect(socket, &QTcpSocket::bytesWritten, socket, [d] { deliverEndless(d); });
    }
    const QByteArray copy = d->framing == FakeResponse::Framing::Chunked
        ? QByteArray::number(d->endlessTail.size(), 16) + "\r\n" + d->endlessTail + "\r\n"
        : d->endlessTail;
    constexpr qint64 ahead = 1024 * 1024;
    while (socket->bytesToWrite() < ahead)
        socket->write(copy);
}

void deliverNext(const std::shared_ptr<Delivery> &d)
{
    QTcpSocket *socket = d->socket;
    if (!socket || socket->state() != QAbstractSocket::ConnectedState)
        return;
    const bool chunked = d->framing == FakeResponse::Framing::Chunked;
    if (d->next < d->pieces.size()) {
        QByteArray piece = d->pieces.at(d->next++);
        bool drop = false;
        if (d->dropAfter >= 0 && d->bodyBytesSent + piece.size() >= d->dropAfter) {
            piece.truncate(d->dropAfter - d->bodyBytesSent);
            drop = true;
        }
        d->bodyBytesSent += piece.size();
        if (chunked && !piece.isEmpty())
            socket->write(QByteArray::number(piece.size(), 16) + "\r\n" + piece + "\r\n");
        else
            socket->write(piece);
        socket->flush();
        if (drop) {
            socket->disconnectFromHost();
            return;
        }
        QTimer::singleShot(d->delayMs, socket, [d] { deliverNext(d); });
        return;
    }
    if (!d->endlessTail.isEmpty()) {
        deliverEndless(d);
        return;
    }
    if (chunked)
        socket->write("0\r\n\r\n");
    socket->flush();
    if (d->framing == FakeResponse::Framing::CloseDelimited)
        socket->disconnectFromHost();
}

// Offsets just after each blank line of an SSE body: servers send one chunk per event.
QList<qsizetype> eventBoundaries(const QByteArray &body)
{
    QList<qsizetype> points;
    for (qsizetype pos = body.indexOf("\n\n"); pos != -1; pos = body.indexOf("\n\n", pos + 2))
        points.append(pos + 2);
    return points;
}

} // namespace

FakeResponse FakeResponse::json(const QByteArray &body, int status)
{
    return text(body, status, "application/json; charset=utf-8");
}

FakeResponse FakeResponse::text(const QByteArray &body, int status, const QByteArray &contentType)
{
    FakeResponse response;
    response.status = status;
    response.headers = {{"Content-Type", contentType}};
    response.body = body;
    return response;
}

FakeResponse FakeResponse::redirect(int status, const QByteArray &location)
{
    const QByteArray title = QByteArray::number(status) + ' ' + reasonPhrase(status);
    QByteArray page = "<html>\r\n<head><title>" + title + "</title></head>\r\n";
    page += "<body>\r\n<center><h1>" + title + "</h1></center>\r\n";
    page += "<hr><center>nginx</center>\r\n</body>\r\n</html>\r\n";
    FakeResponse response = text(page, status, "text/html");
    response.headers.append({"Location", location});
    return response;
}

FakeResponse FakeResponse::eventStream(const QByteArray &body)
{
    FakeResponse response;
    response.headers = {{"Content-Type", "text/event-stream"}};
    response.body = body;
    response.framing = Framing::Chunked;
    response.splitPoints = eventBoundaries(body);
    return response;
}

FakeResponse FakeResponse::fromCapture(const QByteArray &head, const QByteArray &body)
{
    FakeResponse response;
    response.body = body;
    const QList<QByteArray> lines = head.split('\n');
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const QByteArray line = lines.at(i).trimmed();
        if (i == 0) {
            // "HTTP/1.1 200 OK": the reason may hold spaces of its own.
            const qsizetype first = line.indexOf(' ');
            const qsizetype second = line.indexOf(' ', first + 1);
            response.status = line.mid(first + 1, second == -1 ? -1 : second - first - 1).toInt();
            response.reason = second == -1 ? QByteArray() : line.mid(second + 1);
            continue;
        }
        const qsizetype colon = line.indexOf(':');
        if (colon <= 0)
            continue;
        const QByteArray name = line.left(colon);
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0)
            response.framing = Framing::Chunked;
        response.headers.append({name, value});
    }
    if (response.framing == Framing::Chunked)
        response.splitPoints = eventBoundaries(body);
    return response;
}

QList<QByteArray> FakeResponse::pieces() const
{
    QList<QByteArray> result;
    if (!splitPoints.isEmpty()) {
        qsizetype start = 0;
        for (qsizetype point : splitPoints) {
            point = qBound(start, point, body.size());
            result.append(body.mid(start, point - start));
            start = point;
        }
        if (start < body.size())
            result.append(body.mid(start));
    } else if (pieceSize > 0) {
        for (qsizetype start = 0; start < body.size(); start += pieceSize)
            result.append(body.mid(start, pieceSize));
    } else {
        result.append(body);
    }
    return result;
}

QString FakeRequest::path() const
{
    const qsizetype question = target.indexOf('?');
    return QString::fromUtf8(question == -1 ? target : target.left(question));
}

QUrlQuery FakeRequest::query() const
{
    const qsizetype question = target.indexOf('?');
    return QUrlQuery(question == -1 ? QString() : QString::fromUtf8(target.mid(question + 1)));
}

FakeHttpServer::FakeHttpServer(QObject *parent)
    : QObject(parent)
{
    connect(&m_server, &QTcpServer::newConnection, this, &FakeHttpServer::onNewConnection);
}

FakeHttpServer::~FakeHttpServer() = default;

bool FakeHttpServer::listen()
{
    return m_server.listen(QHostAddress::LocalHost, 0);
}

quint16 FakeHttpServer::port() const
{
    return m_server.serverPort();
}

QUrl FakeHttpServer::url(const QString &path) const
{
    QUrl url;
    url.setScheme(QStringLiteral("http"));
    url.setHost(QStringLiteral("127.0.0.1"));
    url.setPort(port());
    url.setPath(path);
    return url;
}

void FakeHttpServer::route(const QByteArray &method, const QString &path,
                           const FakeResponse &response)
{
    route(method, path, [response](const FakeRequest &) { return response; });
}

void FakeHttpServer::route(const QByteArray &method, const QString &path, Handler handler)
{
    m_routes.insert(routeKey(method, path), std::move(handler));
}

int FakeHttpServer::requestCount(const QString &path) const
{
    return int(std::count_if(m_requests.cbegin(), m_requests.cend(),
                             [&](const FakeRequest &r) { return r.path() == path; }));
}

int FakeHttpServer::openConnections() const
{
    return int(m_buffers.size());
}

bool FakeHttpServer::isConnectionOpen(int connection) const
{
    for (auto it = m_connectionNumbers.cbegin(); it != m_connectionNumbers.cend(); ++it) {
        if (it.value() == connection)
            return true;
    }
    return false;
}

void FakeHttpServer::onNewConnection()
{
    while (QTcpSocket *socket = m_server.nextPendingConnection()) {
        socket->setParent(this);
        // Each scripted write goes out at once instead of waiting for the client's delayed
        // acknowledgement, which would make a body cut into many small writes crawl.
        socket->setSocketOption(QAbstractSocket::LowDelayOption, 1);
        m_buffers.insert(socket, {});
        m_connectionNumbers.insert(socket, ++m_connectionCount);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { onReadyRead(socket); });
        connect(socket, &QTcpSocket::disconnected, this, [this, socket] {
            m_buffers.remove(socket);
            m_connectionNumbers.remove(socket);
            socket->deleteLater();
        });
    }
}

void FakeHttpServer::onReadyRead(QTcpSocket *socket)
{
    QByteArray &buffer = m_buffers[socket];
    buffer += socket->readAll();
    // Requests on a kept-alive connection are answered one after the other.
    for (;;) {
        const qsizetype headEnd = buffer.indexOf("\r\n\r\n");
        if (headEnd == -1)
            return;
        FakeRequest request;
        request.connection = m_connectionNumbers.value(socket);
        const QList<QByteArray> lines = buffer.left(headEnd).split('\n');
        const QList<QByteArray> requestLine = lines.value(0).trimmed().split(' ');
        request.method = requestLine.value(0);
        request.target = requestLine.value(1);
        for (qsizetype i = 1; i < lines.size(); ++i) {
            const qsizetype colon = lines.at(i).indexOf(':');
            if (colon > 0)
                request.headers.insert(lines.at(i).left(colon).trimmed().toLower(),
                                       lines.at(i).mid(colon + 1).trimmed());
        }
        const qsizetype length = request.headers.value("content-length").toLongLong();
        if (buffer.size() < headEnd + 4 + length)
            return;
        request.body = buffer.mid(headEnd + 4, length);
        buffer.remove(0, headEnd + 4 + length);

        m_requests.append(request);
        Q_EMIT requestReceived(request);
        const Handler handler = m_routes.value(routeKey(request.method, request.path()));
        respond(socket, handler ? handler(request) : FakeResponse::text("not found", 404));
    }
}

void FakeHttpServer::respond(QTcpSocket *socket, const FakeResponse &response)
{
    QByteArray head = "HTTP/1.1 " + QByteArray::number(response.status) + ' '
        + (response.reason.isEmpty() ? reasonPhrase(response.status) : response.reason) + "\r\n";
    // A framing header given by the script keeps its place (captured heads replay byte for
    // byte) as long as it agrees with the framing; its length is always the body's.
    bool framed = false;
    for (const auto &[name, value] : response.headers) {
        if (name.compare("Content-Length", Qt::CaseInsensitive) == 0) {
            if (response.framing != FakeResponse::Framing::ContentLength)
                continue;
            head += name + ": " + QByteArray::number(response.body.size()) + "\r\n";
            framed = true;
        } else if (name.compare("Transfer-Encoding", Qt::CaseInsensitive) == 0) {
            if (response.framing != FakeResponse::Framing::Chunked)
                continue;
            head += name + ": " + value + "\r\n";
            framed = true;
        } else {
            head += name + ": " + value + "\r\n";
        }
    }
    if (!framed) {
        switch (response.framing) {
        case FakeResponse::Framing::ContentLength:
            head += "Content-Length: " + QByteArray::number(response.body.size()) + "\r\n";
            break;
        case FakeResponse::Framing::Chunked:
            head += "Transfer-Encoding: chunked\r\n";
            break;
        case FakeResponse::Framing::CloseDelimited:
            head += "Connection: close\r\n";
            break;
        }
    }
    head += "\r\n";

    auto delivery = std::make_shared<Delivery>();
    delivery->socket = socket;
    delivery->pieces = response.pieces();
    delivery->framing = response.framing;
    delivery->dropAfter = response.dropAfterBytes;
    delivery->delayMs = response.delayBetweenPiecesMs;
    delivery->endlessTail = response.endlessTail;
    QTimer::singleShot(response.delayBeforeHeadMs, socket, [delivery, head] {
        if (!delivery->socket)
            return;
        delivery->socket->write(head);
        deliverNext(delivery);
    });
}
