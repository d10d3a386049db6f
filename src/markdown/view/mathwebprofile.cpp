#include "markdown/view/mathwebprofile.h"

#include <QCoreApplication>
#include <QPointer>
#include <QTimer>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

#include <deque>
#include <utility>

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

} // namespace

void MathWebProfile::prepareApplication()
{
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
}

QWebEngineProfile *MathWebProfile::shared()
{
    if (sharedProfile)
        return sharedProfile;

    limitRendererProcesses();
    sharedProfile = new QWebEngineProfile; // no storage name: off the record
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
