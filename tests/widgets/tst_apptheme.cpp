#include "base/apptheme.h"
#include "support/privatesessionbus.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QGuiApplication>
#include <QSignalSpy>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(ColorSchemePreference)

namespace {

const auto portalService = u"org.freedesktop.portal.Desktop"_s;
const auto portalPath = u"/org/freedesktop/portal/desktop"_s;
const auto portalInterface = u"org.freedesktop.portal.Settings"_s;

} // namespace

// The desktop portal's Settings interface, as far as the colour scheme goes. Like older
// portals it wraps the value of Read in a second variant.
class FakePortal : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.portal.Settings")

public:
    uint colorScheme = 0;
    int reads = 0;

public Q_SLOTS:
    QDBusVariant Read(const QString &nameSpace, const QString &key)
    {
        ++reads;
        if (nameSpace != u"org.freedesktop.appearance"_s || key != u"color-scheme"_s)
            return QDBusVariant(QVariant::fromValue(QDBusVariant(QString())));
        return QDBusVariant(QVariant::fromValue(QDBusVariant(colorScheme)));
    }
};

class TestAppTheme : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void rawValues();
    void colorSchemeRule_data();
    void colorSchemeRule();
    void quickAskRule_data();
    void quickAskRule();
    void portalValue_data();
    void portalValue();

    void followsThePortal();
    void withoutPortalThePaletteDecides();

private:
    void emitSettingChanged(const QString &nameSpace, const QString &key, uint value);

    PrivateSessionBus m_bus;
    QString m_address;
};

void TestAppTheme::initTestCase()
{
    if (!m_bus.start())
        qWarning("dbus-daemon not available: the portal tests are skipped");
    m_address = m_bus.address();
}

void TestAppTheme::rawValues()
{
    for (const AppTheme theme : AppThemes::allCases())
        QCOMPARE(AppThemes::fromRawValue(AppThemes::rawValue(theme)), theme);
    QCOMPARE(AppThemes::fromRawValue(u"Dark"), std::nullopt);
}

void TestAppTheme::colorSchemeRule_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<ColorSchemePreference>("preference");

    QTest::newRow("dark") << u"dark"_s << ColorSchemePreference::Dark;
    QTest::newRow("system") << u"system"_s << ColorSchemePreference::NoPreference;
    QTest::newRow("unknown is dark") << u"sepia"_s << ColorSchemePreference::Dark;
    QTest::newRow("capitalised is unknown") << u"Light"_s << ColorSchemePreference::Dark;
    QTest::newRow("padded is unknown") << u" light"_s << ColorSchemePreference::Dark;
}

void TestAppTheme::colorSchemeRule()
{
    QFETCH(QString, stored);
    QFETCH(ColorSchemePreference, preference);
    QCOMPARE(AppThemes::colorScheme(stored), preference);
    QCOMPARE(AppThemes::quickAskColorScheme(stored, false), preference);
}

void TestAppTheme::quickAskRule_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("followsSystem");
    QTest::addColumn<bool>("systemIsDark");
    QTest::addColumn<bool>("dark");

    QTest::newRow("light, following a dark system") << u"light"_s << true << true << true;
    QTest::newRow("light, following a light system") << u"light"_s << true << false << false;
    QTest::newRow("system, not following") << u"system"_s << false << true << true;
    QTest::newRow("dark, following a light system") << u"dark"_s << true << false << false;
}

void TestAppTheme::quickAskRule()
{
    QFETCH(QString, stored);
    QFETCH(bool, followsSystem);
    QFETCH(bool, systemIsDark);
    QFETCH(bool, dark);
    QCOMPARE(AppThemes::isDark(AppThemes::quickAskColorScheme(stored, followsSystem), systemIsDark),
             dark);
}

