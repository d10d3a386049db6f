#include "widgets/systemappearance.h"

#include "widgets/appcolors.h"

#include <QDBusArgument>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDBusVariant>
#include <QEvent>
#include <QGuiApplication>

using namespace Qt::StringLiterals;

namespace {

const auto portalService = u"org.freedesktop.portal.Desktop"_s;
const auto portalPath = u"/org/freedesktop/portal/desktop"_s;
const auto portalInterface = u"org.freedesktop.portal.Settings"_s;
const auto appearanceNamespace = u"org.freedesktop.appearance"_s;
const auto colorSchemeKey = u"color-scheme"_s;

} // namespace

SystemAppearance::SystemAppearance(QObject *parent)
    : SystemAppearance(QDBusConnection::sessionBus(), parent)
{ }

SystemAppearance::SystemAppearance(const QDBusConnection &bus, QObject *parent)
    : QObject(parent)
    , m_bus(bus)
{
    if (qApp)
        qApp->installEventFilter(this);
    if (!m_bus.isConnected())
        return;
    m_bus.connect(portalService, portalPath, portalInterface, u"SettingChanged"_s, this,
                  SLOT(portalSettingChanged(QString, QString, QDBusVariant)));
    readPortal();
}

bool SystemAppearance::isDark() const
{
    if (m_portalPrefersDark)
        return *m_portalPrefersDark;
    return AppColors::isDark(QGuiApplication::palette());
}

std::optional<bool> SystemAppearance::prefersDarkFromPortalValue(const QVariant &value)
{
    QVariant current = value;
    // Older portals wrap the value of Read in one more variant.
    for (int depth = 0; depth < 4 && current.metaType() == QMetaType::fromType<QDBusVariant>();
         ++depth)
        current = qvariant_cast<QDBusVariant>(current).variant();
    if (current.metaType() == QMetaType::fromType<QDBusArgument>()) {
        const auto argument = qvariant_cast<QDBusArgument>(current);
        if (argument.currentType() != QDBusArgument::BasicType)
            return std::nullopt;
        current = argument.asVariant();
    }
    bool ok = false;
    const uint scheme
        = current.metaType().id() == QMetaType::UInt || current.metaType().id() == QMetaType::Int
        ? current.toUInt(&ok)
        : 0;
    if (!ok)
        return std::nullopt;
    if (scheme == 1)
        return true;
    if (scheme == 2)
        return false;
    return std::nullopt;
}

void SystemAppearance::readPortal()
{
    QDBusMessage call
        = QDBusMessage::createMethodCall(portalService, portalPath, portalInterface, u"Read"_s);
    call << appearanceNamespace << colorSchemeKey;
    auto *watcher = new QDBusPendingCallWatcher(m_bus.asyncCall(call, 2000), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this,
            [this](QDBusPendingCallWatcher *finished) {
                finished->deleteLater();
                const QDBusPendingReply<QDBusVariant> reply = *finished;
                if (reply.isError())
                    return; // no portal: the palette decides
                setPortalValue(QVariant::fromValue(reply.value()));
            });
}

void SystemAppearance::setPortalValue(const QVariant &value)
{
    const std::optional<bool> prefersDark = prefersDarkFromPortalValue(value);
    const bool wasDark = isDark();
    m_portalPrefersDark = prefersDark;
    if (isDark() != wasDark)
        Q_EMIT changed();
}

void SystemAppearance::portalSettingChanged(const QString &nameSpace, const QString &key,
                                            const QDBusVariant &value)
{
    if (nameSpace == appearanceNamespace && key == colorSchemeKey)
        setPortalValue(QVariant::fromValue(value));
}

bool SystemAppearance::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange
        && !m_portalPrefersDark)
        Q_EMIT changed();
    return QObject::eventFilter(watched, event);
}
