#include "../chat/controllerfixture.h"

#include "chat/appevents.h"
#include "chat/autostartentry.h"
#include "chat/promptsuggestion.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "search/websearchclient.h"
#include "settings/appearancesettingstab.h"
#include "settings/generalsettingstab.h"
#include "settings/modelsettingstab.h"
#include "settings/placeholdertexteditor.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/settingssegmentedcontrol.h"
#include "settings/settingstabbar.h"
#include "settings/settingstextfield.h"
#include "settings/settingsview.h"
#include "settings/settingswindow.h"
#include "settings/statuslabel.h"
#include "settings/suggestionchip.h"
#include "settings/websearchsettingstab.h"
#include "support/loopback.h"
#include "support/testregistry.h"
#include "widgets/appcolors.h"
#include "widgets/systemappearance.h"
#include "widgets/themechoicecard.h"
#include "widgets/toggleswitch.h"

#include <QAccessible>
#include <QAction>
#include <QComboBox>
#include <QDoubleSpinBox>
#include <QFile>
#include <QLabel>
#include <QMenu>
#include <QMessageBox>
#include <QPushButton>
#include <QSignalSpy>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

using namespace Qt::StringLiterals;

namespace {

constexpr int networkWaitMs = 15000;

QSet<QString> toSet(const QStringList &ids)
{
    return QSet<QString>(ids.begin(), ids.end());
}

QSet<QString> idSet(const QString &stored)
{
    return toSet(SettingsKeys::promptSuggestionIdsFrom(stored));
}

QStringList activeChipIds(const GeneralSettingsTab &tab)
{
    QStringList ids;
    for (const SuggestionChip *chip : tab.chips()) {
        if (chip->isActive())
            ids.append(chip->suggestion().id);
    }
    return ids;
}

// Everything a settings window needs: the controller fixture's store, list and network, and
// no portal, so that the application palette stands for the desktop.
struct Fixture : ControllerFixture
{
    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
};

} // namespace

