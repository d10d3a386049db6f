#pragma once

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusContext>
#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

// One shortcut of BindShortcuts, as the portal receives it.
struct FakeShortcut
{
    QString id;
    QVariantMap properties;
};
Q_DECLARE_METATYPE(FakeShortcut)

QDBusArgument &operator<<(QDBusArgument &argument, const FakeShortcut &shortcut);
const QDBusArgument &operator>>(const QDBusArgument &argument, FakeShortcut &shortcut);

// The desktop portal's GlobalShortcuts as far as velm uses it, to be registered at
// /org/freedesktop/portal/desktop. Each Response is sent before the method's own reply,
// the least convenient order a real portal could choose.
class FakeShortcutsPortal
    : public QObject
    , protected QDBusContext
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.GlobalShortcuts")

public:
    explicit FakeShortcutsPortal(QDBusConnection bus);

    // Registers FakeShortcut with QtDBus; once per process.
    static void registerTypes();

    // The Response code BindShortcuts gives: 0 bound, 1 the user declined.
    uint bindResponse = 0;
    QString session;
    QList<FakeShortcut> bound;

public Q_SLOTS:
    QDBusObjectPath CreateSession(const QVariantMap &options);
    QDBusObjectPath BindShortcuts(const QDBusObjectPath &sessionHandle,
                                  const QList<FakeShortcut> &shortcuts, const QString &parentWindow,
                                  const QVariantMap &options);

private:
    QString senderPart() const;
    QDBusObjectPath respond(const QVariantMap &options, uint code, const QVariantMap &results);

    QDBusConnection m_bus;
};
