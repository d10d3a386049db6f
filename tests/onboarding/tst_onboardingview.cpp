#include "base/quickaskchord.h"
#include "onboardingfixture.h"

#include "onboarding/confettilayer.h"
#include "onboarding/inktextfield.h"
#include "onboarding/kbdkey.h"
#include "onboarding/onboardingbutton.h"
#include "onboarding/onboardingcheckmark.h"
#include "onboarding/onboardingdonepage.h"
#include "onboarding/onboardingheader.h"
#include "onboarding/onboardingllmpage.h"
#include "onboarding/onboardingnamepage.h"
#include "onboarding/onboardingthemepage.h"
#include "onboarding/onboardingview.h"
#include "onboarding/onboardingwelcomepage.h"
#include "onboarding/onboardingwordmark.h"
#include "onboarding/providerchip.h"
#include "onboarding/setuplaterdialog.h"
#include "onboarding/statusbadge.h"
#include "onboarding/trafficlight.h"
#include "support/keyboardaudit.h"
#include "support/testregistry.h"
#include "widgets/systemappearance.h"
#include "widgets/themechoicecard.h"
#include "widgets/toggleswitch.h"

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QLoggingCategory>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <memory>

using namespace Qt::StringLiterals;

// The view on the flow's model, shown at the stage the drafts hold.
struct Flow : OnboardingFixture
{
    explicit Flow(int storedStage = 0, const std::function<void(OnboardingDrafts &)> &prepare = {})
    {
        drafts.setStageRaw(storedStage);
        if (prepare)
            prepare(drafts);
        view = std::make_unique<OnboardingView>(model, settings, appearance);
        view->present();
        view->show();
    }

    QLineEdit *field(OnboardingStage stage) const
    {
        return view->page(stage)->focusField()->findChild<QLineEdit *>();
    }

    // No portal: the application palette stands for the desktop.
    SystemAppearance appearance{QDBusConnection(u"no-bus"_s)};
    std::unique_ptr<OnboardingView> view;
};

class TestOnboardingView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stageShowsItsPageAndFooter_data();
    void stageShowsItsPageAndFooter();
    void blankNameKeepsContinueDisabled();
    void providerChipsSetTheAddress();
    void testResultShowsOnFieldAndBadge_data();
    void testResultShowsOnFieldAndBadge();
    void setUpLaterAsksFirst_data();
    void setUpLaterAsksFirst();
    void themeCardsAndSwitch();
    void redDotClosesTheWindow();
    void returnAndFocusFollowTheStages();
    void everyStageIsRead_data();
    void everyStageIsRead();
};

void TestOnboardingView::initTestCase()
{
    qputenv("VELM_NO_ANIMATIONS", "1");
    // The end-to-end test reads these lines.
    QLoggingCategory::setFilterRules(u"velm.onboarding.info=true"_s);
}

void TestOnboardingView::stageShowsItsPageAndFooter_data()
{
    QTest::addColumn<OnboardingStage>("stage");
    QTest::newRow("welcome") << OnboardingStage::Welcome;
    QTest::newRow("name") << OnboardingStage::Name;
    QTest::newRow("llm") << OnboardingStage::Llm;
    QTest::newRow("search") << OnboardingStage::Search;
    QTest::newRow("theme") << OnboardingStage::Theme;
    QTest::newRow("done") << OnboardingStage::Done;
}

// The footer says what the model says; the address drafts start from the stored defaults,
// so their tests can run at once.
void TestOnboardingView::stageShowsItsPageAndFooter()
{
    QFETCH(OnboardingStage, stage);
    Flow flow(static_cast<int>(stage));
    QCOMPARE(flow.view->shownStage(), stage);
    QCOMPARE(flow.view->currentPage(), flow.view->page(stage));
    QVERIFY(flow.view->currentPage()->isVisible());
    QCOMPARE(flow.view->accentButton()->text(), flow.model.primaryLabel());
    QCOMPARE(flow.view->accentButton()->isEnabled(), flow.model.primaryEnabled());
    QCOMPARE(flow.view->backButton()->isVisible(), flow.model.canGoBack());
    QCOMPARE(flow.view->ghostButton()->isVisible(), !flow.model.ghostLabel().isEmpty());
    QCOMPARE(flow.view->ghostButton()->text(), flow.model.ghostLabel());
}

void TestOnboardingView::blankNameKeepsContinueDisabled()
{
    Flow flow(1);
    flow.settings.setUserName(u"Kept"_s);
    QLineEdit *field = flow.field(OnboardingStage::Name);
    field->clear();
    QTest::keyClicks(field, u"   "_s);
    QVERIFY(!flow.view->accentButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Name);
    QCOMPARE(flow.settings.userName(), u"Kept"_s);

    QTest::keyClicks(field, u"Ada"_s);
    QVERIFY(flow.view->accentButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Llm);
    QCOMPARE(flow.settings.userName(), u"Ada"_s);
}

