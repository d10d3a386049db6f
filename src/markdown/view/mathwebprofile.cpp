#include "markdown/view/mathwebprofile.h"

#include <QCoreApplication>
#include <QOpenGLContext>
#include <QPointer>
#include <QQuickWindow>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <deque>
#include <utility>

// Exported by Qt GUI without a public header; the web engine declares it the same way.
QT_BEGIN_NAMESPACE
Q_GUI_EXPORT void qt_gl_set_global_share_context(QOpenGLContext *context);
QT_END_NAMESPACE

namespace {

QWebEngineProfile *sharedProfile = nullptr;

struct SetUp
{
    QPointer<QObject> context;
    std::function<void()> run;
};
std::deque<SetUp> queuedSetUps;
// A timer rather than a queued call: the event loop runs every timer once per turn, but
// would deliver calls queued from a queued call in the same turn.
QPointer<QTimer> setUpTimer;

void runNextSetUp()
{
    while (!queuedSetUps.empty()) {
        SetUp next = std::move(queuedSetUps.front());
        queuedSetUps.pop_front();
        if (next.context) {
            next.run();
            break;
        }
    }
    if (!queuedSetUps.empty() && setUpTimer)
        setUpTimer->start();
}

// Runs while the QApplication is being destroyed, before the web engine shuts down (post
// routines run in reverse order of registration, and the engine registered its own when
// the profile started it).
void destroySharedProfile()
{
    delete sharedProfile;
    sharedProfile = nullptr;
}

// All math pages share one renderer process: they are tiny, and a process per page would
// cost tens of megabytes each.
void limitRendererProcesses()
{
    static const QByteArray flag = QByteArrayLiteral("--renderer-process-limit=1");
    QByteArray flags = qgetenv("QTWEBENGINE_CHROMIUM_FLAGS");
    if (flags.contains("--renderer-process-limit") || flags.contains("--single-process"))
        return;
    if (!flags.isEmpty())
        flags += ' ';
    qputenv("QTWEBENGINE_CHROMIUM_FLAGS", flags + flag);
}

QOpenGLContext *unusedShareContext = nullptr;

// While the application is destroyed: a context still there after it cannot be destroyed.
void releaseUnusedShareContext()
{
    qt_gl_set_global_share_context(nullptr);
    delete unusedShareContext;
    unusedShareContext = nullptr;
}

} // namespace

void MathWebProfile::prepareApplication()
{
    // Math views draw with Qt Quick's software renderer, and the engine then composites their
    // pages in software too. A view drawn through OpenGL makes its whole window an OpenGL
    // window: Qt recreates the window's native handle when the first one appears (a flicker,
    // and the keyboard focus is lost), and from then on every repaint of the window, each
    // blink of the caret, goes through OpenGL, which with a software rasteriser costs a few
    // percent of a core while the window waits. A formula is a few hundred pixels.
    QQuickWindow::setGraphicsApi(QSGRendererInterface::Software);
    // As the application starts, the web engine makes an OpenGL context for its views to
    // share unless one is set already, and that loads the OpenGL driver (a software
    // rasteriser takes some 60 MB) into every velm, formula or not. This stand-in is never
    // created: nothing uses it once the views draw in software.
    if (unusedShareContext)
        return;
    unusedShareContext = new QOpenGLContext;
    qt_gl_set_global_share_context(unusedShareContext);
    qAddPostRoutine(releaseUnusedShareContext);
}

QWebEngineProfile *MathWebProfile::shared()
{
    if (sharedProfile)
        return sharedProfile;

    limitRendererProcesses();
    // Starting, the engine asks whether OpenGL may be used from several threads, and on X11
    // Qt answers by making a throw-away OpenGL context, which loads the driver that the
    // software drawing never uses. Skipping that check answers without it.
    const char *const skipCheck = "QT_OPENGL_NO_SANITY_CHECK";
    const bool setSkipCheck = !qEnvironmentVariableIsSet(skipCheck);
    if (setSkipCheck)
        qputenv(skipCheck, "1");
    sharedProfile = new QWebEngineProfile; // no storage name: off the record
    if (setSkipCheck)
        qunsetenv(skipCheck);
    sharedProfile->setHttpCacheType(QWebEngineProfile::MemoryHttpCache);
    sharedProfile->setPersistentCookiesPolicy(QWebEngineProfile::NoPersistentCookies);
    sharedProfile->setSpellCheckEnabled(false);

    QWebEngineSettings *settings = sharedProfile->settings();
    settings->setAttribute(QWebEngineSettings::JavascriptCanOpenWindows, false);
    settings->setAttribute(QWebEngineSettings::JavascriptCanAccessClipboard, false);
    settings->setAttribute(QWebEngineSettings::LocalStorageEnabled, false);
    settings->setAttribute(QWebEngineSettings::PluginsEnabled, false);
    settings->setAttribute(QWebEngineSettings::PdfViewerEnabled, false);
    settings->setAttribute(QWebEngineSettings::WebGLEnabled, false);
    settings->setAttribute(QWebEngineSettings::ErrorPageEnabled, false);
    settings->setAttribute(QWebEngineSettings::FocusOnNavigationEnabled, false);
    settings->setAttribute(QWebEngineSettings::NavigateOnDropEnabled, false);
    settings->setAttribute(QWebEngineSettings::LocalContentCanAccessRemoteUrls, false);

    qAddPostRoutine(destroySharedProfile);
    return sharedProfile;
}

bool MathWebProfile::exists()
{
    return sharedProfile != nullptr;
}

void MathWebProfile::queueSetUp(QObject *context, std::function<void()> setUp)
{
    if (!setUpTimer) {
        setUpTimer = new QTimer(QCoreApplication::instance());
        setUpTimer->setSingleShot(true);
        setUpTimer->setInterval(0);
        QObject::connect(setUpTimer, &QTimer::timeout, &runNextSetUp);
    }
    queuedSetUps.push_back({context, std::move(setUp)});
    if (!setUpTimer->isActive())
        setUpTimer->start();
}
