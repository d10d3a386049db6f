#include "webenginetest.h"

#include "markdown/mathpage.h"
#include "markdown/view/katexhtmlblockview.h"
#include "markdown/view/katexwebpage.h"
#include "markdown/view/katexwebviewcoordinator.h"
#include "markdown/view/mathwebprofile.h"
#include "markdown/view/passthroughkatexwebview.h"
#include "widgets/appcolors.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QPointer>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QVBoxLayout>
#include <QWebEngineProfile>
#include <QWheelEvent>

#include <memory>

using namespace Qt::StringLiterals;

Q_DECLARE_METATYPE(KaTeXWebPage::NavigationDecision)

namespace {

// A block view inside a window of its own, shown, with its page ready.
struct Shown
{
    std::unique_ptr<QWidget> window;
    KaTeXHTMLBlockView *block = nullptr;
};

Shown show(const KaTeXHTMLStyle &style, const QString &body, int width = 480,
           const QUrl &baseUrl = KaTeXHTMLBlockView::defaultBaseUrl())
{
    Shown shown;
    shown.window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(shown.window.get());
    shown.block = new KaTeXHTMLBlockView(style, body);
    shown.block->setBaseUrl(baseUrl);
    layout->addWidget(shown.block);
    layout->addStretch(1);
    shown.window->resize(width, 400);
    shown.window->show();
    return shown;
}

QWidget *inputWidget(PassthroughKaTeXWebView *view)
{
    if (view->focusProxy())
        return view->focusProxy();
    const QList<QWidget *> children = view->findChildren<QWidget *>();
    return children.isEmpty() ? view : children.first();
}

} // namespace

class TestKaTeXWebView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void heightReports_data();
    void heightReports();
    void navigation_data();
    void navigation();
    void wheelPassesOn_data();
    void wheelPassesOn();

    void noEngineUntilShown();
    void viewsAreSetUpOnePerTurn();
    void typesetsAndReportsItsHeight();
    void growsWithItsContent();
    void identicalPageIsNeverReloaded();
    void missingKaTeXShowsTheSource();
    void linkClick_data();
    void linkClick();
    void verticalWheelScrollsTheChat();
    void colorSchemeFollowsThePalette();
    void viewsShareOneOffTheRecordProfile();
};

void TestKaTeXWebView::heightReports_data()
{
    QTest::addColumn<qreal>("initial");
    QTest::addColumn<QVariantList>("reports");
    QTest::addColumn<QList<qreal>>("changes");

    QTest::newRow("20.3 then 20.6 change once")
        << 24.0 << QVariantList{20.3, 20.6} << QList<qreal>{21};
    QTest::newRow("zero becomes one") << 24.0 << QVariantList{0.0} << QList<qreal>{1};
    QTest::newRow("same after rounding") << 24.0 << QVariantList{23.2} << QList<qreal>{};
    QTest::newRow("burst applies the last")
        << 24.0 << QVariantList{40, 55.5, 61} << QList<qreal>{61};
    QTest::newRow("text ignored") << 24.0 << QVariantList{u"80"_s} << QList<qreal>{};
    QTest::newRow("not a number ignored")
        << 24.0 << QVariantList{std::numeric_limits<double>::quiet_NaN()} << QList<qreal>{};
}

void TestKaTeXWebView::heightReports()
{
    QFETCH(qreal, initial);
    QFETCH(QVariantList, reports);
    QFETCH(QList<qreal>, changes);

    KaTeXWebViewCoordinator coordinator(initial);
    QSignalSpy spy(&coordinator, &KaTeXWebViewCoordinator::heightChanged);
    for (const QVariant &report : std::as_const(reports))
        coordinator.report(report);
    // Applied on a later turn of the event loop, never right away.
    QCOMPARE(spy.count(), 0);
    QCOMPARE(coordinator.height(), initial);
    QCoreApplication::processEvents();
    QCoreApplication::processEvents();
    QList<qreal> emitted;
    for (const QList<QVariant> &arguments : std::as_const(spy))
        emitted.append(arguments.at(0).toReal());
    QCOMPARE(emitted, changes);
    QCOMPARE(coordinator.height(), changes.isEmpty() ? initial : changes.last());
}

