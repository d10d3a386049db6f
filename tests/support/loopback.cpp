#include "support/loopback.h"

#include <QTcpServer>

using namespace Qt::StringLiterals;

namespace Loopback {

quint16 closedPort()
{
    QTcpServer server;
    if (!server.listen(QHostAddress::LocalHost, 0))
        return 9; // discard: nothing answers there either
    const quint16 port = server.serverPort();
    server.close();
    return port;
}

QString closedAddress()
{
    return u"http://127.0.0.1:%1"_s.arg(closedPort());
}

} // namespace Loopback
