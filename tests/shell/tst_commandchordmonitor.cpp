#include "base/quickaskchord.h"
#include "fakechordbackend.h"
#include "fakeshortcutsportal.h"
#include "shell/commandchordmonitor.h"
#include "shell/portalchordbackend.h"
#include "shell/x11chordbackend.h"
#include "support/awaittask.h"
#include "support/privatesessionbus.h"
#include "support/testregistry.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QProcess>
#include <QStandardPaths>
#include <QTest>
#include <QThread>

#include <csignal>
#include <memory>

#ifdef Q_OS_LINUX
#include <sys/prctl.h>
#endif

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(CommandChordMonitor::BackendKind)
Q_DECLARE_METATYPE(CommandChordMonitor::State)

namespace {

const auto portalService = u"org.freedesktop.portal.Desktop"_s;
const auto portalPath = u"/org/freedesktop/portal/desktop"_s;
const auto shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;

const ChordIdentity ownIdentity{0x56454C4D, 1};

// What the velm.chord category logged while it was alive, by level.
struct LogCapture
{
    LogCapture()
        : m_previous(qInstallMessageHandler(handle))
    {
        s_current = this;
    }
    ~LogCapture()
    {
        qInstallMessageHandler(m_previous);
        s_current = nullptr;
    }

    QStringList warnings;
    QStringList infos;

    static void handle(QtMsgType type, const QMessageLogContext &context, const QString &message)
    {
        if (s_current && qstrcmp(context.category, "velm.chord") == 0 && type == QtWarningMsg)
            s_current->warnings.append(message);
        if (s_current && qstrcmp(context.category, "velm.chord") == 0 && type == QtInfoMsg)
            s_current->infos.append(message);
        if (s_current && s_current->m_previous)
            s_current->m_previous(type, context, message);
    }
    static inline LogCapture *s_current = nullptr;
    QtMessageHandler m_previous;
};

} // namespace

class TestCommandChordMonitor : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cleanupTestCase();

    void fourCharCode_data();
    void fourCharCode();
    void backendKind_data();
    void backendKind();

    void registeringTwiceLeavesOneOfEach_data();
    void registeringTwiceLeavesOneOfEach();
    void failures_data();
    void failures();
    void presses_data();
    void presses();
    void pressFromAnotherThreadRunsOnTheMainThread();

    void x11Chord_data();
    void x11Chord();
    void x11ChordTakenByAnotherProgram();

    void portal_data();
    void portal();
    void sharedMonitor();

private:
    static QString startProcess(QProcess &process, const QString &program,
                                const QStringList &arguments);
    void xdotool(const QString &keys);

    QProcess m_xvfb;
    QByteArray m_display;
    PrivateSessionBus m_bus;
    QString m_busAddress;
    int m_connections = 0;
};

// Starts `program` and returns the first line it prints; empty when it could not.
QString TestCommandChordMonitor::startProcess(QProcess &process, const QString &program,
                                              const QStringList &arguments)
{
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return {};
#ifdef Q_OS_LINUX
    // A test that crashes must not leave its X server running.
    process.setChildProcessModifier([] { ::prctl(PR_SET_PDEATHSIG, SIGTERM); });
#endif
    process.start(path, arguments);
    while (process.waitForStarted(5000) && !process.canReadLine()) {
        if (!process.waitForReadyRead(10000))
            return {};
    }
    return QString::fromUtf8(process.readLine()).trimmed();
}

void TestCommandChordMonitor::xdotool(const QString &keys)
{
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(u"DISPLAY"_s, QString::fromLatin1(m_display));
    process.setProcessEnvironment(environment);
    process.start(u"xdotool"_s, {u"key"_s, keys});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 0);
}

void TestCommandChordMonitor::initTestCase()
{
    FakeShortcutsPortal::registerTypes();
    // -displayfd: Xvfb picks a free display and prints its number.
    if (!QStandardPaths::findExecutable(u"xdotool"_s).isEmpty()) {
        const QString display = startProcess(
            m_xvfb, u"Xvfb"_s, {u"-displayfd"_s, u"1"_s, u"-nolisten"_s, u"tcp"_s, u"-noreset"_s});
        if (!display.isEmpty())
            m_display = ':' + display.toLatin1();
    }
    if (m_bus.start())
        m_busAddress = m_bus.address();
    // Whatever asks for the session bus gets this one, never the desktop's.
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_busAddress.toUtf8());
}

