#include "support/loopback.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

using namespace Qt::StringLiterals;

namespace Loopback {

quint16 closedPort()
{
    // A port bound but never listened on refuses every connection, and stays this process's
    // for as long as it runs: a port merely closed again could be taken by another test's
    // server in the meantime, which would then answer.
    static const quint16 port = [] {
        const int fd = ::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t length = sizeof address;
        if (fd < 0 || ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
            || ::getsockname(fd, reinterpret_cast<sockaddr *>(&address), &length) != 0)
            return quint16(9); // discard: nothing answers there either
        return quint16(ntohs(address.sin_port));
    }();
    return port;
}

QString closedAddress()
{
    return u"http://127.0.0.1:%1"_s.arg(closedPort());
}

} // namespace Loopback
