#pragma once

#include <QLatin1String>
#include <QObject>
#include <QString>
#include <QStringView>

class QLocalServer;
class QLocalSocket;

// Keeps velm to one desktop app per user. The first app listens on a local socket; a later
// `velm` or `velm quick-ask` connects, sends one command line ("show", "quick-ask"), and
// ends once the running app has answered "ok". The line may carry, after a space, the
// activation token the launch was given (Wayland's XDG_ACTIVATION_TOKEN): without it the
// running app may not take the focus when it opens a window for the launch. Only QtNetwork is used,
// so the sending side needs no display and works before any application object exists.
class InstanceChannel : public QObject
{
    Q_OBJECT

public:
    static constexpr QLatin1String Show{"show"};
    static constexpr QLatin1String QuickAsk{"quick-ask"};
    // Answers "ok" and does nothing else: how a hidden autostart finds out that an app
    // already runs without bringing its window up.
    static constexpr QLatin1String Ping{"ping"};

    enum class Handover {
        Delivered, // the running app accepted the command
        NoInstance, // nothing listens (no socket, or one left by a crashed app)
        Failed, // something listens but did not accept the command in time
    };

    explicit InstanceChannel(const QString &serverName = defaultServerName(),
                             QObject *parent = nullptr);
    ~InstanceChannel() override;

    // The socket of this user's app: in $XDG_RUNTIME_DIR, else in the temporary directory
    // with the user id in its name.
    static QString defaultServerName();
    QString serverName() const { return m_serverName; }

    // Sends `command` (with `activationToken`, unless empty) to the app listening on
    // `serverName` and waits up to `timeoutMs` for its answer. Blocking, for the few
    // milliseconds of a start-up.
    static Handover send(const QString &serverName, QStringView command, int timeoutMs = 5000,
                         const QString &activationToken = {});

    static bool isKnownCommand(QStringView command);
    // Tokens are short runs of visible ASCII; anything else is not passed on.
    static bool isValidActivationToken(QStringView token);

    enum class Claim {
        Listening, // this process is the app now
        InstanceRunning, // a live app holds the socket: hand the command over to it
        Failed, // the socket cannot be made; run without the channel
    };

    // Takes the socket for this process. A socket left behind by a crashed app is removed.
    // Two apps starting at once are serialised by a lock file, so exactly one wins.
    Claim listen();
    bool isListening() const;
    // Why the last listen() did not give Listening, for the log.
    QString errorString() const { return m_errorString; }

Q_SIGNALS:
    // A known command arrived and was answered "ok" ("show" or "quick-ask"; never "ping"),
    // with the launch's activation token when it sent a valid one.
    void commandReceived(const QString &command, const QString &activationToken);

private:
    void acceptConnections();
    void readCommand(QLocalSocket *socket);
    Claim listenUnlocked();

    QString m_serverName;
    QString m_errorString;
    QLocalServer *m_server = nullptr;
};
