#include "base/endpointprobe.h"

#include <QCoroFuture>
#include <QtConcurrent>

#include <cerrno>
#include <optional>

#include <fcntl.h>
#include <netdb.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

struct ConnectTarget
{
    QByteArray host;
    quint16 port;
};

std::optional<ConnectTarget> connectTarget(const QUrl &url)
{
    const QString host = url.host(QUrl::FullyEncoded);
    if (host.isEmpty())
        return std::nullopt;
    int port = url.port(-1);
    if (port == -1) {
        const QString scheme = url.scheme().toLower();
        if (scheme == u"http"_s)
            port = 80;
        else if (scheme == u"https"_s)
            port = 443;
        else
            return std::nullopt;
    }
    return ConnectTarget{host.toLatin1(), quint16(port)};
}

bool connectsWithin(const addrinfo *address, int timeoutMilliseconds)
{
    int fd = ::socket(address->ai_family, address->ai_socktype, address->ai_protocol);
    if (fd < 0)
        return false;
    const auto closeAndAnswer = [fd](bool answer) {
        ::close(fd);
        return answer;
    };
    // Another thread may fork and exec while we wait; the socket must not leak into it.
    ::fcntl(fd, F_SETFD, FD_CLOEXEC);
    const int flags = ::fcntl(fd, F_GETFL, 0);
    if (flags < 0 || ::fcntl(fd, F_SETFL, flags | O_NONBLOCK) < 0)
        return closeAndAnswer(false);

    if (::connect(fd, address->ai_addr, address->ai_addrlen) == 0)
        return closeAndAnswer(true);
    if (errno != EINPROGRESS)
        return closeAndAnswer(false);

    pollfd waitFor{fd, POLLOUT, 0};
    int ready;
    do {
        ready = ::poll(&waitFor, 1, timeoutMilliseconds);
    } while (ready < 0 && errno == EINTR);
    if (ready <= 0)
        return closeAndAnswer(false);

    int pendingError = 0;
    socklen_t length = sizeof pendingError;
    if (::getsockopt(fd, SOL_SOCKET, SO_ERROR, &pendingError, &length) != 0)
        return closeAndAnswer(false);
    return closeAndAnswer(pendingError == 0);
}

} // namespace

bool isLoopbackURL(const QUrl &url)
{
    const QString host = url.host(QUrl::FullyEncoded).toLower();
    return host == u"localhost"_s || host == u"127.0.0.1"_s || host == u"::1"_s;
}

bool connectTest(const QUrl &url, int timeoutMilliseconds)
{
    const std::optional<ConnectTarget> target = connectTarget(url);
    return target && connectTest(target->host, target->port, timeoutMilliseconds);
}

bool connectTest(const QByteArray &host, quint16 port, int timeoutMilliseconds)
{
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_protocol = IPPROTO_TCP;
    addrinfo *addresses = nullptr;
    const QByteArray service = QByteArray::number(port);
    if (::getaddrinfo(host.constData(), service.constData(), &hints, &addresses) != 0)
        return false;
    bool connected = false;
    for (const addrinfo *address = addresses; address && !connected; address = address->ai_next)
        connected = connectsWithin(address, timeoutMilliseconds);
    ::freeaddrinfo(addresses);
    return connected;
}

QCoro::Task<bool> probeEndpoint(QUrl url, int timeoutMilliseconds)
{
    if (!isLoopbackURL(url))
        co_return true;
    const std::optional<ConnectTarget> target = connectTarget(url);
    if (!target)
        co_return false;
    // The worker gets plain values of its own rather than the caller's QUrl. (No
    // `co_return co_await run(…)`: GCC 12 destroys temporaries of such a statement twice.)
    QFuture<bool> connected
        = QtConcurrent::run([host = target->host, port = target->port, timeoutMilliseconds] {
              return connectTest(host, port, timeoutMilliseconds);
          });
    const bool reachable = co_await connected;
    co_return reachable;
}