void TestCommandChordMonitor::cleanupTestCase()
{
    m_xvfb.terminate();
    m_xvfb.waitForFinished(5000);
}

void TestCommandChordMonitor::fourCharCode_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<quint32>("code");

    QTest::newRow("VELM") << u"VELM"_s << quint32(0x56454C4D);
    QTest::newRow("short") << u"AB"_s << quint32(0x4142);
    QTest::newRow("long keeps the last four") << u"ABCDE"_s << quint32(0x42434445);
    QTest::newRow("UTF-8 bytes") << u"é"_s << quint32(0xC3A9);
}

void TestCommandChordMonitor::fourCharCode()
{
    QFETCH(QString, text);
    QFETCH(quint32, code);
    QCOMPARE(CommandChordMonitor::fourCharCode(text), code);
}

void TestCommandChordMonitor::backendKind_data()
{
    QTest::addColumn<QString>("platform");
    QTest::addColumn<QString>("override");
    QTest::addColumn<CommandChordMonitor::BackendKind>("kind");

    using Kind = CommandChordMonitor::BackendKind;
    QTest::newRow("xcb") << u"xcb"_s << QString() << Kind::X11;
    QTest::newRow("wayland-egl") << u"wayland-egl"_s << QString() << Kind::Portal;
    QTest::newRow("offscreen") << u"offscreen"_s << QString() << Kind::None;
    QTest::newRow("override none") << u"wayland"_s << u"none"_s << Kind::None;
    QTest::newRow("override loosely spelt") << u"offscreen"_s << u" X11"_s << Kind::X11;
    QTest::newRow("unknown override ignored") << u"xcb"_s << u"carbon"_s << Kind::X11;
}

void TestCommandChordMonitor::backendKind()
{
    QFETCH(QString, platform);
    QFETCH(QString, override);
    QFETCH(CommandChordMonitor::BackendKind, kind);
    QCOMPARE(CommandChordMonitor::backendKindFor(platform, override), kind);
}

void TestCommandChordMonitor::registeringTwiceLeavesOneOfEach_data()
{
    QTest::addColumn<bool>("asynchronous");
    QTest::newRow("at once") << false;
    QTest::newRow("second overtakes the first while it waits") << true;
}

void TestCommandChordMonitor::registeringTwiceLeavesOneOfEach()
{
    QFETCH(bool, asynchronous);
    auto record = std::make_shared<FakeRecord>();
    {
        auto backend = std::make_unique<FakeChordBackend>(record);
        FakeChordBackend *fake = backend.get();
        fake->asynchronous = asynchronous;
        CommandChordMonitor monitor(std::move(backend));
        monitor.registerHotKey();
        monitor.registerHotKey();
        if (asynchronous) {
            QCOMPARE(monitor.state(), CommandChordMonitor::State::NothingRegistered);
            Q_EMIT fake->released();
        } else {
            QCOMPARE(record->installs, 2);
        }
        QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), CommandChordMonitor::State::BothRegistered,
                                  5000);
        QCoreApplication::processEvents();
        QCOMPARE(record->handlers, 1);
        QCOMPARE(record->chords, 1);
    }
    // Destruction undoes both.
    QCOMPARE(record->handlers, 0);
    QCOMPARE(record->chords, 0);

    const ChordRequest &request = record->lastRequest;
    QCOMPARE(request.keys, QKeyCombination(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K));
    QCOMPARE(request.identity, ownIdentity);
    QCOMPARE(request.name, u"velm-quick-ask"_s);
    QCOMPARE(request.description, u"Open Quick Ask"_s);
}

void TestCommandChordMonitor::failures_data()
{
    QTest::addColumn<int>("installCode");
    QTest::addColumn<int>("registerCode");
    QTest::addColumn<QString>("warning");
    QTest::addColumn<CommandChordMonitor::State>("state");

    using State = CommandChordMonitor::State;
    QTest::newRow("install fails")
        << 14 << 0 << u"Failed to install velm hot key handler: 14"_s << State::NothingRegistered;
    QTest::newRow("registration fails")
        << 0 << 10 << u"Failed to register velm hot key: 10"_s << State::HandlerInstalled;
}

