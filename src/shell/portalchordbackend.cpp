#include "shell/portalchordbackend.h"

#include "base/appidentity.h"

#include <QCoroSignal>
#include <QDBusArgument>
#include <QDBusError>
#include <QDBusMessage>
#include <QDBusMetaType>
#include <QDBusObjectPath>
#include <QDBusPendingCallWatcher>
#include <QRandomGenerator>

using namespace Qt::StringLiterals;

// One entry of BindShortcuts' list and of its answer: the shortcut's id and its properties.
struct PortalShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(PortalShortcut)

QDBusArgument &operator<<(QDBusArgument &argument, const PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, PortalShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

namespace {

const auto portalService = u"org.freedesktop.portal.Desktop"_s;
const auto portalPath = u"/org/freedesktop/portal/desktop"_s;
const auto shortcutsInterface = u"org.freedesktop.portal.GlobalShortcuts"_s;
const auto registryInterface = u"org.freedesktop.host.portal.Registry"_s;
const auto requestInterface = u"org.freedesktop.portal.Request"_s;
const auto sessionInterface = u"org.freedesktop.portal.Session"_s;
// The portal's Response code for "ended in some other way" than success or cancelling.
constexpr int responseOther = 2;

void registerTypes()
{
    static const bool registered = [] {
        qDBusRegisterMetaType<PortalShortcut>();
        qDBusRegisterMetaType<QList<PortalShortcut>>();
        return true;
    }();
    Q_UNUSED(registered)
}

// Session handles come as strings from the portals that follow the interface's first
// version and as object paths from the others.
QString objectPathText(const QVariant &value)
{
    if (value.metaType() == QMetaType::fromType<QDBusObjectPath>())
        return value.value<QDBusObjectPath>().path();
    return value.toString();
}

ChordStatus abandoned()
{
    return {-1, u"abandoned"_s};
}

ChordStatus portalError(const QDBusMessage &reply)
{
    const QDBusError error(reply);
    QString explanation;
    switch (error.type()) {
    case QDBusError::ServiceUnknown:
    case QDBusError::NoServer:
        explanation = u"no desktop portal (%1) on the session bus"_s.arg(portalService);
        break;
    case QDBusError::UnknownInterface:
    case QDBusError::UnknownMethod:
    case QDBusError::UnknownObject:
        explanation
            = u"the desktop portal offers no global shortcuts (%1)"_s.arg(shortcutsInterface);
        break;
    default:
        explanation = u"the desktop portal failed"_s;
        break;
    }
    return {static_cast<int>(error.type()),
            u"%1 [%2: %3]"_s.arg(explanation, error.name(), error.message())};
}

} // namespace

PortalChordBackend::PortalChordBackend(QObject *parent)
    : PortalChordBackend(QDBusConnection::sessionBus(), parent)
{ }

PortalChordBackend::PortalChordBackend(const QDBusConnection &bus, QObject *parent)
    : ChordBackend(parent)
    , m_bus(bus)
{
    registerTypes();
}

PortalChordBackend::~PortalChordBackend()
{
    removeHandler();
}

QString PortalChordBackend::preferredTrigger(QKeyCombination keys)
{
    const Qt::Key key = keys.key();
    QString name;
    if (key >= Qt::Key_A && key <= Qt::Key_Z)
        name = QChar(u'a' + (key - Qt::Key_A));
    else if (key >= Qt::Key_0 && key <= Qt::Key_9)
        name = QChar(u'0' + (key - Qt::Key_0));
    else
        return {};
    // The modifier names of xkbcommon, which the freedesktop shortcuts standard takes; Super
    // is "LOGO".
    QStringList parts;
    const Qt::KeyboardModifiers modifiers = keys.keyboardModifiers();
    if (modifiers & Qt::ControlModifier)
        parts.append(u"CTRL"_s);
    if (modifiers & Qt::AltModifier)
        parts.append(u"ALT"_s);
    if (modifiers & Qt::MetaModifier)
        parts.append(u"LOGO"_s);
    if (modifiers & Qt::ShiftModifier)
        parts.append(u"SHIFT"_s);
    parts.append(name);
    return parts.join(u'+');
}

void PortalChordBackend::registerHostApplication(const QDBusConnection &bus)
{
    if (!bus.isConnected())
        return;
    QDBusMessage registration = QDBusMessage::createMethodCall(portalService, portalPath,
                                                               registryInterface, u"Register"_s);
    registration << QString(AppIdentity::applicationId) << QVariantMap();
    // Messages on one connection arrive in order, so this one precedes every later call.
    QDBusConnection(bus).asyncCall(registration);
}

QCoro::Task<ChordStatus> PortalChordBackend::installHandler()
{
    removeHandler();
    const quint64 generation = m_handlerGeneration;
    const auto overtaken = [this, generation] { return generation != m_handlerGeneration; };
    if (!m_bus.isConnected()) {
        const QDBusError error = m_bus.lastError();
        co_return ChordStatus{
            error.isValid() ? static_cast<int>(error.type())
                            : static_cast<int>(QDBusError::Disconnected),
            u"no D-Bus session bus, so no desktop portal [%1]"_s.arg(error.message())};
    }

    // Newer portals learn a host program's id only this way, and only before its first
    // portal call; older ones lack the registry, which does no harm.
    QDBusMessage registration = QDBusMessage::createMethodCall(portalService, portalPath,
                                                               registryInterface, u"Register"_s);
    registration << QString(AppIdentity::applicationId) << QVariantMap();
    co_await call(registration);
    if (overtaken())
        co_return abandoned();

    const QString token = newToken();
    QString request = watchRequest(token);
    QDBusMessage create = QDBusMessage::createMethodCall(portalService, portalPath,
                                                         shortcutsInterface, u"CreateSession"_s);
    create << QVariantMap{{u"handle_token"_s, token}, {u"session_handle_token"_s, newToken()}};
    const QDBusMessage reply = co_await call(create);
    if (overtaken() || reply.type() == QDBusMessage::ErrorMessage) {
        forgetRequest(request);
        co_return overtaken() ? abandoned() : portalError(reply);
    }
    // Portals before the handle_token convention answer on a path of their own choosing.
    const QString answeredOn = objectPathText(reply.arguments().value(0));
    if (!answeredOn.isEmpty() && answeredOn != request) {
        forgetRequest(request);
        request = answeredOn;
        m_watchedRequests.insert(request);
        m_bus.connect(portalService, request, requestInterface, u"Response"_s, this,
                      SLOT(portalResponse(QDBusMessage)));
    }

    const std::optional<Response> answer = co_await response(request);
    const QString session
        = answer ? objectPathText(answer->results.value(u"session_handle"_s)) : QString();
    if (overtaken()) {
        if (answer && answer->code == 0 && !session.isEmpty())
            m_bus.send(QDBusMessage::createMethodCall(portalService, session, sessionInterface,
                                                      u"Close"_s));
        co_return abandoned();
    }
    if (!answer || answer->code != 0 || session.isEmpty()) {
        const int code
            = answer && answer->code != 0 ? static_cast<int>(answer->code) : responseOther;
        co_return ChordStatus{code,
                              u"the desktop portal opened no global shortcuts session "
                              "(response %1)"_s.arg(code)};
    }
    m_session = session;
    m_bus.connect(portalService, portalPath, shortcutsInterface, u"Activated"_s, this,
                  SLOT(portalActivated(QDBusMessage)));
    co_return ChordStatus{};
}

void PortalChordBackend::removeHandler()
{
    unregisterChord();
    ++m_handlerGeneration;
    closeSession();
}

QCoro::Task<ChordStatus> PortalChordBackend::registerChord(ChordRequest chord)
{
    unregisterChord();
    const quint64 generation = m_chordGeneration;
    const auto overtaken = [this, generation] { return generation != m_chordGeneration; };
    if (m_session.isEmpty())
        co_return ChordStatus{-1, u"no global shortcuts session"_s};

    QVariantMap properties{{u"description"_s, chord.description}};
    if (const QString trigger = preferredTrigger(chord.keys); !trigger.isEmpty())
        properties.insert(u"preferred_trigger"_s, trigger);
    const QList<PortalShortcut> shortcuts{{chord.name, properties}};

    const QString token = newToken();
    const QString request = watchRequest(token);
    QDBusMessage bind = QDBusMessage::createMethodCall(portalService, portalPath,
                                                       shortcutsInterface, u"BindShortcuts"_s);
    bind << QVariant::fromValue(QDBusObjectPath(m_session)) << QVariant::fromValue(shortcuts)
         << QString() << QVariantMap{{u"handle_token"_s, token}};
    const QDBusMessage reply = co_await call(bind);
    if (overtaken() || reply.type() == QDBusMessage::ErrorMessage) {
        forgetRequest(request);
        co_return overtaken() ? abandoned() : portalError(reply);
    }

    // The desktop may ask the user first, so this can take as long as they like.
    const std::optional<Response> answer = co_await response(request);
    if (overtaken())
        co_return abandoned();
    if (!answer || answer->code != 0) {
        const int code = answer ? static_cast<int>(answer->code) : responseOther;
        co_return ChordStatus{
            code,
            code == 1 ? u"the shortcut was declined"_s
                      : u"the desktop portal bound no shortcut (response %1)"_s.arg(code)};
    }
    // The answer lists what was bound, which may be less than asked for.
    if (answer->results.contains(u"shortcuts"_s)) {
        const auto bound = qdbus_cast<QList<PortalShortcut>>(answer->results.value(u"shortcuts"_s));
        const bool ours = std::any_of(bound.cbegin(), bound.cend(),
                                      [&](const PortalShortcut &s) { return s.id == chord.name; });
        if (!ours)
            co_return ChordStatus{responseOther,
                                  u"the desktop bound no keys to \"%1\""_s.arg(chord.description)};
    }
    m_shortcutId = chord.name;
    m_identity = chord.identity;
    co_return ChordStatus{};
}

void PortalChordBackend::unregisterChord()
{
    // A session cannot give a shortcut back; ignoring its activations has the same effect,
    // and the next handler is a new session anyway.
    ++m_chordGeneration;
    m_shortcutId.clear();
    m_identity = {};
}

QCoro::Task<QDBusMessage> PortalChordBackend::call(QDBusMessage message)
{
    // A child of this back end: if it goes, the step waiting here is never resumed.
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(message), this);
    co_await qCoro(watcher, &QDBusPendingCallWatcher::finished);
    watcher->deleteLater();
    co_return watcher->reply();
}

