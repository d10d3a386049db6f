#include "chat/appevents.h"
#include "chat/askdialogmodel.h"
#include "chat/settings.h"
#include "main_window/mainwindow.h"
#include "quickask/askbackdroppanel.h"
#include "quickask/askdialogpanel.h"
#include "shell/appdelegate.h"
#include "support/tempsettings.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"

#include <QApplication>
#include <QMenu>
#include <QNetworkAccessManager>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QWindow>

using namespace Qt::StringLiterals;

// The delegate with a main window, as the application has them, offscreen. Quitting is
// counted rather than done, and the tray is there or not as each test says.
struct Shell
{
    Shell()
        : mainWindow(events)
        , delegate(*settings, events, network, appearance)
    {
        delegate.setMainWindow(&mainWindow);
        delegate.setTrayAvailable([this] { return trayAvailable; });
        delegate.setQuitFunction([this] { ++quitCalls; });
        delegate.setBackdropSupported([] { return true; });
        delegate.applicationDidFinishLaunching();
    }

    TempSettings settings;
    AppEvents events;
    QNetworkAccessManager network;
    // No portal: the application palette stands for the desktop.
    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    MainWindow mainWindow;
    AppDelegate delegate;
    bool trayAvailable = true;
    int quitCalls = 0;
};

class TestShell : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("VELM_NO_ANIMATIONS", "1"); }

    void terminatingStopsObserving()
    {
        Shell shell;
        shell.delegate.applicationWillTerminate();
        shell.events.postOpenAskDialog();
        QVERIFY(!shell.delegate.askDialogWindow());
    }

    void openAskDialogShowsBarOverBackdrop()
    {
        Shell shell;
        QSignalSpy opened(&shell.events, &AppEvents::askDialogDidOpen);
        shell.events.postOpenAskDialog();

        AskDialogPanel *bar = shell.delegate.askDialogWindow();
        AskBackdropPanel *backdrop = shell.delegate.askBackdropWindow();
        QVERIFY(bar && backdrop);
        QVERIFY(bar->isVisible());
        QVERIFY(backdrop->isVisible());
        QCOMPARE(opened.count(), 1);
        QVERIFY(shell.delegate.hasMouseMonitors());
    }

    void openingAgainReusesAndResets()
    {
        Shell shell;
        shell.delegate.showAskDialog();
        AskDialogPanel *bar = shell.delegate.askDialogWindow();
        AskBackdropPanel *backdrop = shell.delegate.askBackdropWindow();
        AskDialogModel *model = shell.delegate.askDialogModel();
        model->setQuery(u"half a question"_s);

        QSignalSpy opened(&shell.events, &AppEvents::askDialogDidOpen);
        shell.delegate.showAskDialog();
        QCOMPARE(shell.delegate.askDialogWindow(), bar);
        QCOMPARE(shell.delegate.askBackdropWindow(), backdrop);
        QCOMPARE(opened.count(), 1);
        QCOMPARE(model->query(), QString()); // the chord clears the bar
    }

    void noBackdropWhereUnsupported()
    {
        Shell shell;
        shell.delegate.setBackdropSupported([] { return false; });
        shell.delegate.showAskDialog();
        QVERIFY(shell.delegate.askDialogWindow()->isVisible());
        QVERIFY(!shell.delegate.askBackdropWindow());
    }

    void escapeHidesBoth()
    {
        Shell shell;
        shell.delegate.showAskDialog();
        AskDialogPanel *bar = shell.delegate.askDialogWindow();
        QVERIFY(QTest::qWaitForWindowActive(bar));
        QTest::keyClick(bar, Qt::Key_Escape);
        QVERIFY(!bar->isVisible());
        QVERIFY(!shell.delegate.askBackdropWindow()->isVisible());
        QVERIFY(!shell.delegate.hasMouseMonitors());
        QCOMPARE(shell.quitCalls, 0);
    }

    void clickOutside_data()
    {
        QTest::addColumn<QString>("receiver"); // bar, barMenu, mainWindow, none
        QTest::addColumn<bool>("inside"); // the point lies within the bar's frame
        QTest::addColumn<bool>("barShown");
        QTest::addColumn<bool>("outside");

        QTest::newRow("on the bar") << u"bar"_s << true << true << false;
        QTest::newRow("on a menu the bar opened, beyond its frame")
            << u"barMenu"_s << false << true << false;
        QTest::newRow("on the main window") << u"mainWindow"_s << false << true << true;
        QTest::newRow("main window under the bar's frame")
            << u"mainWindow"_s << true << true << false;
        QTest::newRow("elsewhere on the screen") << u"none"_s << false << true << true;
        QTest::newRow("bar hidden") << u"mainWindow"_s << false << false << false;
    }

    void clickOutside()
    {
        QFETCH(QString, receiver);
        QFETCH(bool, inside);
        QFETCH(bool, barShown);
        QFETCH(bool, outside);

        Shell shell;
        shell.delegate.showAskDialog();
        AskDialogPanel *bar = shell.delegate.askDialogWindow();
        if (!barShown)
            shell.delegate.hideAskDialog();
        QMenu barMenu(bar->content());
        const QWidget *target = nullptr;
        if (receiver == u"bar")
            target = bar->content();
        else if (receiver == u"barMenu")
            target = &barMenu;
        else if (receiver == u"mainWindow")
            target = &shell.mainWindow;
        const QRect frame = bar->frameGeometry();
        const QPointF point
            = inside ? QPointF(frame.center()) : QPointF(frame.bottomRight()) + QPointF(40, 40);
        QCOMPARE(shell.delegate.clickIsOutsideAskDialog(target, point), outside);
    }

    void noBarMeansNoClickOutside()
    {
        Shell shell;
        QVERIFY(!shell.delegate.clickIsOutsideAskDialog(nullptr, QPointF(5, 5)));
    }

    void clickOnMainWindowClosesBar()
    {
        Shell shell;
        auto *button = new QPushButton(u"somewhere"_s);
        shell.mainWindow.setContent(button);
        shell.mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell.mainWindow));
        shell.delegate.showAskDialog();
        AskDialogPanel *bar = shell.delegate.askDialogWindow();

        // A click on the bar keeps it.
        QTest::mouseClick(bar->content(), Qt::LeftButton, {}, QPoint(10, 10));
        QVERIFY(bar->isVisible());

        // Placed away from the bar: the offscreen screen is big enough for both.
        shell.mainWindow.move(bar->frameGeometry().bottomLeft() + QPoint(0, 200));
        QTest::mouseClick(button, Qt::LeftButton);
        QVERIFY(!bar->isVisible());
        QVERIFY(!shell.delegate.askBackdropWindow()->isVisible());
        QVERIFY(!shell.delegate.hasMouseMonitors());
    }

    void leavingVelmClosesBar_data()
    {
        QTest::addColumn<bool>("toOtherApplication");
        QTest::newRow("focus went to another application") << true;
        QTest::newRow("focus went to the main window") << false;
    }

    void leavingVelmClosesBar()
    {
        QFETCH(bool, toOtherApplication);
        Shell shell;
        shell.mainWindow.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell.mainWindow));
        shell.delegate.showAskDialog();
        AskDialogPanel *bar = shell.delegate.askDialogWindow();

        // What the window system reports when the user clicks elsewhere.
        QWindow *focus = toOtherApplication ? nullptr : shell.mainWindow.windowHandle();
        Q_EMIT qGuiApp->focusWindowChanged(focus);
        QCOMPARE(bar->isVisible(), !toOtherApplication);
        QCOMPARE(shell.delegate.hasMouseMonitors(), !toOtherApplication);
    }

    void hideToMenuBarHidesEverything()
    {
        Shell shell;
        QWidget settingsWindow;
        settingsWindow.setWindowTitle(u"velm Settings"_s);
        settingsWindow.show();
        shell.mainWindow.show();
        shell.delegate.showAskDialog();
        QSignalSpy hidden(&shell.delegate, &AppDelegate::hiddenToMenuBar);

        // The keys work where the window has the focus.
        shell.mainWindow.activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(&shell.mainWindow));
        QTest::keyClick(&shell.mainWindow, Qt::Key_Q, Qt::ControlModifier);
        QCOMPARE(hidden.count(), 1);
        for (QWidget *window : QApplication::topLevelWidgets())
            QVERIFY2(!window->isVisible(), qPrintable(window->windowTitle()));
        QVERIFY(!shell.delegate.hasMouseMonitors());
        QCOMPARE(shell.quitCalls, 0);
        QVERIFY(!shell.delegate.shouldAllowTermination());

        // Still at the user's call: the chord's action and "Open Ask" work.
        shell.events.postOpenAskDialog();
        QVERIFY(shell.delegate.askDialogWindow()->isVisible());
        shell.events.postShowMainWindow();
        QVERIFY(shell.mainWindow.isVisible());
        QVERIFY(!shell.delegate.askDialogWindow()->isVisible());
    }

    // Whatever asks the window to go, it hides to the tray when there is one and quits when
    // there is none; a quit from elsewhere (a session menu, a dock) only after "Quit velm".
    void windowGoes_data()
    {
        QTest::addColumn<QString>("way"); // close, hide, quit, quit after asking
        QTest::addColumn<bool>("trayAvailable");
        QTest::addColumn<int>("quitCalls");
        QTest::addColumn<bool>("terminates");

        QTest::newRow("close button, tray: hides") << u"close"_s << true << 0 << false;
        QTest::newRow("close button, no tray: quits") << u"close"_s << false << 1 << true;
        QTest::newRow("hide, no tray: quits") << u"hide"_s << false << 1 << true;
        QTest::newRow("quit event, tray: hides") << u"quit"_s << true << 0 << false;
        QTest::newRow("quit event after Quit velm") << u"asked"_s << true << 1 << true;
        QTest::newRow("quit event, no tray") << u"quit"_s << false << 0 << true;
    }

    void windowGoes()
    {
        QFETCH(QString, way);
        QFETCH(bool, trayAvailable);
        QFETCH(int, quitCalls);
        QFETCH(bool, terminates);

        Shell shell;
        shell.trayAvailable = trayAvailable;
        shell.mainWindow.show();
        QSignalSpy hidden(&shell.delegate, &AppDelegate::hiddenToMenuBar);
        if (way == u"close")
            QVERIFY(!shell.mainWindow.close()); // refused either way: the shell decides
        else if (way == u"hide")
            shell.events.postHideToMenuBar();
        if (way == u"asked")
            shell.events.postQuitAsk();
        if (way == u"quit" || way == u"asked") {
            QEvent quit(QEvent::Quit);
            QCoreApplication::sendEvent(qApp, &quit);
        }
        QCOMPARE(shell.quitCalls, quitCalls);
        QCOMPARE(shell.delegate.shouldAllowTermination(), terminates);
        if (!terminates)
            QVERIFY(!shell.mainWindow.isVisible());
        if (!trayAvailable)
            QCOMPARE(hidden.count(), 0);
    }

    // Asked at each hide, not once at launch: a tray that turns up later is used.
    void trayThatTurnsUpLaterIsUsed()
    {
        Shell shell;
        shell.trayAvailable = false;
        shell.mainWindow.show();
        shell.trayAvailable = true;
        shell.events.postHideToMenuBar();
        QCOMPARE(shell.quitCalls, 0);
        QVERIFY(!shell.mainWindow.isVisible());
    }
};

VELM_TEST_MAIN(TestShell)
#include "tst_shell.moc"
