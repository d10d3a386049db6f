#include "webenginetest.h"

#include "markdown/view/katexhtmlblockview.h"
#include "markdown/view/mathwebprofile.h"
#include "markdown/view/passthroughkatexwebview.h"

#include <QDesktopServices>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QPointer>
#include <QTest>
#include <QTimer>
#include <QWebEnginePage>

#include <memory>

#include <unistd.h>

using namespace Qt::StringLiterals;

namespace {

// Generous: the first page of a process also starts the web engine.
constexpr int timeoutMs = 20000;

} // namespace

namespace WebEngineTest {

void prepare()
{
    // The engine's sandbox cannot run as root, which is how containers and CI run tests.
    if (::geteuid() == 0 && !qEnvironmentVariableIsSet("QTWEBENGINE_DISABLE_SANDBOX"))
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM") && !qEnvironmentVariableIsSet("DISPLAY")
        && !qEnvironmentVariableIsSet("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    MathWebProfile::prepareApplication();
}

QVariant runJavaScript(QWebEnginePage *page, const QString &script)
{
    // The answer may come after a time-out, when this frame is gone.
    struct Answer
    {
        QVariant value;
        bool done = false;
        QPointer<QEventLoop> loop;
    };
    auto answer = std::make_shared<Answer>();
    QEventLoop loop;
    answer->loop = &loop;
    page->runJavaScript(script, [answer](const QVariant &value) {
        answer->value = value;
        answer->done = true;
        if (answer->loop)
            answer->loop->quit();
    });
    QTimer::singleShot(timeoutMs, &loop, &QEventLoop::quit);
    if (!answer->done)
        loop.exec();
    return answer->value;
}

bool waitUntilReady(KaTeXHTMLBlockView *block)
{
    QPointer<KaTeXHTMLBlockView> guard(block);
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < timeoutMs) {
        if (!guard)
            return false;
        if (guard->webView()) {
            const QVariant ready = runJavaScript(
                guard->webView()->page(),
                u"document.body !== null && document.body.classList.contains('math-ready')"_s);
            if (ready.toBool())
                return true;
        }
        QTest::qWait(50);
    }
    return false;
}

} // namespace WebEngineTest

UrlRecorder::UrlRecorder(const QStringList &schemes)
    : m_schemes(schemes)
{
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

UrlRecorder::~UrlRecorder()
{
    for (const QString &scheme : std::as_const(m_schemes))
        QDesktopServices::unsetUrlHandler(scheme);
}

void UrlRecorder::open(const QUrl &url)
{
    opened.append(url);
}
