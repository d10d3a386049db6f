#include "../chat/controllerfixture.h"
#include "base/quickaskchord.h"

#include "onboarding/confettilayer.h"
#include "onboarding/inktextfield.h"
#include "onboarding/kbdkey.h"
#include "onboarding/onboardingbutton.h"
#include "onboarding/onboardingcheckmark.h"
#include "onboarding/onboardingdonepage.h"
#include "onboarding/onboardingdrafts.h"
#include "onboarding/onboardingheader.h"
#include "onboarding/onboardingllmpage.h"
#include "onboarding/onboardingmodel.h"
#include "onboarding/onboardingnamepage.h"
#include "onboarding/onboardingthemepage.h"
#include "onboarding/onboardingview.h"
#include "onboarding/onboardingwelcomepage.h"
#include "onboarding/onboardingwordmark.h"
#include "onboarding/providerchip.h"
#include "onboarding/setuplaterdialog.h"
#include "onboarding/statusbadge.h"
#include "onboarding/trafficlight.h"
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

#include <cmath>
#include <functional>
#include <memory>
#include <numbers>

using namespace Qt::StringLiterals;

// The flow's storage and model over a temporary store, and the view on them.
class Flow
{
public:
    explicit Flow(int storedStage = 0, const std::function<void(OnboardingDrafts &)> &prepare = {})
        : m_settings(m_dir.filePath(u"velm.conf"_s), m_dir.filePath(u"data"_s))
        , m_drafts(m_dir.filePath(u"onboarding.ini"_s))
        , m_model(m_settings, m_drafts, m_network)
    {
        m_drafts.setStageRaw(storedStage);
        if (prepare)
            prepare(m_drafts);
        view = std::make_unique<OnboardingView>(m_model, m_settings, m_appearance);
        view->present();
        view->show();
    }

    Settings &settings() { return m_settings; }
    OnboardingModel &model() { return m_model; }
    QLineEdit *field(OnboardingStage stage) const
    {
        return view->page(stage)->focusField()->findChild<QLineEdit *>();
    }

private:
    QTemporaryDir m_dir;
    Settings m_settings;
    OnboardingDrafts m_drafts;
    QNetworkAccessManager m_network;
    OnboardingModel m_model;
    // No portal: the application palette stands for the desktop.
    SystemAppearance m_appearance{QDBusConnection(u"no-bus"_s)};

public:
    std::unique_ptr<OnboardingView> view;
};

class TestOnboardingView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void stageShowsItsTextsAndFooter_data();
    void stageShowsItsTextsAndFooter();
    void blankNameKeepsContinueDisabled();
    void providerChipsSetTheAddress();
    void testResultShowsOnFieldAndBadge_data();
    void testResultShowsOnFieldAndBadge();
    void setUpLaterAsksFirst_data();
    void setUpLaterAsksFirst();
    void themeCardsAndSwitch();
    void doneStageCelebrates();
    void wordmarkBlinksOnlyOnScreen();
    void redDotClosesTheWindow();
    void returnAndFocusFollowTheStages();
    void confettiBurstsOnItsCircle();
    void chordCapsNameThisPlatformsKeys();
};

void TestOnboardingView::initTestCase()
{
    qputenv("VELM_NO_ANIMATIONS", "1");
    // The end-to-end test reads these lines.
    QLoggingCategory::setFilterRules(u"velm.onboarding.info=true"_s);
}

void TestOnboardingView::stageShowsItsTextsAndFooter_data()
{
    QTest::addColumn<int>("stored");
    QTest::addColumn<QString>("title"); // empty: the welcome wordmark
    QTest::addColumn<QString>("accent");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("back");
    QTest::addColumn<QString>("ghost");

    QTest::newRow("welcome") << 0 << QString() << u"Get started"_s << true << false << QString();
    QTest::newRow("stage 9 reads as welcome")
        << 9 << QString() << u"Get started"_s << true << false << QString();
    QTest::newRow("name") << 1 << u"What do we call you?"_s << u"Continue"_s << false << true
                          << u"Stay anonymous"_s;
    QTest::newRow("llm") << 2 << u"Connect your model"_s << u"Test connection"_s << true << true
                         << u"Set up later"_s;
    QTest::newRow("search") << 3 << u"Add web search"_s << u"Test connection"_s << true << true
                            << u"Skip for now"_s;
    QTest::newRow("theme") << 4 << u"Choose your theme"_s << u"Continue"_s << true << true
                           << QString();
    QTest::newRow("done") << 5 << QString() << u"Start using velm"_s << true << false << QString();
}

