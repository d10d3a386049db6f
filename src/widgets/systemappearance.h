#pragma once

#include <QDBusConnection>
#include <QDBusVariant>
#include <QObject>

#include <optional>

class QDBusMessage;
class QVariant;

// Whether the desktop is in dark mode, for windows whose theme is "system". Qt 6.4 has no
// colour-scheme API, so this asks the desktop portal's "color-scheme" setting (freedesktop
// appearance) and follows its changes; without a portal, or when the portal states no
// preference, the application palette's window colour decides. Apply the app's own schemes
// to windows, not with QApplication::setPalette, or that fallback would read them back.
class SystemAppearance : public QObject
{
    Q_OBJECT

public:
    explicit SystemAppearance(QObject *parent = nullptr);
    // Talks to the portal on `bus`, for tests with a bus of their own.
    explicit SystemAppearance(const QDBusConnection &bus, QObject *parent = nullptr);

    bool isDark() const;
    // What the portal said last; empty until it answered or when it has no preference.
    std::optional<bool> portalPrefersDark() const { return m_portalPrefersDark; }

    // The portal's value (a uint, possibly wrapped in variants): 1 dark, 2 light, anything
    // else no preference.
    static std::optional<bool> prefersDarkFromPortalValue(const QVariant &value);

Q_SIGNALS:
    // The answer of isDark() may have changed.
    void changed();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private Q_SLOTS:
    void portalSettingChanged(const QString &nameSpace, const QString &key,
                              const QDBusVariant &value);

private:
    void readPortal();
    void setPortalValue(const QVariant &value);

    QDBusConnection m_bus;
    std::optional<bool> m_portalPrefersDark;
};
