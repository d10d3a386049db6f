#pragma once

#include "support/testregistry.h"

#include <QList>
#include <QObject>
#include <QUrl>
#include <QVariant>

class KaTeXHTMLBlockView;
class QWebEnginePage;

// Helpers for tests that run real math pages in the web engine.
namespace WebEngineTest {

// What the web engine needs before the QApplication exists; see VELM_WEBENGINE_TEST_MAIN.
void prepare();

// Runs `script` in the page and waits for its result (an invalid QVariant on time-out).
QVariant runJavaScript(QWebEnginePage *page, const QString &script);

// Waits until the block's page has run its script (typeset or not); false on time-out.
bool waitUntilReady(KaTeXHTMLBlockView *block);

} // namespace WebEngineTest

// Stands in for the desktop's URL handlers, so a test sees what would open in the browser.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    // Handles the given schemes until destroyed.
    explicit UrlRecorder(const QStringList &schemes);
    ~UrlRecorder() override;

    QList<QUrl> opened;

public Q_SLOTS:
    void open(const QUrl &url);

private:
    QStringList m_schemes;
};

// VELM_TEST_MAIN for tests of the web engine, which must be prepared before the application
// exists.
#define VELM_WEBENGINE_TEST_MAIN(TestObject)                                                       \
    static const bool velmTestRegistered = TestRegistry::add(                                      \
        {#TestObject, [] { WebEngineTest::prepare(); },                                            \
         []() -> std::unique_ptr<QObject> { return std::make_unique<TestObject>(); }});