void TestCommandChordMonitor::failures()
{
    QFETCH(int, installCode);
    QFETCH(int, registerCode);
    QFETCH(QString, warning);
    QFETCH(CommandChordMonitor::State, state);

    auto record = std::make_shared<FakeRecord>();
    auto backend = std::make_unique<FakeChordBackend>(record);
    backend->installStatus = {installCode, u"the install text"_s};
    backend->registerStatus = {registerCode, u"the register text"_s};
    CommandChordMonitor monitor(std::move(backend));
    LogCapture log;
    monitor.registerHotKey();

    QCOMPARE(log.warnings, QStringList{warning});
    QCOMPARE(log.infos.size(), 1);
    QVERIFY(
        log.infos.first().contains(installCode ? u"the install text"_s : u"the register text"_s));
    QVERIFY(log.infos.first().contains(u"\"velm quick-ask\""_s));
    QCOMPARE(monitor.state(), state);
    QCOMPARE(record->handlers, state == CommandChordMonitor::State::HandlerInstalled ? 1 : 0);
    QCOMPARE(record->chords, 0);
}

void TestCommandChordMonitor::presses_data()
{
    QTest::addColumn<quint32>("signature");
    QTest::addColumn<quint32>("id");
    QTest::addColumn<bool>("withAction");
    QTest::addColumn<int>("runs");

    QTest::newRow("own chord") << ownIdentity.signature << 1u << true << 1;
    QTest::newRow("another signature")
        << CommandChordMonitor::fourCharCode(u"VELN"_s) << 1u << true << 0;
    QTest::newRow("another id") << ownIdentity.signature << 2u << true << 0;
    QTest::newRow("no action") << ownIdentity.signature << 1u << false << 0;
}

void TestCommandChordMonitor::presses()
{
    QFETCH(quint32, signature);
    QFETCH(quint32, id);
    QFETCH(bool, withAction);
    QFETCH(int, runs);

    auto backend = std::make_unique<FakeChordBackend>(std::make_shared<FakeRecord>());
    FakeChordBackend *fake = backend.get();
    CommandChordMonitor monitor(std::move(backend));
    monitor.registerHotKey();
    int ran = 0;
    if (withAction)
        monitor.setAction([&] { ++ran; });

    fake->press({signature, id}, u"token"_s);
    QCOMPARE(ran, 0); // never inside the back end's handler
    QCoreApplication::processEvents();
    QCOMPARE(ran, runs);
    const bool own = ChordIdentity{signature, id} == ownIdentity;
    QCOMPARE(monitor.lastActivationToken(), own ? u"token"_s : QString());
}

void TestCommandChordMonitor::pressFromAnotherThreadRunsOnTheMainThread()
{
    auto backend = std::make_unique<FakeChordBackend>(std::make_shared<FakeRecord>());
    FakeChordBackend *fake = backend.get();
    CommandChordMonitor monitor(std::move(backend));
    monitor.registerHotKey();
    QThread *ranOn = nullptr;
    monitor.setAction([&] { ranOn = QThread::currentThread(); });

    std::unique_ptr<QThread> thread(QThread::create([fake] { fake->press(ownIdentity); }));
    thread->start();
    QVERIFY(thread->wait(10000));
    QTRY_VERIFY_WITH_TIMEOUT(ranOn != nullptr, 5000);
    QCOMPARE(ranOn, QCoreApplication::instance()->thread());
}

void TestCommandChordMonitor::x11Chord_data()
{
    QTest::addColumn<QString>("lock");
    QTest::addColumn<QString>("variant"); // of the US keyboard map, set after registering

    QTest::newRow("plain") << QString() << QString();
    QTest::newRow("caps lock on") << u"Caps_Lock"_s << QString();
    QTest::newRow("num lock on") << u"Num_Lock"_s << QString();
    QTest::newRow("map changes to Dvorak") << QString() << u"dvorak"_s;
}