QCoro::Task<std::optional<PortalChordBackend::Response>>
PortalChordBackend::response(QString requestPath)
{
    while (!m_responses.contains(requestPath)) {
        if (!m_watchedRequests.contains(requestPath))
            co_return std::nullopt;
        co_await qCoro(this, &PortalChordBackend::requestAnswered);
    }
    co_return m_responses.take(requestPath);
}

QString PortalChordBackend::newToken()
{
    return u"velm%1_%2"_s.arg(++m_tokens).arg(QRandomGenerator::global()->generate());
}

QString PortalChordBackend::watchRequest(const QString &token)
{
    // The portal names the Request after the caller and the token; listening before the
    // call means a quick answer cannot slip past.
    QString sender = m_bus.baseService();
    if (sender.startsWith(u':'))
        sender.remove(0, 1);
    sender.replace(u'.', u'_');
    const QString path = u"%1/request/%2/%3"_s.arg(portalPath, sender, token);
    m_watchedRequests.insert(path);
    m_bus.connect(portalService, path, requestInterface, u"Response"_s, this,
                  SLOT(portalResponse(QDBusMessage)));
    return path;
}

void PortalChordBackend::forgetRequest(const QString &requestPath)
{
    m_bus.disconnect(portalService, requestPath, requestInterface, u"Response"_s, this,
                     SLOT(portalResponse(QDBusMessage)));
    m_watchedRequests.remove(requestPath);
    m_responses.remove(requestPath);
}