void TestOnboardingView::providerChipsSetTheAddress()
{
    Flow flow(2);
    auto *page = qobject_cast<OnboardingLlmPage *>(flow.view->currentPage());
    QVERIFY(page);
    const auto chip = [page](LLMProvider provider) {
        for (ProviderChip *chip : page->chips())
            if (chip->provider() == provider)
                return chip;
        return static_cast<ProviderChip *>(nullptr);
    };
    QTest::mouseClick(chip(LLMProvider::Ollama), Qt::LeftButton);
    QCOMPARE(page->field()->text(), u"http://127.0.0.1:11434"_s);
    QVERIFY(chip(LLMProvider::Ollama)->isSelected());
    QVERIFY(flow.view->accentButton()->isEnabled());
}

void TestOnboardingView::testResultShowsOnFieldAndBadge_data()
{
    QTest::addColumn<int>("okRaw");
    QTest::addColumn<QString>("status");
    QTest::addColumn<int>("fieldState"); // -1 neutral, 0 valid, 1 error
    QTest::addColumn<bool>("badgeShown");
    QTest::addColumn<QString>("accent");

    QTest::newRow("no test yet") << -1 << QString() << -1 << false << u"Test connection"_s;
    QTest::newRow("connected") << 1 << u"Connected to qwen"_s << 0 << true << u"Continue"_s;
    QTest::newRow("failed") << 0 << u"Start LM Studio"_s << 1 << true << u"Test connection"_s;
    QTest::newRow("any other number is a failure")
        << 7 << u"Connection failed"_s << 1 << true << u"Test connection"_s;
}

void TestOnboardingView::testResultShowsOnFieldAndBadge()
{
    QFETCH(int, okRaw);
    QFETCH(QString, status);
    QFETCH(int, fieldState);
    QFETCH(bool, badgeShown);
    QFETCH(QString, accent);

    Flow flow(2, [&](OnboardingDrafts &drafts) {
        drafts.setLlmAddress(u"http://127.0.0.1:1234"_s);
        drafts.setLlmStatus(status);
        drafts.setLlmOKRaw(okRaw);
    });
    auto *page = qobject_cast<OnboardingLlmPage *>(flow.view->currentPage());
    QVERIFY(page);
    const std::optional<InkTextField::FieldState> state = page->field()->state();
    QCOMPARE(state ? int(*state) : -1, fieldState);
    QCOMPARE(page->badge()->isVisible(), badgeShown);
    QCOMPARE(page->badge()->shownText(), status);
    QCOMPARE(flow.view->accentButton()->text(), accent);
    // An edit of the address clears the result from the field and the badge.
    QTest::keyClick(flow.field(OnboardingStage::Llm), Qt::Key_Backspace);
    QVERIFY(!page->field()->state());
    QVERIFY(!page->badge()->isVisible());
}

void TestOnboardingView::setUpLaterAsksFirst_data()
{
    QTest::addColumn<bool>("confirm");
    QTest::newRow("continue without LLM") << true;
    QTest::newRow("cancel") << false;
}

void TestOnboardingView::setUpLaterAsksFirst()
{
    QFETCH(bool, confirm);

    Flow flow(2);
    QApplication::setActiveWindow(flow.view.get());
    QVERIFY(QTest::qWaitForWindowActive(flow.view.get()));
    const QString stored = flow.settings.lmStudioServerAddress();
    QTest::keyClicks(flow.field(OnboardingStage::Llm), u"99"_s);
    QCOMPARE(flow.view->ghostButton()->text(), u"Set up later"_s);
    // From the keyboard, as the button is reached with Tab.
    flow.view->ghostButton()->setFocus(Qt::TabFocusReason);
    QTest::keyClick(flow.view->ghostButton(), Qt::Key_Space);
    SetUpLaterDialog *dialog = flow.view->laterDialog();
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Llm);

    (confirm ? dialog->continueButton() : dialog->cancelButton())->click();
    QCOMPARE(flow.view->shownStage(), confirm ? OnboardingStage::Search : OnboardingStage::Llm);
    QCOMPARE(flow.settings.lmStudioServerAddress(), stored);
    QTRY_VERIFY_WITH_TIMEOUT(!flow.view->laterDialog(), 5000);
    // The keyboard is back on the stage's field, not lost with the dialog: the window gives
    // it there as it is active again.
    const OnboardingStage shown = confirm ? OnboardingStage::Search : OnboardingStage::Llm;
    QTRY_COMPARE_WITH_TIMEOUT(flow.view->focusWidget(), flow.field(shown), 5000);
}