void TestOnboardingView::stageShowsItsTextsAndFooter()
{
    QFETCH(int, stored);
    QFETCH(QString, title);
    QFETCH(QString, accent);
    QFETCH(bool, enabled);
    QFETCH(bool, back);
    QFETCH(QString, ghost);

    // The address drafts start from the stored defaults, so their tests can run at once.
    Flow flow(stored);
    OnboardingPage *page = flow.view->currentPage();
    QVERIFY(page);
    QVERIFY(page->isVisible());
    if (stored == 0 || stored == 9) {
        auto *welcome = qobject_cast<OnboardingWelcomePage *>(page);
        QVERIFY(welcome);
        QVERIFY(welcome->wordmark()->isVisible());
        QCOMPARE(welcome->subtitle()->text(),
                 u"local-first AI, always at your fingertips.\n"
                 u"let's get you set up in about a minute."_s);
    } else if (!title.isEmpty()) {
        QCOMPARE(page->header()->titleLabel()->text(), title);
    }
    QCOMPARE(flow.view->accentButton()->text(), accent);
    QCOMPARE(flow.view->accentButton()->isEnabled(), enabled);
    QCOMPARE(flow.view->backButton()->isVisible(), back);
    QCOMPARE(flow.view->ghostButton()->isVisible(), !ghost.isEmpty());
    if (!ghost.isEmpty())
        QCOMPARE(flow.view->ghostButton()->text(), ghost);
}

void TestOnboardingView::blankNameKeepsContinueDisabled()
{
    Flow flow(1);
    flow.settings().setUserName(u"Kept"_s);
    QLineEdit *field = flow.field(OnboardingStage::Name);
    field->clear();
    QTest::keyClicks(field, u"   "_s);
    QVERIFY(!flow.view->accentButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Name);
    QCOMPARE(flow.settings().userName(), u"Kept"_s);

    QTest::keyClicks(field, u"Ada"_s);
    QVERIFY(flow.view->accentButton()->isEnabled());
    QTest::keyClick(field, Qt::Key_Return);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Llm);
    QCOMPARE(flow.settings().userName(), u"Ada"_s);
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

    QTest::mouseClick(chip(LLMProvider::Manual), Qt::LeftButton);
    QCOMPARE(page->field()->text(), QString());
    QVERIFY(chip(LLMProvider::Manual)->isSelected());
    QVERIFY(!chip(LLMProvider::Ollama)->isSelected());
    QCOMPARE(flow.view->accentButton()->text(), u"Test connection"_s);
    QVERIFY(!flow.view->accentButton()->isEnabled());
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
    const QString stored = flow.settings().lmStudioServerAddress();
    QTest::keyClicks(flow.field(OnboardingStage::Llm), u"99"_s);
    QCOMPARE(flow.view->ghostButton()->text(), u"Set up later"_s);
    QTest::mouseClick(flow.view->ghostButton(), Qt::LeftButton);
    SetUpLaterDialog *dialog = flow.view->laterDialog();
    QVERIFY(dialog);
    QTRY_VERIFY_WITH_TIMEOUT(dialog->isVisible(), 5000);
    QCOMPARE(dialog->text(), u"Set up local LLM later?"_s);
    QCOMPARE(dialog->informativeText(),
             u"velm won't be usable until you connect an OpenAI-compatible endpoint."_s);
    QCOMPARE(flow.view->shownStage(), OnboardingStage::Llm);

    (confirm ? dialog->continueButton() : dialog->cancelButton())->click();
    QCOMPARE(flow.view->shownStage(), confirm ? OnboardingStage::Search : OnboardingStage::Llm);
    QCOMPARE(flow.settings().lmStudioServerAddress(), stored);
    QTRY_VERIFY_WITH_TIMEOUT(!flow.view->laterDialog(), 5000);
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
    QCOMPARE(card(AppTheme::System)->description(), u"Follows your desktop automatically."_s);
    QVERIFY(flow.view->isDark());

    // The card follows the chosen theme at once.
    QTest::mouseClick(card(AppTheme::Light), Qt::LeftButton);
    QCOMPARE(flow.settings().appTheme(), u"light"_s);
    QVERIFY(card(AppTheme::Light)->isSelected());
    QVERIFY(!card(AppTheme::Dark)->isSelected());
    QVERIFY(!flow.view->isDark());
    QCOMPARE(flow.view->palette().color(QPalette::Window), QColor(0xf7, 0xf6, 0xf2));

    QVERIFY(page->quickAskSwitch()->isChecked());
    QTest::mouseClick(page->quickAskSwitch(), Qt::LeftButton);
    QVERIFY(!flow.settings().quickAskFollowsSystemTheme());
    QVERIFY(!page->quickAskSwitch()->isChecked());
}

