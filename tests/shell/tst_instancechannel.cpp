#include "shell/instancechannel.h"
#include "support/testregistry.h"

#include <QFileInfo>
#include <QFutureWatcher>
#include <QLocalServer>
#include <QLocalSocket>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QtConcurrent>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

using namespace Qt::StringLiterals;
using Handover = InstanceChannel::Handover;

Q_DECLARE_METATYPE(InstanceChannel::Handover)

namespace {

// send() blocks, so it runs on another thread while this one serves the channel.
Handover sendWhileServing(const QString &name, const QString &command, int timeoutMs = 5000,
                          const QString &token = {})
{
    QFuture<Handover> future = QtConcurrent::run([name, command, timeoutMs, token] {
        return InstanceChannel::send(name, command, timeoutMs, token);
    });
    if (!QTest::qWaitFor([&] { return future.isFinished(); }, 20000))
        return Handover::Failed;
    return future.result();
}

// What a crashed app leaves: a socket file that nobody listens on.
bool makeStaleSocket(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
    if (fd < 0)
        return false;
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    const QByteArray bytes = path.toLocal8Bit();
    if (bytes.size() >= qsizetype(sizeof(address.sun_path))) {
        ::close(fd);
        return false;
    }
    memcpy(address.sun_path, bytes.constData(), bytes.size());
    const bool bound = ::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof(address)) == 0;
    ::close(fd);
    return bound && QFileInfo::exists(path);
}

} // namespace

class TestInstanceChannel : public QObject
{
    Q_OBJECT

private:
    QString socketPath(const QString &name = u"velm.socket"_s) const
    {
        return m_dir.filePath(name);
    }

    QTemporaryDir m_dir;

private Q_SLOTS:
    void initTestCase() { QVERIFY(m_dir.isValid()); }

    void commands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<QString>("token");
        QTest::addColumn<Handover>("result");
        QTest::addColumn<QString>("received");
        QTest::addColumn<QString>("receivedToken");