void TestKaTeXWebView::navigation_data()
{
    using Decision = KaTeXWebPage::NavigationDecision;
    QTest::addColumn<QUrl>("url");
    QTest::addColumn<QWebEnginePage::NavigationType>("type");
    QTest::addColumn<bool>("mainFrame");
    QTest::addColumn<Decision>("decision");

    const QUrl page(u"data:text/html;charset=UTF-8,%3Cp%3Ex"_s);
    QTest::newRow("the view's own load")
        << page << QWebEnginePage::NavigationTypeTyped << true << Decision::Load;
    QTest::newRow("typed in a frame")
        << page << QWebEnginePage::NavigationTypeTyped << false << Decision::Refuse;
    QTest::newRow("https link") << QUrl(u"https://example.org/a?b=c"_s)
                                << QWebEnginePage::NavigationTypeLinkClicked << true
                                << Decision::OpenInBrowser;
    QTest::newRow("javascript link")
        << QUrl(u"javascript:alert(1)"_s) << QWebEnginePage::NavigationTypeLinkClicked << true
        << Decision::Refuse;
    QTest::newRow("file link") << QUrl(u"file:///etc/passwd"_s)
                               << QWebEnginePage::NavigationTypeLinkClicked << true
                               << Decision::Refuse;
    QTest::newRow("https without host")
        << QUrl(u"https:"_s) << QWebEnginePage::NavigationTypeLinkClicked << true
        << Decision::Refuse;
    QTest::newRow("redirect") << QUrl(u"https://example.org/"_s)
                              << QWebEnginePage::NavigationTypeRedirect << true << Decision::Refuse;
    QTest::newRow("script navigation")
        << QUrl(u"https://example.org/"_s) << QWebEnginePage::NavigationTypeOther << true
        << Decision::Refuse;
    QTest::newRow("reload") << page << QWebEnginePage::NavigationTypeReload << true
                            << Decision::Refuse;
}

void TestKaTeXWebView::navigation()
{
    using Decision = KaTeXWebPage::NavigationDecision;
    QFETCH(QUrl, url);
    QFETCH(QWebEnginePage::NavigationType, type);
    QFETCH(bool, mainFrame);
    QFETCH(Decision, decision);
    QCOMPARE(KaTeXWebPage::navigationDecision(url, type, mainFrame), decision);
}

void TestKaTeXWebView::wheelPassesOn_data()
{
    QTest::addColumn<QPoint>("delta");
    QTest::addColumn<Qt::KeyboardModifiers>("modifiers");
    QTest::addColumn<bool>("passesOn");

    QTest::newRow("down") << QPoint(0, -120) << Qt::KeyboardModifiers() << true;
    QTest::newRow("diagonal") << QPoint(60, 60) << Qt::KeyboardModifiers() << true;
    QTest::newRow("sideways") << QPoint(120, 10) << Qt::KeyboardModifiers() << false;
    QTest::newRow("down with shift")
        << QPoint(0, -120) << Qt::KeyboardModifiers(Qt::ShiftModifier) << false;
}

void TestKaTeXWebView::wheelPassesOn()
{
    QFETCH(QPoint, delta);
    QFETCH(Qt::KeyboardModifiers, modifiers);
    QFETCH(bool, passesOn);
    const QWheelEvent event(QPointF(5, 5), QPointF(5, 5), QPoint(), delta, Qt::NoButton, modifiers,
                            Qt::NoScrollPhase, false);
    QCOMPARE(PassthroughKaTeXWebView::passesOn(event), passesOn);
}