void TestOnboardingView::doneStageCelebrates()
{
    Flow flow(5);
    auto *page = qobject_cast<OnboardingDonePage *>(flow.view->currentPage());
    QVERIFY(page);
    QCOMPARE(page->checkmark()->checkScale(), 1.0);
    // The burst comes a moment after the stage shows, the fall a moment after that.
    QTRY_COMPARE_WITH_TIMEOUT(page->confetti()->particles().size(), 28, 5000);
    QTRY_COMPARE_WITH_TIMEOUT(page->confetti()->fallProgress(), 1.0, 5000);
    QCOMPARE(page->confetti()->particles().size(), 28);
    QStringList caps;
    for (KbdKey *key : page->keys())
        caps << key->label();
    QCOMPARE(caps, KbdKey::capsFor(QuickAskChord::keys()));
}

void TestOnboardingView::wordmarkBlinksOnlyOnScreen()
{
    Flow flow(0);
    auto *welcome = qobject_cast<OnboardingWelcomePage *>(flow.view->currentPage());
    QVERIFY(welcome);
    QVERIFY(welcome->wordmark()->isBlinking());
    QTRY_VERIFY_WITH_TIMEOUT(!welcome->wordmark()->isCursorVisible(), 5000);
    flow.model().advance();
    QVERIFY(!welcome->wordmark()->isBlinking());
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

void TestOnboardingView::confettiBurstsOnItsCircle()
{
    const QColor accent(0x9e, 0x8f, 0xff);
    const QList<ConfettiParticle> particles = ConfettiLayer::makeParticles(accent);
    QCOMPARE(particles.size(), 28);
    const QList<QRgb> palette{
        accent.rgba(),
        QColor::fromRgbF(accent.redF(), accent.greenF(), accent.blueF(), 0.7f).rgba(),
        QColor(0xc4, 0xb5, 0xfd).rgba(), QColor(0xdd, 0xd6, 0xfe).rgba()};
    for (int i = 0; i < particles.size(); ++i) {
        const ConfettiParticle &p = particles.at(i);
        // Undo the lift: what is left lies on the i-th of 28 rays, 44 to 88 px out.
        const qreal dy = p.y + 16;
        const qreal radius = std::hypot(p.x, dy);
        QVERIFY2(radius >= 44 - 1e-9 && radius <= 88 + 1e-9, qPrintable(QString::number(radius)));
        const qreal angle = std::atan2(dy, p.x);
        const qreal expected = 2 * std::numbers::pi * i / 28;
        QVERIFY(std::abs(std::remainder(angle - expected, 2 * std::numbers::pi)) < 1e-9);
        QVERIFY(p.size >= 3 && p.size <= 7);
        QVERIFY(p.opacity >= 0.4 && p.opacity <= 0.85);
        QVERIFY(palette.contains(p.color.rgba()));
    }
}

void TestOnboardingView::chordCapsNameThisPlatformsKeys()
{
#ifdef Q_OS_MACOS
    const QStringList expected{u"⇧"_s, u"⌘"_s, u"K"_s};
    const QKeyCombination chord(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_K);
#else
    const QStringList expected{u"Super"_s, u"Shift"_s, u"K"_s};
    const QKeyCombination chord(Qt::MetaModifier | Qt::ShiftModifier, Qt::Key_K);
#endif
    QCOMPARE(KbdKey::capsFor(chord), expected);
}

VELM_TEST_MAIN(TestOnboardingView)
#include "tst_onboardingview.moc"