        QTest::newRow("show") << u"show"_s << QString() << Handover::Delivered << u"show"_s
                              << QString();
        QTest::newRow("quick-ask with the launch's token")
            << u"quick-ask"_s << u"kwin-42_x.Y"_s << Handover::Delivered << u"quick-ask"_s
            << u"kwin-42_x.Y"_s;
        QTest::newRow("a token with a space is not passed on")
            << u"show"_s << u"a b"_s << Handover::Delivered << u"show"_s << QString();
        QTest::newRow("ping answers without acting")
            << u"ping"_s << QString() << Handover::Delivered << QString() << QString();
        QTest::newRow("unknown command")
            << u"quit"_s << QString() << Handover::Failed << QString() << QString();
        QTest::newRow("empty line")
            << QString() << QString() << Handover::Failed << QString() << QString();
        QTest::newRow("overlong line")
            << QString(600, u'x') << QString() << Handover::Failed << QString() << QString();
    }

    void commands()
    {
        QFETCH(QString, command);
        QFETCH(QString, token);
        QFETCH(Handover, result);
        QFETCH(QString, received);
        QFETCH(QString, receivedToken);

        InstanceChannel channel(socketPath());
        QCOMPARE(channel.listen(), InstanceChannel::Claim::Listening);
        QSignalSpy spy(&channel, &InstanceChannel::commandReceived);

        QCOMPARE(sendWhileServing(channel.serverName(), command, 5000, token), result);
        if (received.isEmpty()) {
            QTest::qWait(50); // a late signal would be a fault too
            QCOMPARE(spy.count(), 0);
        } else {
            QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
            QCOMPARE(spy.at(0).at(0).toString(), received);
            QCOMPARE(spy.at(0).at(1).toString(), receivedToken);
        }
    }

    void foreignTokenIsDropped()
    {
        // Another program on the socket may send anything after the command.
        InstanceChannel channel(socketPath());
        QCOMPARE(channel.listen(), InstanceChannel::Claim::Listening);
        QSignalSpy spy(&channel, &InstanceChannel::commandReceived);
        QLocalSocket client;
        client.connectToServer(channel.serverName());
        client.write("quick-ask tok\x01en\n");
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
        QCOMPARE(spy.at(0).at(0).toString(), u"quick-ask"_s);
        QCOMPARE(spy.at(0).at(1).toString(), QString());
    }

    void severalLaunchesInARow()
    {
        InstanceChannel channel(socketPath());
        QCOMPARE(channel.listen(), InstanceChannel::Claim::Listening);
        QSignalSpy spy(&channel, &InstanceChannel::commandReceived);
        const QStringList sent{u"show"_s, u"quick-ask"_s, u"show"_s};
        for (const QString &command : sent)
            QCOMPARE(sendWhileServing(channel.serverName(), command), Handover::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 3, 5000);
        QStringList got;
        for (const auto &arguments : spy)
            got.append(arguments.at(0).toString());
        QCOMPARE(got, sent);
    }

    void nothingListening()
    {
        QCOMPARE(InstanceChannel::send(socketPath(u"nobody.socket"_s), u"show"),
                 Handover::NoInstance);
    }

    void staleSocketIsReplaced()
    {
        const QString path = socketPath(u"stale.socket"_s);
        QVERIFY(makeStaleSocket(path));
        QCOMPARE(InstanceChannel::send(path, u"show"), Handover::NoInstance);

        InstanceChannel channel(path);
        QCOMPARE(channel.listen(), InstanceChannel::Claim::Listening);
        QSignalSpy spy(&channel, &InstanceChannel::commandReceived);
        QCOMPARE(sendWhileServing(path, u"show"_s), Handover::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    }

    void secondListenerIsRefused()
    {
        InstanceChannel first(socketPath(u"taken.socket"_s));
        QCOMPARE(first.listen(), InstanceChannel::Claim::Listening);
        InstanceChannel second(first.serverName());
        QCOMPARE(second.listen(), InstanceChannel::Claim::InstanceRunning);
        QVERIFY(!second.isListening());

        // The refused one must not have broken the running one's socket.
        QSignalSpy spy(&first, &InstanceChannel::commandReceived);
        QCOMPARE(sendWhileServing(first.serverName(), u"quick-ask"_s), Handover::Delivered);
        QTRY_COMPARE_WITH_TIMEOUT(spy.count(), 1, 5000);
    }

    void instanceThatNeverAnswers()
    {
        // Accepts the connection (the kernel does that) but never replies.
        QLocalServer silent;
        QVERIFY(silent.listen(socketPath(u"silent.socket"_s)));
        QCOMPARE(sendWhileServing(silent.fullServerName(), u"show"_s, 300), Handover::Failed);
    }

    void socketLocation_data()
    {
        QTest::addColumn<bool>("runtimeDirExists");
        QTest::newRow("runtime directory") << true;
        QTest::newRow("no runtime directory") << false;
    }

    void socketLocation()
    {
        QFETCH(bool, runtimeDirExists);
        const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
        const QString runtime = runtimeDirExists ? m_dir.path() : m_dir.filePath(u"missing"_s);
        qputenv("XDG_RUNTIME_DIR", runtime.toLocal8Bit());
        const QString name = InstanceChannel::defaultServerName();
        qputenv("XDG_RUNTIME_DIR", saved);

        QVERIFY2(name.contains(u"io.github.velm.Velm"_s), qPrintable(name));
        if (runtimeDirExists) {
            QCOMPARE(QFileInfo(name).absolutePath(), QFileInfo(m_dir.path()).absoluteFilePath());
        } else {
            QVERIFY2(name.startsWith(QDir::tempPath()), qPrintable(name));
            QVERIFY2(name.contains(QString::number(::getuid())), qPrintable(name));
        }
    }
};

VELM_TEST_MAIN(TestInstanceChannel)
#include "tst_instancechannel.moc"
