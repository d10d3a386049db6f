#include "webenginetest.h"

#include "app/appcolors.h"
#include "app/appfonts.h"
#include "markdown/katexhtmlblockview.h"
#include "markdown/markdownview.h"
#include "markdown/passthroughkatexwebview.h"

#include <QApplication>
#include <QDir>
#include <QImage>
#include <QTest>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

const QString answer
    = u"# Orbits in a nutshell\n\n"
      "A body on a circular orbit of radius $r$ moves at speed \\(v = \\sqrt{GM/r}\\), so its "
      "**period** grows as *r* to the power 3/2 — see [Kepler's laws](https://en.wikipedia.org/"
      "wiki/Kepler%27s_laws_of_planetary_motion) and `orbit.period()`.\n\n"
      "$$\nT = 2\\pi \\sqrt{\\frac{r^3}{GM}}\n$$\n\n"
      "## What changes the period\n\n"
      "- the radius $r$ of the orbit\n"
      "- the central mass, e.g. **M** of the Sun\n"
      "  - not the mass of the orbiting body\n"
      "1. Measure $r$.\n"
      "2. Compute <T> & compare.\n\n"
      "> Doubling the radius makes the year about 2.83 times longer.\n\n"
      "---\n\n"
      "```python\nfrom math import pi, sqrt\n\ndef period(r, gm=1.327e20):\n"
      "    return 2 * pi * sqrt(r ** 3 / gm)  # seconds; a long line that scrolls sideways\n```\n"_s;

} // namespace

// One end-to-end picture of a message with every kind of block, light and dark, saved in
// the build tree for people to look at. The checks only make sure the picture is worth it.
class TestMarkdownScreenshot : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void screenshot_data();
    void screenshot();
};

void TestMarkdownScreenshot::initTestCase()
{
    registerAppFonts();
    QVERIFY(QDir().mkpath(QStringLiteral(VELM_SCREENSHOT_DIR)));
}

void TestMarkdownScreenshot::screenshot_data()
{
    QTest::addColumn<bool>("dark");
    QTest::addColumn<QString>("file");
    QTest::newRow("light") << false << u"markdownview.png"_s;
    QTest::newRow("dark") << true << u"markdownview-dark.png"_s;
}

void TestMarkdownScreenshot::screenshot()
{
    QFETCH(bool, dark);
    QFETCH(QString, file);

    QWidget window;
    window.setPalette(AppColors::palette(dark));
    window.setAutoFillBackground(true);
    auto *layout = new QVBoxLayout(&window);
    layout->setContentsMargins(24, 20, 24, 20);
    auto *view = new MarkdownView;
    view->setText(answer);
    layout->addWidget(view);
    layout->addStretch(1);
    window.resize(640, 1000);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    const QList<KaTeXHTMLBlockView *> formulas = view->findChildren<KaTeXHTMLBlockView *>();
    QVERIFY(formulas.size() >= 4);
    for (KaTeXHTMLBlockView *formula : formulas) {
        QVERIFY(WebEngineTest::waitUntilReady(formula));
        QTRY_VERIFY_WITH_TIMEOUT(
            WebEngineTest::runJavaScript(formula->webView()->page(),
                                         u"document.fonts.status === 'loaded'"_s)
                .toBool(),
            10000);
        QVERIFY(WebEngineTest::runJavaScript(formula->webView()->page(),
                                             u"document.querySelectorAll('.katex').length"_s)
                    .toInt()
                > 0);
    }
    // Let the last height reports land and the pages paint at their final size.
    QTest::qWait(1000);

    window.resize(640, view->sizeHint().height() + 40);
    QTest::qWait(500);
    const QImage image = window.grab().toImage();
    QVERIFY(!image.isNull());
    const QString path = QDir(QStringLiteral(VELM_SCREENSHOT_DIR)).filePath(file);
    QVERIFY(image.save(path));
    qInfo("saved %s", qPrintable(path));
}

VELM_WEBENGINE_TEST_MAIN(TestMarkdownScreenshot)
#include "tst_markdownscreenshot.moc"
