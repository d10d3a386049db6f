#include "../chat/controllerfixture.h"

#include "chat/appevents.h"
#include "chat/settings.h"
#include "main_window/contentview.h"
#include "main_window/mainwindow.h"
#include "onboarding/onboardingbutton.h"
#include "onboarding/onboardingdrafts.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingstage.h"
#include "onboarding/onboardingview.h"
#include "quickask/askbackdroppanel.h"
#include "quickask/askbackdropview.h"
#include "quickask/askdialogpanel.h"
#include "shell/mainwindowpresenter.h"
#include "shell/menubaritem.h"
#include "support/tempsettings.h"
#include "support/testregistry.h"
#include "updates/checkforupdatesview.h"
#include "widgets/systemappearance.h"

#include <QAccessible>
#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QSignalSpy>
#include <QSystemTrayIcon>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The shell's windows one by one: the Quick Ask panel and its backdrop, the tray item and
// the main window.
class TestShellWindows : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void keptOnScreen_data()
    {
        QTest::addColumn<QRect>("frame");
        QTest::addColumn<QRect>("kept");

        const QRect inside(674, 286, 572, 400);
        QTest::newRow("fits") << inside << inside;
        QTest::newRow("grew past the bottom")
            << QRect(674, 700, 572, 500) << QRect(674, 580, 572, 500);
        QTest::newRow("above the top") << QRect(674, -40, 572, 100) << QRect(674, 0, 572, 100);
        QTest::newRow("higher than the screen: top wins")
            << QRect(674, 300, 572, 1500) << QRect(674, 0, 572, 1500);
    }

    void keptOnScreen()
    {
        QFETCH(QRect, frame);
        QFETCH(QRect, kept);
        QCOMPARE(AskDialogPanel::keptWithin(frame, QRect(0, 0, 1920, 1080)), kept);
    }

    void opaquePanelIsCutToItsContent()
    {
        // X11 without a compositor: no see-through margins, so no black frame around the card.
        AskDialogPanel panel;
        panel.setTranslucent(false);
        auto *content = new QWidget;
        content->setFixedSize(572, 120);
        auto *card = new QLabel(u"card"_s, content);
        card->setAutoFillBackground(true);
        card->setGeometry(16, 20, 540, 60);
        panel.setContent(content);
        panel.setContentHeight(120);
        panel.show();
        QVERIFY(QTest::qWaitForWindowExposed(&panel));
        QCOMPARE(QAccessible::queryAccessibleInterface(&panel)->role(), QAccessible::Dialog);
        QCOMPARE(QAccessible::queryAccessibleInterface(&panel)->text(QAccessible::Name),
                 u"velm Quick Ask"_s);

        QTRY_VERIFY_WITH_TIMEOUT(!panel.mask().isEmpty(), 5000);
        QVERIFY(panel.mask().contains(QPoint(286, 50)));
        QVERIFY(!panel.mask().contains(QPoint(4, 4)));
        QVERIFY(!panel.mask().contains(QPoint(286, 100)));

        // Translucent again: the whole window, the compositor shows what lies beneath.
        panel.setTranslucent(true);
        QVERIFY(panel.mask().isEmpty());
    }

    void backdropScheme_data()
    {
        QTest::addColumn<QString>("theme");
        QTest::addColumn<bool>("dark");

        QTest::newRow("light") << u"light"_s << false;
        QTest::newRow("dark") << u"dark"_s << true;
        QTest::newRow("unknown counts as dark") << u"sepia"_s << true;
    }

    void backdropScheme()
    {
        QFETCH(QString, theme);
        QFETCH(bool, dark);

        TempSettings settings;
        SystemAppearance appearance(QDBusConnection(u"no-bus"_s));
        AskBackdropPanel backdrop(*settings, appearance);
        // Changed while the backdrop exists: it follows the setting live.
        settings->setQuickAskFollowsSystemTheme(false);
        settings->setAppTheme(theme);
        QCOMPARE(backdrop.view()->dark(), dark);
    }

    void backdropSupport_data()
    {
        QTest::addColumn<QString>("platform");
        QTest::addColumn<int>("compositing"); // -1 unknown
        QTest::addColumn<bool>("supported");

        QTest::newRow("X11 with a compositor") << u"xcb"_s << 1 << true;
        QTest::newRow("X11 without a compositor") << u"xcb"_s << 0 << false;
        QTest::newRow("X11, no answer from the server") << u"xcb"_s << -1 << false;
        QTest::newRow("Wayland") << u"wayland"_s << -1 << false;
        QTest::newRow("offscreen") << u"offscreen"_s << -1 << true;
    }

    void backdropSupport()
    {
        QFETCH(QString, platform);
        QFETCH(int, compositing);
        QFETCH(bool, supported);
        const std::optional<bool> known
            = compositing < 0 ? std::nullopt : std::optional<bool>(compositing == 1);
        QCOMPARE(!AskBackdropPanel::unsupportedReason(platform, known).has_value(), supported);
    }

    // A build without an update feed offers the command, disabled.
    void trayCommands_data()
    {
        QTest::addColumn<QString>("entry");
        QTest::addColumn<QByteArray>("signal"); // empty: the item's own settingsRequested

        QTest::newRow("Open Quick Ask")
            << u"Open Quick Ask"_s << QByteArray(SIGNAL(openAskDialog()));
        QTest::newRow("Open Ask") << u"Open Ask"_s << QByteArray(SIGNAL(showMainWindow()));
        QTest::newRow("Settings…") << u"Settings…"_s << QByteArray();
        QTest::newRow("Quit velm") << u"Quit velm"_s << QByteArray(SIGNAL(quitAsk()));
    }

    void trayCommands()
    {
        QFETCH(QString, entry);
        QFETCH(QByteArray, signal);

        AppEvents events;
        TempSettings settings;
        MenuBarItem item(events, *settings);
        SystemAppearance appearance(QDBusConnection(u"no-bus"_s));
        CheckForUpdatesView updates(nullptr, *settings, appearance);
        item.setCheckForUpdatesAction(&updates);
        QVERIFY(!item.checkForUpdatesAction()->isEnabled());
        QSignalSpy posted(signal.isEmpty() ? static_cast<QObject *>(&item) : &events,
                          signal.isEmpty() ? SIGNAL(settingsRequested()) : signal.constData());
        QSignalSpy anything(&events, SIGNAL(hideToMenuBar()));
        QAction *action = nullptr;
        for (QAction *candidate : item.menu()->actions())
            action = candidate->text() == entry ? candidate : action;
        QVERIFY(action);
        action->trigger();
        QCOMPARE(posted.count(), 1);
        QCOMPARE(anything.count(), 0);
    }

    void returnHintOnlyOnce()
    {
        TempSettings settings;
        AppEvents events;
        {
            MenuBarItem item(events, *settings);
            QVERIFY(item.showReturnHintOnce());
            QVERIFY(!item.showReturnHintOnce());
        }
        // Remembered across sessions.
        MenuBarItem later(events, *settings);
        QVERIFY(!later.showReturnHintOnce());

        TempSettings otherSettings;
        MenuBarItem otherUser(events, *otherSettings);
        QVERIFY(otherUser.showReturnHintOnce());
    }

    void presenterSwapsOnboardingAndChat()
    {
        ControllerFixture fixture;
        Settings &settings = fixture.settings();
        settings.setHasCompletedOnboarding(false);
        QTemporaryDir dir;
        OnboardingDrafts drafts(dir.filePath(u"onboarding.ini"_s));
        drafts.setStageRaw(5);
        OnboardingModel model(settings, drafts, fixture.network());
        MainWindow window(fixture.events());
        SystemAppearance appearance(QDBusConnection(u"no-bus"_s));
        auto *chat = new ContentView(fixture.controller(), settings, appearance);
        window.setContent(chat);
        auto *onboarding = new OnboardingView(model, settings, appearance);
        MainWindowPresenter presenter(window, *chat, *onboarding, settings);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));

        QCOMPARE(window.content(), onboarding);
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!chat->isVisible());

        QTest::mouseClick(onboarding->accentButton(), Qt::LeftButton); // "Start using velm"
        QVERIFY(settings.hasCompletedOnboarding());
        QCOMPARE(window.content(), chat);
        QVERIFY(window.isVisible());
        QVERIFY(chat->isVisible());
        QVERIFY(!window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QVERIFY(!chat->viewState().shouldRestoreMainWindowFromOnboarding());

        // A reset of the app data brings the flow back, from its first stage.
        settings.setHasCompletedOnboarding(false);
        QCOMPARE(window.content(), onboarding);
        QVERIFY(window.isVisible());
        QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
        QCOMPARE(onboarding->shownStage(), OnboardingStage::Welcome);
        QVERIFY(!chat->isVisible());
    }
};

VELM_TEST_MAIN(TestShellWindows)
#include "tst_shellwindows.moc"