// Must run before any test that shows a formula: nothing of the engine exists until then.
void TestKaTeXWebView::noEngineUntilShown()
{
    QWidget window;
    auto *block = new KaTeXHTMLBlockView(KaTeXHTMLStyle::mathBlock(),
                                         MathPage::mathSpanHTML(u"x"_s, true), &window);
    QCOMPARE(block->webView(), nullptr);
    QVERIFY(!MathWebProfile::exists());
    window.show();
    // Made on a later turn of the event loop, not while being shown.
    QCOMPARE(block->webView(), nullptr);
    QTRY_VERIFY_WITH_TIMEOUT(block->webView(), 20000);
    QVERIFY(MathWebProfile::exists());
}

// Formulas shown together get their web views one per turn of the event loop, so that
// their set-up does not add up in one; a block that goes before its turn is skipped.
void TestKaTeXWebView::viewsAreSetUpOnePerTurn()
{
    QWidget window;
    auto *layout = new QVBoxLayout(&window);
    QList<QPointer<KaTeXHTMLBlockView>> blocks;
    for (int i = 0; i < 4; ++i) {
        blocks.append(
            new KaTeXHTMLBlockView(KaTeXHTMLStyle::mathBlock(),
                                   MathPage::mathSpanHTML(u"x_"_s + QString::number(i), true)));
        layout->addWidget(blocks.last());
    }
    window.show();
    delete blocks.at(1).data();

    const auto made = [&blocks] {
        int count = 0;
        for (const auto &block : std::as_const(blocks))
            count += block && block->webView() ? 1 : 0;
        return count;
    };
    QCOMPARE(made(), 0);
    QElapsedTimer timer;
    timer.start();
    int previous = 0;
    while (made() < 3 && timer.elapsed() < 20000) {
        QCoreApplication::processEvents(); // one turn
        QVERIFY2(made() - previous <= 1, "two views set up in one turn");
        previous = made();
        if (previous == 1)
            QVERIFY(blocks.at(0)->webView()); // in the order shown
    }
    QCOMPARE(made(), 3);
}

void TestKaTeXWebView::typesetsAndReportsItsHeight()
{
    const Shown shown = show(KaTeXHTMLStyle::mathBlock(),
                             MathPage::mathSpanHTML(u"\\sum_{k=1}^{n} \\frac{1}{k^2}"_s, true));
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    QWebEnginePage *page = shown.block->webView()->page();
    QVERIFY(
        WebEngineTest::runJavaScript(page, u"document.querySelectorAll('.katex').length"_s).toInt()
        > 0);
    // The source stays in the document only as KaTeX's own MathML annotation.
    QCOMPARE(WebEngineTest::runJavaScript(page, u"document.body.className"_s).toString(),
             u"math-block math-ready"_s);
    const qreal bodyHeight = WebEngineTest::runJavaScript(
                                 page, u"Math.ceil(document.body.getBoundingClientRect().height)"_s)
                                 .toReal();
    QVERIFY(bodyHeight > 20);
    QTRY_VERIFY_WITH_TIMEOUT(std::abs(shown.block->height() - bodyHeight) <= 0.5, 10000);
}

void TestKaTeXWebView::growsWithItsContent()
{
    QString body;
    for (int i = 0; i < 12; ++i)
        body += u"Words and a formula "_s
            + MathPage::mathSpanHTML(u"x_"_s + QString::number(i), false) + u" "_s;
    const Shown shown = show(KaTeXHTMLStyle::paragraph(), body, 240);
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    // Many lines at this width: far taller than the initial 24.
    QTRY_VERIFY_WITH_TIMEOUT(shown.block->height() > 80, 10000);
    QCOMPARE(shown.block->height(), shown.block->frameHeight());
    QCOMPARE(shown.block->webView()->height(), shown.block->frameHeight());

    // Wider, it needs fewer lines, and the block shrinks with it.
    const qreal narrowHeight = shown.block->height();
    shown.window->resize(900, 400);
    QTRY_VERIFY_WITH_TIMEOUT(shown.block->height() < narrowHeight - 20, 10000);
}