void TestOnboardingView::themeCardsAndSwitch()
{
    Flow flow(4);
    auto *page = qobject_cast<OnboardingThemePage *>(flow.view->currentPage());
    QVERIFY(page);
    const auto card = [page](AppTheme theme) {
        for (ThemeChoiceCard *choice : page->choices())
            if (choice->theme() == theme)
                return choice;
        return static_cast<ThemeChoiceCard *>(nullptr);
    };
    QVERIFY(card(AppTheme::Dark)->isSelected());
    QVERIFY(card(AppTheme::Dark)->isRecommended());
    QVERIFY(flow.view->isDark());

    // The card follows the chosen theme at once.
    QTest::mouseClick(card(AppTheme::Light), Qt::LeftButton);
    QCOMPARE(flow.settings.appTheme(), u"light"_s);
    QVERIFY(card(AppTheme::Light)->isSelected());
    QVERIFY(!card(AppTheme::Dark)->isSelected());
    QVERIFY(!flow.view->isDark());

    QVERIFY(page->quickAskSwitch()->isChecked());
    QTest::mouseClick(page->quickAskSwitch(), Qt::LeftButton);
    QVERIFY(!flow.settings.quickAskFollowsSystemTheme());
    QVERIFY(!page->quickAskSwitch()->isChecked());
}

void TestOnboardingView::redDotClosesTheWindow()
{
    Flow flow(1);
    QList<TrafficLight *> lights = flow.view->findChildren<TrafficLight *>();
    QCOMPARE(lights.size(), 3);
    QVERIFY(flow.view->isVisible());
    for (TrafficLight *light : lights)
        if (light->action() == TrafficLight::Action::Close)
            QTest::mouseClick(light, Qt::LeftButton);
    QVERIFY(!flow.view->isVisible());
}

void TestOnboardingView::returnAndFocusFollowTheStages()
{
    QTest::ignoreMessage(QtInfoMsg, "Onboarding shows stage welcome");
    Flow flow(0);
    QApplication::setActiveWindow(flow.view.get());
    QVERIFY(QTest::qWaitForWindowActive(flow.view.get()));
    // No field on the welcome stage: the accent button has the keyboard, and Return there
    // moves on.
    QTRY_VERIFY_WITH_TIMEOUT(flow.view->accentButton()->hasFocus(), 5000);
    QTest::ignoreMessage(QtInfoMsg, "Onboarding shows stage name");
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Name);
    QTRY_VERIFY_WITH_TIMEOUT(flow.field(OnboardingStage::Name)->hasFocus(), 5000);
}

// Each stage's controls are named, no keyboard stop is a blank, the keyboard starts on the
// stage's field or its accent button, and Tab goes through the page before the footer.
void TestOnboardingView::everyStageIsRead_data()
{
    QTest::addColumn<OnboardingStage>("stage");
    QTest::addColumn<QStringList>("order");
    QTest::newRow("welcome") << OnboardingStage::Welcome << QStringList{u"Get started"_s};
    QTest::newRow("name") << OnboardingStage::Name
                          << QStringList{u"Your name"_s, u"← Back"_s, u"Stay anonymous"_s};
    QTest::newRow("llm") << OnboardingStage::Llm
                         << QStringList{u"Endpoint URL"_s,   u"Ollama"_s, u"LM Studio"_s,
                                        u"Manual"_s,         u"← Back"_s, u"Set up later"_s,
                                        u"Test connection"_s};
    QTest::newRow("search") << OnboardingStage::Search
                            << QStringList{u"SearXNG URL"_s, u"← Back"_s, u"Skip for now"_s,
                                           u"Test connection"_s};
    QTest::newRow("theme") << OnboardingStage::Theme
                           << QStringList{u"Continue"_s,
                                          u"Dark, selected"_s,
                                          u"Light"_s,
                                          u"System"_s,
                                          u"Always follow system theme for Quick Ask"_s,
                                          u"← Back"_s};
    QTest::newRow("done") << OnboardingStage::Done << QStringList{u"Start using velm"_s};
}

void TestOnboardingView::everyStageIsRead()
{
    QFETCH(OnboardingStage, stage);
    QFETCH(QStringList, order);
    Flow flow(static_cast<int>(stage));
    QApplication::setActiveWindow(flow.view.get());
    QVERIFY(QTest::qWaitForWindowActive(flow.view.get()));
    QTRY_COMPARE_WITH_TIMEOUT(KeyboardAudit::focusName(), order.first(), 5000);
    QCOMPARE(KeyboardAudit::accessibilityProblems(flow.view.get()), QStringList());
    QCOMPARE(KeyboardAudit::tabOrder(), order);
}

VELM_TEST_MAIN(TestOnboardingView)
#include "tst_onboardingview.moc"