void TestCommandChordMonitor::x11Chord()
{
    if (m_display.isEmpty())
        QSKIP("needs Xvfb and xdotool");
    QFETCH(QString, lock);
    QFETCH(QString, variant);
    if (!variant.isEmpty() && QStandardPaths::findExecutable(u"setxkbmap"_s).isEmpty())
        QSKIP("needs setxkbmap");

    auto backend = std::make_unique<X11ChordBackend>(m_display);
    X11ChordBackend *x11 = backend.get();
    CommandChordMonitor monitor(std::move(backend));
    int ran = 0;
    monitor.setAction([&] { ++ran; });
    monitor.registerHotKey();
    QCOMPARE(monitor.state(), CommandChordMonitor::State::BothRegistered);

    const auto setMap = [&](const QString &variant) {
        QStringList arguments{u"-display"_s, QString::fromLatin1(m_display), u"us"_s};
        if (!variant.isEmpty())
            arguments << u"-variant"_s << variant;
        QCOMPARE(QProcess::execute(u"setxkbmap"_s, arguments), 0);
    };
    const auto restore = qScopeGuard([&] {
        if (!variant.isEmpty())
            setMap({});
    });
    if (!variant.isEmpty()) {
        const QList<quint8> before = x11->keycodes();
        setMap(variant);
        QTRY_VERIFY_WITH_TIMEOUT(x11->keycodes() != before && !x11->keycodes().isEmpty(), 10000);
    }
    if (!lock.isEmpty())
        xdotool(lock);
    xdotool(u"super+shift+k"_s);
    if (!lock.isEmpty())
        xdotool(lock);
    QTRY_COMPARE_WITH_TIMEOUT(ran, 1, 10000);
}

void TestCommandChordMonitor::x11ChordTakenByAnotherProgram()
{
    if (m_display.isEmpty())
        QSKIP("needs Xvfb and xdotool");
    // Another client holding the chord is what another program looks like to the server.
    X11ChordBackend other(m_display);
    const auto ok = [](std::optional<ChordStatus> status) { return status && status->ok(); };
    QVERIFY(ok(TestSupport::awaitTask(other.installHandler())));
    QVERIFY(ok(TestSupport::awaitTask(other.registerChord({QuickAskChord::keys(), {}, {}, {}}))));

    CommandChordMonitor monitor(std::make_unique<X11ChordBackend>(m_display));
    LogCapture log;
    monitor.registerHotKey();
    QCOMPARE(log.warnings, QStringList{u"Failed to register velm hot key: 10"_s});
    QCOMPARE(monitor.state(), CommandChordMonitor::State::HandlerInstalled);

    // Once the other program lets go, registering again takes the chord.
    other.unregisterChord();
    monitor.registerHotKey();
    QCOMPARE(monitor.state(), CommandChordMonitor::State::BothRegistered);
}

void TestCommandChordMonitor::portal_data()
{
    QTest::addColumn<bool>("bus");
    QTest::addColumn<int>("bindResponse"); // -1: no portal on the bus, -2: one without shortcuts
    QTest::addColumn<QString>("warning");
    QTest::addColumn<QString>("reason"); // in the line after the warning
    QTest::addColumn<CommandChordMonitor::State>("state");

    using State = CommandChordMonitor::State;
    const QString installFailed = u"Failed to install velm hot key handler: %1"_s;
    QTest::newRow("no bus") << false << -1 << installFailed.arg(int(QDBusError::Disconnected))
                            << u"no D-Bus session bus"_s << State::NothingRegistered;
    QTest::newRow("no portal") << true << -1 << installFailed.arg(int(QDBusError::ServiceUnknown))
                               << u"no desktop portal"_s << State::NothingRegistered;
    QTest::newRow("portal without shortcuts")
        << true << -2 << installFailed.arg(int(QDBusError::UnknownInterface))
        << u"offers no global shortcuts"_s << State::NothingRegistered;
    QTest::newRow("user declines") << true << 1 << u"Failed to register velm hot key: 1"_s
                                   << u"declined"_s << State::HandlerInstalled;
    QTest::newRow("bound") << true << 0 << QString() << QString() << State::BothRegistered;
}