void TestKaTeXWebView::identicalPageIsNeverReloaded()
{
    const QString body = u"a "_s + MathPage::mathSpanHTML(u"b"_s, false);
    const Shown shown = show(KaTeXHTMLStyle::paragraph(), body);
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    QWebEnginePage *page = shown.block->webView()->page();
    QSignalSpy loads(page, &QWebEnginePage::loadStarted);
    QSignalSpy handedOver(shown.block, &KaTeXHTMLBlockView::pageLoadStarted);

    // Mark the document: a reload would lose the mark.
    WebEngineTest::runJavaScript(page, u"window.velmMark = 7"_s);
    shown.block->setContent(KaTeXHTMLStyle::paragraph(), body);
    QTest::qWait(200);
    QCOMPARE(handedOver.count(), 0);
    QCOMPARE(loads.count(), 0);
    QCOMPARE(WebEngineTest::runJavaScript(page, u"window.velmMark"_s).toInt(), 7);

    shown.block->setContent(KaTeXHTMLStyle::paragraph(), body + u" c"_s);
    QCOMPARE(handedOver.count(), 1);
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    QTRY_COMPARE_WITH_TIMEOUT(
        WebEngineTest::runJavaScript(
            page, u"document.body !== null && document.body.innerText.trim().endsWith('c')"_s)
            .toBool(),
        true, 10000);
}

void TestKaTeXWebView::missingKaTeXShowsTheSource()
{
    const Shown shown = show(KaTeXHTMLStyle::mathBlock(), MathPage::mathSpanHTML(u"a < b"_s, true),
                             480, QUrl(u"qrc:/no-such-folder/"_s));
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    QWebEnginePage *page = shown.block->webView()->page();
    QCOMPARE(
        WebEngineTest::runJavaScript(page, u"document.querySelectorAll('.katex').length"_s).toInt(),
        0);
    QCOMPARE(WebEngineTest::runJavaScript(page,
                                          u"document.querySelector('[data-latex]')"
                                          u".textContent"_s)
                 .toString(),
             u"a < b"_s);
    QCOMPARE(WebEngineTest::runJavaScript(page,
                                          u"getComputedStyle(document.querySelector("
                                          u"'[data-latex]')).visibility"_s)
                 .toString(),
             u"visible"_s);
}

void TestKaTeXWebView::linkClick_data()
{
    QTest::addColumn<QString>("url");
    QTest::addColumn<QList<QUrl>>("opened");
    QTest::newRow("javascript does nothing")
        << u"javascript:document.title='pwned'"_s << QList<QUrl>();
    QTest::newRow("web link opens in the browser")
        << u"https://example.org/notes?a=1&b=2"_s
        << QList<QUrl>{QUrl(u"https://example.org/notes?a=1&b=2"_s)};
}

void TestKaTeXWebView::linkClick()
{
    QFETCH(QString, url);
    QFETCH(QList<QUrl>, opened);
    UrlRecorder recorder({u"http"_s, u"https"_s, u"javascript"_s});
    const QString body = MathPage::spanHTML(MDSpan::link(u"link"_s, url)) + u" and "_s
        + MathPage::mathSpanHTML(u"x"_s, false);
    const Shown shown = show(KaTeXHTMLStyle::paragraph(), body);
    QVERIFY(WebEngineTest::waitUntilReady(shown.block));
    QWebEnginePage *page = shown.block->webView()->page();
    const QUrl before = page->url();

    WebEngineTest::runJavaScript(page, u"document.querySelector('a').click(); 0"_s);
    if (!opened.isEmpty())
        QTRY_COMPARE_WITH_TIMEOUT(recorder.opened.size(), opened.size(), 10000);
    QTest::qWait(300);
    QCOMPARE(recorder.opened, opened);
    // The block stays as it was.
    QCOMPARE(WebEngineTest::runJavaScript(page, u"document.title"_s).toString(), QString());
    QCOMPARE(page->url(), before);
    QCOMPARE(
        WebEngineTest::runJavaScript(page, u"document.querySelectorAll('.katex').length"_s).toInt(),
        1);
}

