#include "fakeshortcutsportal.h"

#include <QDBusMessage>
#include <QDBusMetaType>

using namespace Qt::StringLiterals;

namespace {

const auto portalPath = u"/org/freedesktop/portal/desktop"_s;

} // namespace

QDBusArgument &operator<<(QDBusArgument &argument, const FakeShortcut &shortcut)
{
    argument.beginStructure();
    argument << shortcut.id << shortcut.properties;
    argument.endStructure();
    return argument;
}

const QDBusArgument &operator>>(const QDBusArgument &argument, FakeShortcut &shortcut)
{
    argument.beginStructure();
    argument >> shortcut.id >> shortcut.properties;
    argument.endStructure();
    return argument;
}

FakeShortcutsPortal::FakeShortcutsPortal(QDBusConnection bus)
    : m_bus(std::move(bus))
{ }

void FakeShortcutsPortal::registerTypes()
{
    qDBusRegisterMetaType<FakeShortcut>();
    qDBusRegisterMetaType<QList<FakeShortcut>>();
}

QDBusObjectPath FakeShortcutsPortal::CreateSession(const QVariantMap &options)
{
    session = u"%1/session/%2/%3"_s.arg(portalPath, senderPart(),
                                        options.value(u"session_handle_token"_s).toString());
    return respond(options, 0, {{u"session_handle"_s, session}});
}

QDBusObjectPath FakeShortcutsPortal::BindShortcuts(const QDBusObjectPath &sessionHandle,
                                                   const QList<FakeShortcut> &shortcuts,
                                                   const QString &, const QVariantMap &options)
{
    if (sessionHandle.path() != session)
        return respond(options, 2, {});
    bound = shortcuts;
    QList<FakeShortcut> answered;
    for (const FakeShortcut &shortcut : shortcuts)
        answered.append({shortcut.id, {{u"trigger_description"_s, u"Super+Shift+K"_s}}});
    return respond(options, bindResponse, {{u"shortcuts"_s, QVariant::fromValue(answered)}});
}

QString FakeShortcutsPortal::senderPart() const
{
    return message().service().mid(1).replace(u'.', u'_');
}

QDBusObjectPath FakeShortcutsPortal::respond(const QVariantMap &options, uint code,
                                             const QVariantMap &results)
{
    const QString request = u"%1/request/%2/%3"_s.arg(portalPath, senderPart(),
                                                      options.value(u"handle_token"_s).toString());
    QDBusMessage response
        = QDBusMessage::createSignal(request, u"org.freedesktop.portal.Request"_s, u"Response"_s);
    response << code << results;
    m_bus.send(response);
    return QDBusObjectPath(request);
}