class TestSettingsView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { qputenv("VELM_NO_ANIMATIONS", "1"); }

    // What a toggle does to the stored list is PromptSuggestion::toggled's (see its tests).
    void chipsShowAndToggleTheStoredStyles()
    {
        Fixture f;
        f.settings().setActivePromptSuggestions(u"mystery,no_emoji"_s);
        GeneralSettingsTab tab(f.settings(), f.events());
        QCOMPARE(activeChipIds(tab), QStringList{u"no_emoji"_s});

        SuggestionChip *chip = tab.chips().at(0);
        const QString id = chip->suggestion().id;
        const bool wasActive = chip->isActive();
        chip->click();
        QCOMPARE(chip->isActive(), !wasActive);
        QCOMPARE(idSet(f.settings().activePromptSuggestions()).contains(id), !wasActive);
        chip->click();
        QCOMPARE(idSet(f.settings().activePromptSuggestions()), idSet(u"mystery,no_emoji"_s));
    }

    void searxngSection_data()
    {
        QTest::addColumn<QString>("mode");
        QTest::addColumn<bool>("sectionShown");
        QTest::addColumn<int>("segment");

        QTest::newRow("auto") << u"auto"_s << true << 0;
        QTest::newRow("never") << u"never"_s << false << 2;
        // Such a value never searches: the footnote says so, yet the section stays in reach.
        QTest::newRow("unknown") << u"sometimes"_s << true << -1;
    }

    void searxngSection()
    {
        QFETCH(QString, mode);
        QFETCH(bool, sectionShown);
        QFETCH(int, segment);

        Fixture f;
        f.settings().setSearxngHost(u"search.lan"_s);
        f.settings().setSearxngPort(u"8888"_s);
        f.settings().setWebSearchMode(u"never"_s);
        WebSearchSettingsTab tab(f.settings(), &f.network());
        QVERIFY(tab.searxngSection()->isHidden());
        const QString disabled = tab.modeSection()->footnote();
        QVERIFY(disabled.startsWith(u"Web search is disabled."_s));

        f.settings().setWebSearchMode(mode);
        QCOMPARE(!tab.searxngSection()->isHidden(), sectionShown);
        QCOMPARE(tab.modePicker()->currentIndex(), segment);
        QCOMPARE(tab.modeSection()->footnote() == disabled, segment == 2 || segment == -1);
        QCOMPARE(tab.hostField()->text(), u"search.lan"_s);
        QCOMPARE(tab.portField()->text(), u"8888"_s);
    }

    void pickingAModeWritesIt()
    {
        Fixture f;
        f.settings().setWebSearchMode(u"sometimes"_s);
        WebSearchSettingsTab tab(f.settings(), &f.network());
        tab.show();
        QVERIFY(QTest::qWaitForWindowExposed(&tab));
        SettingsSegmentedControl *picker = tab.modePicker();
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(2).center());
        QCOMPARE(f.settings().webSearchMode(), u"never"_s);
        QVERIFY(tab.searxngSection()->isHidden());
        QTest::mouseClick(picker, Qt::LeftButton, {}, picker->segmentRect(1).center());
        QCOMPARE(f.settings().webSearchMode(), u"always"_s);
        QVERIFY(!tab.searxngSection()->isHidden());
    }

    void searchTestFallsBackToInstantAnswers_data()
    {
        QTest::addColumn<bool>("instantUp");
        QTest::addColumn<int>("topics");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("ok");

        QTest::newRow("abstract and two topics") << true << 2 << u"3 results found"_s << true;
        QTest::newRow("nothing answers") << false << 0 << u"No results"_s << false;
    }

    void searchTestFallsBackToInstantAnswers()
    {
        QFETCH(bool, instantUp);
        QFETCH(int, topics);
        QFETCH(QString, status);
        QFETCH(bool, ok);

        Fixture f;
        QVERIFY(f.isValid());
        f.instant().serveAnswer({u"Ada"_s, u"Ada Lovelace was a mathematician."_s,
                                 u"https://en.wikipedia.org/wiki/Ada_Lovelace"_s,
                                 FakeDuckDuckGoServer::numberedTopics(topics)});
        // SearXNG is down: nothing listens on its port.
        f.settings().setSearxngHost(u"127.0.0.1"_s);
        f.settings().setSearxngPort(QString::number(Loopback::closedPort()));
        WebSearchSettingsTab tab(f.settings(), &f.network());
        WebSearchClient client(&f.network());
        client.setDuckDuckGoEndpoint(instantUp ? f.instant().url(u"/"_s)
                                               : QUrl(Loopback::closedAddress() + u'/'));
        tab.setSearchClient(client);

        QSignalSpy finished(&tab, &WebSearchSettingsTab::searchTestFinished);
        tab.testButton()->click();
        QVERIFY(tab.isTestingSearch());
        QVERIFY(tab.testStatus()->text().isEmpty());
        QVERIFY(finished.wait(networkWaitMs));

        QCOMPARE(tab.testStatus()->text(), status);
        QCOMPARE(tab.testStatus()->ok(), std::optional<bool>(ok));
        QVERIFY(tab.testButton()->isEnabled());
        // A test never writes a setting.
        QCOMPARE(f.settings().searxngHost(), u"127.0.0.1"_s);
    }

    void modelCheck_data()
    {
        QTest::addColumn<QString>("server");
        QTest::addColumn<QString>("status");
        QTest::addColumn<bool>("ok");

        QTest::newRow("closed port") << u"closed"_s << u"Start LM Studio"_s << false;
        QTest::newRow("no model loaded") << u"empty"_s << u"Load a model in LM Studio"_s << false;
        QTest::newRow("model served") << u"model"_s << u"Connected to qwen2.5-7b"_s << true;
    }

    void modelCheck()
    {
        QFETCH(QString, server);
        QFETCH(QString, status);
        QFETCH(bool, ok);

        Fixture f;
        QVERIFY(f.isValid());
        f.model().setModels(server == u"model" ? QStringList{u"qwen2.5-7b"_s} : QStringList());
        f.settings().setLmStudioServerAddress(server == u"closed" ? Loopback::closedAddress()
                                                                  : f.model().address());
        ModelSettingsTab tab(f.settings(), &f.network());

        QSignalSpy finished(&tab, &ModelSettingsTab::modelCheckFinished);
        tab.checkButton()->click();
        if (finished.isEmpty()) {
            QVERIFY(tab.isCheckingModel());
            QVERIFY(!tab.checkButton()->isEnabled());
            QVERIFY(finished.wait(networkWaitMs));
        }
        QCOMPARE(tab.modelStatus()->text(), status);
        QCOMPARE(tab.modelStatus()->ok(), std::optional<bool>(ok));
        QVERIFY(!tab.modelStatus()->isHidden());
        QVERIFY(tab.checkButton()->isEnabled());
    }

    // The model list comes with the check; picking one writes the preference, which the
    // check then reports; the generation fields and the settings follow each other.
    void modelChoiceAndGeneration()
    {
        Fixture f;
        QVERIFY(f.isValid());
        f.model().setModels({u"qwen2.5-7b"_s, u"lmstudio/gemma-3-4b"_s});
        f.settings().setLmStudioServerAddress(f.model().address());
        f.settings().setPreferredModel(u"gone-model"_s);
        ModelSettingsTab tab(f.settings(), &f.network());
        QComboBox *box = tab.modelBox();
        QCOMPARE(box->accessibleName(), u"Model"_s);
        QCOMPARE(box->currentText(), u"gone-model"_s);

        QSignalSpy finished(&tab, &ModelSettingsTab::modelCheckFinished);
        tab.checkButton()->click();
        QVERIFY(finished.wait(networkWaitMs));
        QCOMPARE(tab.modelStatus()->text(), u"Connected to qwen2.5-7b"_s);
        QTRY_COMPARE(box->count(), 4);
        QCOMPARE(box->itemText(0), u"Automatic"_s);
        QCOMPARE(box->currentText(), u"gone-model (not available)"_s);

        Q_EMIT box->activated(2);
        QTRY_COMPARE(f.settings().preferredModel(), u"lmstudio/gemma-3-4b"_s);
        QCOMPARE(box->count(), 3);
        QCOMPARE(box->currentText(), u"lmstudio/gemma-3-4b"_s);
        tab.checkButton()->click();
        QVERIFY(finished.wait(networkWaitMs));
        QCOMPARE(tab.modelStatus()->text(), u"Connected to lmstudio/gemma-3-4b"_s);

        QCOMPARE(tab.temperatureBox()->value(), 0.7);
        QCOMPARE(tab.maxTokensBox()->text(), u"No limit"_s);
        tab.temperatureBox()->setValue(0.3);
        tab.maxTokensBox()->setValue(2048);
        QCOMPARE(f.settings().temperature(), 0.3);
        QCOMPARE(f.settings().maxTokens(), std::optional(2048));
        f.settings().setMaxTokens(std::nullopt);
        f.settings().setTemperature(1.1);
        QCOMPARE(tab.maxTokensBox()->value(), 0);
        QCOMPARE(tab.temperatureBox()->value(), 1.1);
        QCOMPARE(tab.attachmentTextBox()->value(), 100000);
        tab.attachmentTextBox()->setValue(20000);
        QCOMPARE(f.settings().attachmentTextLimit(), 20000);
        f.settings().setAttachmentTextLimit(50000);
        QCOMPARE(tab.attachmentTextBox()->value(), 50000);
    }

    // An address is written as soon as it is usable, without the blanks around it; until
    // then the field says what is wrong and the last usable one stays stored.
    void serverFieldRefusesBadAddresses_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("reason"); // empty: stored

        QTest::newRow("file") << u"file:///etc"_s
                              << u"The address must start with http:// or https://"_s;
        QTest::newRow("cleared") << QString() << u"The address is empty"_s;
        QTest::newRow("IPv6 with blanks") << u" http://[::1]:1234 "_s << QString();
    }

    void serverFieldRefusesBadAddresses()
    {
        QFETCH(QString, typed);
        QFETCH(QString, reason);
        const QString stored = u"http://10.0.0.2:11434"_s;
        Fixture f;
        f.settings().setLmStudioServerAddress(stored);
        ModelSettingsTab tab(f.settings(), &f.network());
        QVERIFY(tab.addressStatus()->isHidden());

        // As a paste does: the whole text in one edit.
        tab.serverField()->selectAll();
        tab.serverField()->insert(typed);
        QCOMPARE(tab.serverField()->text(), typed);
        QCOMPARE(tab.addressStatus()->text(), reason);
        QCOMPARE(tab.addressStatus()->ok(), reason.isEmpty() ? std::nullopt : std::optional(false));
        QCOMPARE(tab.addressStatus()->isHidden(), reason.isEmpty());
        QCOMPARE(f.settings().lmStudioServerAddress(), reason.isEmpty() ? typed.trimmed() : stored);

        tab.serverField()->selectAll();
        tab.serverField()->insert(u"localhost:1234"_s);
        QVERIFY(tab.addressStatus()->text().isEmpty());
        QCOMPARE(f.settings().lmStudioServerAddress(), u"localhost:1234"_s);
    }

    void leavingATabForgetsItsTestResult()
    {
        Fixture f;
        f.settings().setLmStudioServerAddress(Loopback::closedAddress());
        SettingsView view(f.settings(), f.events(), f.chatList(), f.network());
        view.setCurrentIndex(SettingsView::Model);
        ModelSettingsTab *tab = view.modelTab();
        QSignalSpy finished(tab, &ModelSettingsTab::modelCheckFinished);
        tab->checkButton()->click();
        QTRY_VERIFY_WITH_TIMEOUT(!finished.isEmpty(), networkWaitMs);
        QVERIFY(!tab->modelStatus()->text().isEmpty());
        view.setCurrentIndex(SettingsView::General);
        QVERIFY(tab->modelStatus()->text().isEmpty());
    }

    void changesElsewhereShow()
    {
        Fixture f;
        SettingsView view(f.settings(), f.events(), f.chatList(), f.network());
        // As onboarding, Quick Ask or `velm config` would write them.
        f.settings().setUserName(u"Grace"_s);
        f.settings().setSystemPrompt(u"Answer in French."_s);
        f.settings().setLmStudioServerAddress(u"http://10.0.0.2:11434"_s);
        f.settings().setSearxngHost(u"searx.example.org"_s);
        f.settings().setSearxngUseHTTPS(true);
        f.settings().setAppTheme(u"light"_s);
        f.settings().setQuickAskFollowsSystemTheme(false);
        f.settings().setShowThinking(false);

        QCOMPARE(view.generalTab()->nameField()->text(), u"Grace"_s);
        QCOMPARE(view.generalTab()->instructionsEditor()->text(), u"Answer in French."_s);
        QCOMPARE(view.modelTab()->serverField()->text(), u"http://10.0.0.2:11434"_s);
        QCOMPARE(view.webSearchTab()->hostField()->text(), u"searx.example.org"_s);
        QVERIFY(view.webSearchTab()->httpsSwitch()->isChecked());
        QStringList selected;
        for (const ThemeChoiceCard *choice : view.appearanceTab()->themeChoices()) {
            if (choice->isSelected())
                selected.append(AppThemes::rawValue(choice->theme()));
        }
        QCOMPARE(selected, QStringList{u"light"_s});
        QVERIFY(!view.appearanceTab()->quickAskSwitch()->isChecked());
        QVERIFY(!view.modelTab()->showThinkingSwitch()->isChecked());
    }

    void typingWritesWhatIsTyped_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("key");

        QTest::newRow("name") << u"userNameField"_s << u"userName"_s;
        // The readers trim the host; the field must still keep the space being typed.
        QTest::newRow("host") << u"searxngHostField"_s << u"searxngHost"_s;
    }

    void typingWritesWhatIsTyped()
    {
        QFETCH(QString, field);
        QFETCH(QString, key);

        Fixture f;
        f.settings().setValue(key, QString());
        SettingsView view(f.settings(), f.events(), f.chatList(), f.network());
        auto *edit = view.findChild<SettingsTextField *>(field);
        QVERIFY(edit);
        QTest::keyClicks(edit, u"ab "_s);
        QCOMPARE(f.settings().value(key).toString(), u"ab "_s);
        QTest::keyClicks(edit, u"c"_s);
        QCOMPARE(edit->text(), u"ab c"_s);
        QCOMPARE(f.settings().value(key).toString(), u"ab c"_s);
    }

    void showThinkingSwitchWritesTheSetting()
    {
        Fixture f;
        ModelSettingsTab tab(f.settings(), &f.network());
        ToggleSwitch *toggle = tab.showThinkingSwitch();
        QCOMPARE(toggle->accessibleName(), u"Show thinking"_s);
        QVERIFY(toggle->isChecked());
        toggle->click();
        QVERIFY(!f.settings().showThinking());
        QVERIFY(!toggle->isChecked());
        toggle->click();
        QVERIFY(f.settings().showThinking());
    }

    void themeCardsWriteTheTheme()
    {
        Fixture f;
        AppearanceSettingsTab tab(f.settings());
        const QList<ThemeChoiceCard *> &choices = tab.themeChoices();
        QCOMPARE(choices.size(), 3);
        choices.at(2)->click();
        QCOMPARE(f.settings().appTheme(), u"system"_s);
        QVERIFY(choices.at(2)->isSelected());
        QVERIFY(!choices.at(0)->isSelected());
        tab.quickAskSwitch()->click();
        QVERIFY(!f.settings().quickAskFollowsSystemTheme());
    }

    void startAtLogin_data()
    {
        QTest::addColumn<bool>("writable");

        QTest::newRow("writes and removes the entry") << true;
        QTest::newRow("failure puts the switch back") << false;
    }

    void startAtLogin()
    {
        QFETCH(bool, writable);

        Fixture f;
        QTemporaryDir home;
        QString directory = home.filePath(u"autostart"_s);
        if (!writable) {
            // A file where the folder should be: the entry cannot be written.
            directory = home.filePath(u"blocked"_s);
            QFile blocker(directory);
            QVERIFY(blocker.open(QIODevice::WriteOnly));
        }
        const AutostartEntry entry(directory, u"/usr/bin/velm"_s);
        GeneralSettingsTab tab(f.settings(), f.events());
        tab.setAutostartEntry(entry);
        QVERIFY(!tab.startAtLoginSwitch()->isChecked());

        tab.startAtLoginSwitch()->click();
        QCOMPARE(QFile::exists(entry.filePath()), writable);
        QCOMPARE(tab.startAtLoginSwitch()->isChecked(), writable);
        QCOMPARE(tab.startAtLoginStatus()->text().isEmpty(), writable);
        if (!writable) {
            QCOMPARE(tab.startAtLoginStatus()->ok(), std::optional<bool>(false));
            return;
        }
        tab.startAtLoginSwitch()->click();
        QVERIFY(!QFile::exists(entry.filePath()));
        QVERIFY(!tab.startAtLoginSwitch()->isChecked());
    }

    void resetClosesTheWindowThenShowsTheMainWindow()
    {
        Fixture f;
        f.settings().setHasCompletedOnboarding(true);
        f.settings().setUserName(u"Grace"_s);
        SettingsWindow window(f.settings(), f.events(), f.chatList(), f.network(), f.appearance);
        window.present();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCOMPARE(QAccessible::queryAccessibleInterface(&window)->role(), QAccessible::Window);
        QSignalSpy shown(&f.events(), &AppEvents::showMainWindow);

        GeneralSettingsTab *tab = window.view()->generalTab();
        tab->resetButton()->click();
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = tab->findChild<QMessageBox *>(u"resetAlert"_s)));
        // Return must not wipe everything.
        QCOMPARE(alert->buttonRole(alert->defaultButton()), QMessageBox::RejectRole);

        alert->findChild<QPushButton *>(u"resetConfirmButton"_s)->click();
        QVERIFY(!window.isVisible());
        QVERIFY(!f.settings().hasCompletedOnboarding());
        QVERIFY(f.settings().userName().isEmpty());
        QCOMPARE(tab->nameField()->text(), QString());
        // Only once the window is gone.
        QCOMPARE(shown.count(), 0);
        QTRY_COMPARE(shown.count(), 1);
    }

    void cancellingTheResetKeepsEverything()
    {
        Fixture f;
        f.settings().setUserName(u"Grace"_s);
        GeneralSettingsTab tab(f.settings(), f.events());
        tab.show();
        tab.resetButton()->click();
        QMessageBox *alert = nullptr;
        QTRY_VERIFY((alert = tab.findChild<QMessageBox *>(u"resetAlert"_s)));
        for (QAbstractButton *button : alert->buttons()) {
            if (button->text() == u"Cancel")
                button->click();
        }
        QCOMPARE(f.settings().userName(), u"Grace"_s);
    }

    void keyboardMovesThroughSegmentsAndTabs()
    {
        Fixture f;
        f.settings().setWebSearchMode(u"sometimes"_s);
        SettingsView view(f.settings(), f.events(), f.chatList(), f.network());
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));

        // From no chosen segment the arrows start at the end they point to.
        SettingsSegmentedControl *picker = view.webSearchTab()->modePicker();
        QTest::keyClick(picker, Qt::Key_Left);
        QCOMPARE(f.settings().webSearchMode(), u"never"_s);
        QTest::keyClick(picker, Qt::Key_Left);
        QCOMPARE(f.settings().webSearchMode(), u"always"_s);

        QTest::keyClick(view.tabBar(), Qt::Key_Right);
        QCOMPARE(view.currentIndex(), int(SettingsView::Appearance));
        QVERIFY(view.appearanceTab()->isVisible());
        QVERIFY(!view.generalTab()->isVisible());
        QTest::keyClick(view.tabBar(), Qt::Key_Left);
        QTest::keyClick(view.tabBar(), Qt::Key_Left);
        QCOMPARE(view.currentIndex(), int(SettingsView::General));
    }
};

VELM_TEST_MAIN(TestSettingsView)
#include "tst_settingsview.moc"