void TestCommandChordMonitor::portal()
{
    QFETCH(bool, bus);
    QFETCH(int, bindResponse);
    QFETCH(QString, warning);
    QFETCH(QString, reason);
    QFETCH(CommandChordMonitor::State, state);
    if (bus && m_busAddress.isEmpty())
        QSKIP("needs dbus-daemon");

    // Connections of their own, so that each row starts afresh and the fake portal's
    // signals really travel over the bus.
    const QString tag = QString::number(++m_connections);
    QDBusConnection portalBus = QDBusConnection::connectToBus(m_busAddress, u"portal"_s + tag);
    QDBusConnection clientBus = bus ? QDBusConnection::connectToBus(m_busAddress, u"client"_s + tag)
                                    : QDBusConnection(u"unconnected"_s);
    const auto cleanup = qScopeGuard([&] {
        QDBusConnection::disconnectFromBus(u"portal"_s + tag);
        QDBusConnection::disconnectFromBus(u"client"_s + tag);
    });
    FakeShortcutsPortal portal(portalBus);
    portal.bindResponse = uint(bindResponse);
    QObject portalWithoutShortcuts; // as on desktops whose portal has no such back end
    if (bindResponse != -1) {
        QVERIFY(portalBus.registerObject(portalPath,
                                         bindResponse == -2 ? &portalWithoutShortcuts : &portal,
                                         QDBusConnection::ExportAllSlots));
        QVERIFY(portalBus.registerService(portalService));
    }

    CommandChordMonitor monitor(std::make_unique<PortalChordBackend>(clientBus));
    int ran = 0;
    monitor.setAction([&] { ++ran; });
    LogCapture log;
    monitor.registerHotKey();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), state, 10000);
    QTRY_COMPARE_WITH_TIMEOUT(log.warnings,
                              warning.isEmpty() ? QStringList() : QStringList{warning}, 10000);
    if (!reason.isEmpty())
        QVERIFY2(log.infos.value(0).contains(reason), qPrintable(log.infos.value(0)));
    if (state != CommandChordMonitor::State::BothRegistered)
        return;

    QCOMPARE(portal.bound.size(), 1);
    QCOMPARE(portal.bound.first().id, u"velm-quick-ask"_s);
    QCOMPARE(portal.bound.first().properties.value(u"description"_s), u"Open Quick Ask"_s);
    QCOMPARE(portal.bound.first().properties.value(u"preferred_trigger"_s), u"LOGO+SHIFT+k"_s);
    // Activations of other sessions and shortcuts are not velm's; the last one is.
    const auto activate = [&](const QString &session, const QString &id, const QString &token) {
        QDBusMessage signal
            = QDBusMessage::createSignal(portalPath, shortcutsInterface, u"Activated"_s);
        signal << QVariant::fromValue(QDBusObjectPath(session)) << id << quint64(42)
               << QVariantMap{{u"activation_token"_s, token}};
        portalBus.send(signal);
    };
    activate(portal.session + u"x"_s, u"velm-quick-ask"_s, u"wrong-session"_s);
    activate(portal.session, u"other"_s, u"wrong-id"_s);
    activate(portal.session, u"velm-quick-ask"_s, u"token-1"_s);
    QTRY_COMPARE_WITH_TIMEOUT(ran, 1, 10000);
    QCOMPARE(monitor.lastActivationToken(), u"token-1"_s);
}

void TestCommandChordMonitor::sharedMonitor()
{
    if (m_busAddress.isEmpty())
        QSKIP("needs dbus-daemon");
    QDBusConnection portalBus = QDBusConnection::connectToBus(m_busAddress, u"shared-portal"_s);
    FakeShortcutsPortal portal(portalBus);
    QVERIFY(portalBus.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
    QVERIFY(portalBus.registerService(portalService));
    const auto cleanup
        = qScopeGuard([] { QDBusConnection::disconnectFromBus(u"shared-portal"_s); });

    qputenv("VELM_CHORD_BACKEND", "portal");
    CommandChordMonitor &monitor = CommandChordMonitor::shared();
    QCOMPARE(&CommandChordMonitor::shared(), &monitor);
    QVERIFY(qobject_cast<PortalChordBackend *>(monitor.backend()));
    monitor.registerHotKey();
    QTRY_COMPARE_WITH_TIMEOUT(monitor.state(), CommandChordMonitor::State::BothRegistered, 10000);
    // It goes with the application object and closes its session on the way out: should
    // that crash, the whole test fails.
}

VELM_TEST_MAIN(TestCommandChordMonitor)
#include "tst_commandchordmonitor.moc"