void PortalChordBackend::closeSession()
{
    if (m_session.isEmpty())
        return;
    m_bus.disconnect(portalService, portalPath, shortcutsInterface, u"Activated"_s, this,
                     SLOT(portalActivated(QDBusMessage)));
    m_bus.send(
        QDBusMessage::createMethodCall(portalService, m_session, sessionInterface, u"Close"_s));
    m_session.clear();
}

void PortalChordBackend::portalResponse(const QDBusMessage &message)
{
    const QString path = message.path();
    if (!m_watchedRequests.contains(path))
        return;
    const QList<QVariant> arguments = message.arguments();
    Response answer;
    answer.code = arguments.isEmpty() ? responseOther : arguments.at(0).toUInt();
    if (arguments.size() > 1)
        answer.results = qdbus_cast<QVariantMap>(arguments.at(1));
    forgetRequest(path);
    m_responses.insert(path, answer);
    Q_EMIT requestAnswered(path);
}

void PortalChordBackend::portalActivated(const QDBusMessage &message)
{
    const QList<QVariant> arguments = message.arguments();
    if (arguments.size() < 2 || m_session.isEmpty() || m_shortcutId.isEmpty())
        return;
    if (objectPathText(arguments.at(0)) != m_session || arguments.at(1).toString() != m_shortcutId)
        return;
    const QVariantMap options
        = arguments.size() > 3 ? qdbus_cast<QVariantMap>(arguments.at(3)) : QVariantMap();
    Q_EMIT pressed(m_identity, options.value(u"activation_token"_s).toString());
}