void TestKaTeXWebView::verticalWheelScrollsTheChat()
{
    QScrollArea chat;
    auto *content = new QWidget;
    auto *layout = new QVBoxLayout(content);
    auto *block = new KaTeXHTMLBlockView(KaTeXHTMLStyle::mathBlock(),
                                         MathPage::mathSpanHTML(u"\\int_0^1 x\\,dx"_s, true));
    layout->addWidget(block);
    layout->addSpacing(3000);
    chat.setWidget(content);
    chat.setWidgetResizable(true);
    chat.resize(500, 300);
    chat.show();
    QVERIFY(WebEngineTest::waitUntilReady(block));
    QWidget *input = inputWidget(block->webView());
    QScrollBar *bar = chat.verticalScrollBar();
    QCOMPARE(bar->value(), 0);

    const QPointF position(20, 10);
    QWheelEvent down(position, input->mapToGlobal(position), QPoint(), QPoint(0, -120),
                     Qt::NoButton, Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(input, &down);
    QVERIFY(bar->value() > 0);

    const int value = bar->value();
    QWheelEvent shifted(position, input->mapToGlobal(position), QPoint(), QPoint(0, -120),
                        Qt::NoButton, Qt::ShiftModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(input, &shifted);
    QTest::qWait(100);
    QCOMPARE(bar->value(), value);
}

// Dark first, then light: the switch covers the other direction's page.
void TestKaTeXWebView::colorSchemeFollowsThePalette()
{
    QWidget window;
    window.setPalette(AppColors::palette(true));
    auto *layout = new QVBoxLayout(&window);
    auto *block = new KaTeXHTMLBlockView(KaTeXHTMLStyle::paragraph(),
                                         u"text "_s + MathPage::mathSpanHTML(u"x"_s, false));
    layout->addWidget(block);
    window.show();
    QVERIFY(WebEngineTest::waitUntilReady(block));
    const auto textLightness = [block] {
        const QString color
            = WebEngineTest::runJavaScript(block->webView()->page(),
                                           u"getComputedStyle(document.body).color"_s)
                  .toString();
        const QRegularExpressionMatch rgb
            = QRegularExpression(u"rgba?\\((\\d+), (\\d+), (\\d+)"_s).match(color);
        if (!rgb.hasMatch())
            return -1;
        return (rgb.captured(1).toInt() + rgb.captured(2).toInt() + rgb.captured(3).toInt()) / 3;
    };
    QVERIFY(textLightness() > 200);

    // Switching the window's scheme reloads the page in the other one.
    window.setPalette(AppColors::palette(false));
    QVERIFY(WebEngineTest::waitUntilReady(block));
    QTRY_VERIFY_WITH_TIMEOUT(textLightness() < 60, 10000);
}

void TestKaTeXWebView::viewsShareOneOffTheRecordProfile()
{
    const Shown first = show(KaTeXHTMLStyle::paragraph(), MathPage::mathSpanHTML(u"a"_s, false));
    const Shown second = show(KaTeXHTMLStyle::listItem(), MathPage::mathSpanHTML(u"b"_s, false));
    QTRY_VERIFY_WITH_TIMEOUT(first.block->webView() && second.block->webView(), 20000);
    QWebEngineProfile *profile = first.block->webView()->page()->profile();
    QCOMPARE(second.block->webView()->page()->profile(), profile);
    QCOMPARE(profile, MathWebProfile::shared());
    QVERIFY(profile->isOffTheRecord());
    QVERIFY(profile != QWebEngineProfile::defaultProfile());
}

VELM_WEBENGINE_TEST_MAIN(TestKaTeXWebView)
#include "tst_katexwebview.moc"
