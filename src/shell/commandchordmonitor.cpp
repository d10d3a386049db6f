#include "shell/commandchordmonitor.h"

#include "base/quickaskchord.h"

#include "shell/portalchordbackend.h"
#include "shell/x11chordbackend.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QLoggingCategory>
#include <QPointer>

using namespace Qt::StringLiterals;

Q_LOGGING_CATEGORY(lcChord, "velm.chord")

namespace {

CommandChordMonitor *sharedMonitor = nullptr;

void destroySharedMonitor()
{
    delete sharedMonitor;
    sharedMonitor = nullptr;
}

// Said after either failure, so that someone reading the log knows what still works.
void logUnavailable(const QString &reason)
{
    qCInfo(lcChord, "%s",
           qUtf8Printable(u"The global key chord is unavailable: %1. Bind a keyboard shortcut to "
                          "\"velm quick-ask\" in the desktop's settings instead."_s.arg(reason)));
}

} // namespace

CommandChordMonitor::CommandChordMonitor(QObject *parent)
    : CommandChordMonitor(createBackend(backendKindFor(QGuiApplication::platformName(),
                                                       qEnvironmentVariable("VELM_CHORD_BACKEND"))),
                          parent)
{ }

CommandChordMonitor::CommandChordMonitor(std::unique_ptr<ChordBackend> backend, QObject *parent)
    : QObject(parent)
    , m_backend(std::move(backend))
{
    if (m_backend)
        connect(m_backend.get(), &ChordBackend::pressed, this, &CommandChordMonitor::handlePress);
}

CommandChordMonitor::~CommandChordMonitor()
{
    if (m_backend)
        unregisterAll();
    m_action = {};
}

CommandChordMonitor &CommandChordMonitor::shared()
{
    // Not a function-local static: that would be destroyed after the application object,
    // when the back end's socket notifier and D-Bus connection no longer have a loop.
    if (!sharedMonitor) {
        sharedMonitor = new CommandChordMonitor;
        qAddPostRoutine(destroySharedMonitor);
    }
    return *sharedMonitor;
}

void CommandChordMonitor::setAction(std::function<void()> action)
{
    m_action = std::move(action);
}

quint32 CommandChordMonitor::fourCharCode(const QString &text)
{
    quint32 code = 0;
    for (const char byte : text.toUtf8())
        code = (code << 8) | static_cast<quint8>(byte);
    return code;
}

quint32 CommandChordMonitor::hotKeySignature()
{
    static const quint32 signature = fourCharCode(u"VELM"_s);
    return signature;
}

CommandChordMonitor::BackendKind CommandChordMonitor::backendKindFor(const QString &platformName,
                                                                     const QString &override)
{
    const QString choice = override.trimmed().toLower();
    if (choice == u"x11")
        return BackendKind::X11;
    if (choice == u"portal")
        return BackendKind::Portal;
    if (choice == u"none")
        return BackendKind::None;
    if (platformName == u"xcb")
        return BackendKind::X11;
    if (platformName.startsWith(u"wayland"))
        return BackendKind::Portal;
    return BackendKind::None;
}

std::unique_ptr<ChordBackend> CommandChordMonitor::createBackend(BackendKind kind)
{
    switch (kind) {
    case BackendKind::X11:
        return std::make_unique<X11ChordBackend>();
    case BackendKind::Portal:
        return std::make_unique<PortalChordBackend>();
    case BackendKind::None:
        break;
    }
    return nullptr;
}

void CommandChordMonitor::registerHotKey()
{
    if (!m_backend) {
        if (!m_reportedNoBackend) {
            m_reportedNoBackend = true;
            logUnavailable(u"no system-wide hot keys on the platform \"%1\""_s.arg(
                QGuiApplication::platformName()));
        }
        return;
    }
    unregisterAll();
    runRegistration(m_generation);
}

void CommandChordMonitor::unregisterAll()
{
    ++m_generation;
    if (m_state == State::BothRegistered || m_inProgress)
        m_backend->unregisterChord();
    if (m_state != State::NothingRegistered || m_inProgress)
        m_backend->removeHandler();
    m_state = State::NothingRegistered;
    m_inProgress = false;
}

QCoro::Task<> CommandChordMonitor::runRegistration(quint64 generation)
{
    QPointer<CommandChordMonitor> self(this);
    const auto overtaken = [&] { return !self || generation != m_generation; };

    m_inProgress = true;
    const ChordStatus installed = co_await m_backend->installHandler();
    if (overtaken())
        co_return;
    if (!installed.ok()) {
        m_inProgress = false;
        qCWarning(lcChord, "Failed to install velm hot key handler: %d", installed.code);
        logUnavailable(installed.text);
        co_return;
    }
    m_state = State::HandlerInstalled;

    // A named request, not a braced temporary inside the co_await: GCC 12 destroys such a
    // temporary's strings before the back end has copied them.
    ChordRequest request{QuickAskChord::keys(),
                         {hotKeySignature(), hotKeyId},
                         u"velm-quick-ask"_s,
                         tr("Open Quick Ask")};
    const ChordStatus registered = co_await m_backend->registerChord(std::move(request));
    if (overtaken())
        co_return;
    m_inProgress = false;
    if (!registered.ok()) {
        qCWarning(lcChord, "Failed to register velm hot key: %d", registered.code);
        logUnavailable(registered.text);
        co_return;
    }
    m_state = State::BothRegistered;
}

void CommandChordMonitor::handlePress(ChordIdentity identity, const QString &activationToken)
{
    if (identity != ChordIdentity{hotKeySignature(), hotKeyId})
        return;
    m_lastActivationToken = activationToken;
    // Never inside the back end's handler: the action opens windows and may start event
    // loops of its own.
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_action)
                m_action();
        },
        Qt::QueuedConnection);
}
