#include "shell/instancechannel.h"

#include "base/appidentity.h"

#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QTimer>

#include <algorithm>

#ifdef Q_OS_UNIX
#include <unistd.h>
#endif

using namespace Qt::StringLiterals;

namespace {

// A command word and an activation token; anything longer is not one of ours.
constexpr qint64 maxLineLength = 512;
constexpr qsizetype maxTokenLength = 400;
// A client that connects and says nothing is dropped after this long.
constexpr int clientTimeoutMs = 5000;

QByteArray okReply()
{
    return QByteArrayLiteral("ok\n");
}

} // namespace

InstanceChannel::InstanceChannel(const QString &serverName, QObject *parent)
    : QObject(parent)
    , m_serverName(serverName)
    , m_server(new QLocalServer(this))
{
    // Only this user may connect: another user must not be able to open our windows.
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    connect(m_server, &QLocalServer::newConnection, this, &InstanceChannel::acceptConnections);
}

InstanceChannel::~InstanceChannel() = default;

QString InstanceChannel::defaultServerName()
{
    const QString name = AppIdentity::applicationId;
#ifdef Q_OS_UNIX
    const QString runtimeDirectory = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (!runtimeDirectory.isEmpty() && QFileInfo(runtimeDirectory).isDir())
        return QDir(runtimeDirectory).filePath(name + u".socket"_s);
    // The temporary directory is shared by all users: the user id keeps them apart.
    return QDir(QDir::tempPath()).filePath(u"%1-%2.socket"_s.arg(name).arg(::getuid()));
#else
    return u"%1-%2"_s.arg(name, qEnvironmentVariable("USERNAME"));
#endif
}

bool InstanceChannel::isKnownCommand(QStringView command)
{
    return command == Show || command == QuickAsk || command == Ping;
}

bool InstanceChannel::isValidActivationToken(QStringView token)
{
    if (token.isEmpty() || token.size() > maxTokenLength)
        return false;
    return std::all_of(token.begin(), token.end(),
                       [](QChar c) { return c.unicode() > 0x20 && c.unicode() < 0x7f; });
}

InstanceChannel::Handover InstanceChannel::send(const QString &serverName, QStringView command,
                                                int timeoutMs, const QString &activationToken)
{
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(timeoutMs)) {
        switch (socket.error()) {
        case QLocalSocket::ServerNotFoundError:
        case QLocalSocket::ConnectionRefusedError:
            return Handover::NoInstance;
        default:
            return Handover::Failed;
        }
    }
    QByteArray line = command.toUtf8();
    if (isValidActivationToken(activationToken))
        line += ' ' + activationToken.toLatin1();
    socket.write(line + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return Handover::Failed;
    QByteArray reply;
    while (!reply.contains('\n') && reply.size() <= maxLineLength) {
        if (!socket.bytesAvailable() && !socket.waitForReadyRead(timeoutMs))
            break;
        reply += socket.readAll();
    }
    socket.disconnectFromServer();
    return reply.startsWith(okReply()) ? Handover::Delivered : Handover::Failed;
}

InstanceChannel::Claim InstanceChannel::listen()
{
    if (m_server->isListening())
        return Claim::Listening;
    // Without the lock, two apps starting together could both find the socket dead, and
    // one could remove the socket the other has just made.
    const QString lockPath = m_serverName + u".lock"_s;
    QLockFile lock(lockPath);
    if (!lock.tryLock(3000)) {
        m_errorString = u"%1 stays locked"_s.arg(lockPath);
        return Claim::Failed;
    }
    return listenUnlocked();
}

InstanceChannel::Claim InstanceChannel::listenUnlocked()
{
    // Asked before listening: with access options QLocalServer makes its socket elsewhere
    // and renames it over the path, which would silently take a live app's socket away.
    QLocalSocket probe;
    probe.connectToServer(m_serverName);
    if (probe.waitForConnected(1000)) {
        probe.abort();
        m_errorString = u"another instance is running"_s;
        return Claim::InstanceRunning;
    }
    // Nobody answers on the socket, if there is one: a crashed app left it behind.
    QLocalServer::removeServer(m_serverName);
    if (m_server->listen(m_serverName))
        return Claim::Listening;
    m_errorString = m_server->errorString();
    return Claim::Failed;
}

bool InstanceChannel::isListening() const
{
    return m_server->isListening();
}

void InstanceChannel::acceptConnections()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { readCommand(socket); });
        QTimer::singleShot(clientTimeoutMs, socket, [socket] { socket->abort(); });
        // The command may have arrived together with the connection.
        if (socket->bytesAvailable())
            readCommand(socket);
    }
}

void InstanceChannel::readCommand(QLocalSocket *socket)
{
    if (!socket->canReadLine()) {
        if (socket->bytesAvailable() > maxLineLength) {
            socket->write(QByteArrayLiteral("error\n"));
            socket->disconnectFromServer();
        }
        return;
    }
    const QString line = QString::fromUtf8(socket->readLine(maxLineLength + 1)).trimmed();
    disconnect(socket, &QLocalSocket::readyRead, this, nullptr);
    const qsizetype space = line.indexOf(u' ');
    const QString command = space < 0 ? line : line.left(space);
    QString token = space < 0 ? QString() : line.mid(space + 1);
    if (!isValidActivationToken(token))
        token.clear();
    if (!isKnownCommand(command)) {
        socket->write(QByteArrayLiteral("unknown\n"));
        socket->disconnectFromServer();
        return;
    }
    // Answered first, so the sender can end while this app is still opening a window.
    socket->write(okReply());
    socket->flush();
    socket->disconnectFromServer();
    if (command != Ping)
        Q_EMIT commandReceived(command, token);
}