void TestAppTheme::portalValue_data()
{
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<std::optional<bool>>("prefersDark");

    const auto wrapped
        = [](const QVariant &value) { return QVariant::fromValue(QDBusVariant(value)); };
    QTest::newRow("dark") << QVariant(1u) << std::optional<bool>(true);
    QTest::newRow("no preference") << QVariant(0u) << std::optional<bool>();
    QTest::newRow("unknown number") << QVariant(7u) << std::optional<bool>();
    QTest::newRow("wrapped once") << wrapped(1u) << std::optional<bool>(true);
    QTest::newRow("wrapped twice") << wrapped(wrapped(2u)) << std::optional<bool>(false);
    QTest::newRow("signed") << QVariant(1) << std::optional<bool>(true);
    QTest::newRow("text") << QVariant(u"1"_s) << std::optional<bool>();
    QTest::newRow("nothing") << QVariant() << std::optional<bool>();
}

void TestAppTheme::portalValue()
{
    QFETCH(QVariant, value);
    QFETCH(std::optional<bool>, prefersDark);
    QCOMPARE(SystemAppearance::prefersDarkFromPortalValue(value), prefersDark);
}

void TestAppTheme::emitSettingChanged(const QString &nameSpace, const QString &key, uint value)
{
    QDBusMessage signal
        = QDBusMessage::createSignal(portalPath, portalInterface, u"SettingChanged"_s);
    signal << nameSpace << key << QVariant::fromValue(QDBusVariant(value));
    QVERIFY(QDBusConnection(u"portal"_s).send(signal));
}

void TestAppTheme::followsThePortal()
{
    if (m_address.isEmpty())
        QSKIP("no dbus-daemon");
    QGuiApplication::setPalette(AppColors::palette(false));

    QDBusConnection portalBus = QDBusConnection::connectToBus(m_address, u"portal"_s);
    QVERIFY(portalBus.isConnected());
    FakePortal portal;
    portal.colorScheme = 1;
    QVERIFY(portalBus.registerObject(portalPath, &portal, QDBusConnection::ExportAllSlots));
    QVERIFY(portalBus.registerService(portalService));

    const QDBusConnection clientBus = QDBusConnection::connectToBus(m_address, u"client"_s);
    SystemAppearance appearance(clientBus);
    QSignalSpy changed(&appearance, &SystemAppearance::changed);
    QTRY_COMPARE(appearance.portalPrefersDark(), std::optional<bool>(true));
    QVERIFY(appearance.isDark());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(portal.reads, 1);

    emitSettingChanged(u"org.freedesktop.appearance"_s, u"color-scheme"_s, 2);
    QTRY_COMPARE(changed.count(), 2);
    QVERIFY(!appearance.isDark());

    // Other settings are none of its business.
    emitSettingChanged(u"org.gnome.desktop.interface"_s, u"color-scheme"_s, 1);
    emitSettingChanged(u"org.freedesktop.appearance"_s, u"accent-color"_s, 1);
    emitSettingChanged(u"org.freedesktop.appearance"_s, u"color-scheme"_s, 1);
    QTRY_COMPARE(changed.count(), 3);
    QVERIFY(appearance.isDark());

    portalBus.unregisterService(portalService);
    portalBus.unregisterObject(portalPath);
    QDBusConnection::disconnectFromBus(u"portal"_s);
    QDBusConnection::disconnectFromBus(u"client"_s);
}

void TestAppTheme::withoutPortalThePaletteDecides()
{
    // No bus at all, or a bus without a portal: the answer comes at once from the palette.
    const QDBusConnection none
        = QDBusConnection::connectToBus(u"unix:path=/nonexistent"_s, u"nothing"_s);
    QVERIFY(!none.isConnected());
    QGuiApplication::setPalette(AppColors::palette(true));
    SystemAppearance appearance(none);
    QVERIFY(appearance.isDark());
    QGuiApplication::setPalette(AppColors::palette(false));
    QVERIFY(!appearance.isDark());

    if (m_address.isEmpty())
        return;
    SystemAppearance withEmptyBus(QDBusConnection::connectToBus(m_address, u"client"_s));
    QTest::qWait(200);
    QCOMPARE(withEmptyBus.portalPrefersDark(), std::nullopt);
    QVERIFY(!withEmptyBus.isDark());
    QDBusConnection::disconnectFromBus(u"client"_s);
}

VELM_TEST_MAIN(TestAppTheme)
#include "tst_apptheme.moc"
