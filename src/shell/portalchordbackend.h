#pragma once

#include "shell/chordbackend.h"

#include <QDBusConnection>
#include <QHash>
#include <QSet>
#include <QVariantMap>

#include <optional>

class QDBusMessage;

// The chord through the desktop portal's GlobalShortcuts, the only way to a system-wide key
// on Wayland. The handler is a GlobalShortcuts session; registering binds one shortcut in it
// with the chord as its preferred trigger, and the desktop (possibly after asking the user)
// decides the keys. Each step answers through a Request object's Response signal.
class PortalChordBackend : public ChordBackend
{
    Q_OBJECT

public:
    explicit PortalChordBackend(QObject *parent = nullptr);
    // Talks to the portal on `bus`, for tests with a bus of their own.
    explicit PortalChordBackend(const QDBusConnection &bus, QObject *parent = nullptr);
    ~PortalChordBackend() override;

    QCoro::Task<ChordStatus> installHandler() override;
    void removeHandler() override;
    QCoro::Task<ChordStatus> registerChord(ChordRequest chord) override;
    void unregisterChord() override;

    // The session's object path; empty without an installed handler.
    QString sessionHandle() const { return m_session; }
    // The keys as a trigger in the freedesktop shortcuts standard ("LOGO+SHIFT+k");
    // empty for keys it cannot name.
    static QString preferredTrigger(QKeyCombination keys);

    // Tells the desktop portal which application this process is. Newer portals accept it
    // only before the process's first portal call on `bus` (the theme lookup is one), so
    // the desktop app sends it first thing; the call is not waited for, and a portal without
    // the registry simply refuses it.
    static void registerHostApplication(const QDBusConnection &bus);

Q_SIGNALS:
    // A Request answered (internal: wakes the steps waiting for a Response).
    void requestAnswered(const QString &requestPath);

private Q_SLOTS:
    void portalResponse(const QDBusMessage &message);
    void portalActivated(const QDBusMessage &message);

private:
    struct Response
    {
        uint code = 0;
        QVariantMap results;
    };

    QCoro::Task<QDBusMessage> call(QDBusMessage message);
    QCoro::Task<std::optional<Response>> response(QString requestPath);
    QString newToken();
    QString watchRequest(const QString &token);
    void forgetRequest(const QString &requestPath);
    void closeSession();

    QDBusConnection m_bus;
    // Bumped when the handler or the chord goes: a step still waiting for the portal then
    // knows it has been abandoned.
    quint64 m_handlerGeneration = 0;
    quint64 m_chordGeneration = 0;
    QString m_session;
    QString m_shortcutId;
    ChordIdentity m_identity;
    QSet<QString> m_watchedRequests;
    // Responses that came before anyone waited for them, by request path.
    QHash<QString, Response> m_responses;
    quint32 m_tokens = 0;
};
