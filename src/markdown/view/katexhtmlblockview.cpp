#include "markdown/view/katexhtmlblockview.h"

#include "markdown/mathpage.h"
#include "markdown/view/katexwebpage.h"
#include "markdown/view/katexwebviewcoordinator.h"
#include "markdown/view/mathwebprofile.h"
#include "markdown/view/passthroughkatexwebview.h"
#include "widgets/appcolors.h"

#include <QEvent>
#include <QVBoxLayout>
#include <QWebChannel>
#include <QWebEngineScript>
#include <QWebEngineScriptCollection>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

const auto colorSchemeScriptName = u"velm-color-scheme"_s;

// The page's colours are the system colours of its colour scheme (CanvasText, LinkText).
// The engine cannot be told a scheme per view, so the view pins it on the document before
// the page's own style sheet applies. The engine's dark LinkText is a dark blue and the
// page's code colour a dark brown, both unreadable on a dark window, so the dark scheme
// brings lighter ones.
QWebEngineScript colorSchemeScript(bool dark)
{
    QString css
        = u":root, body { color-scheme: "_s + (dark ? u"dark"_s : u"light"_s) + u" !important; }"_s;
    if (dark) {
        css += u" a { color: "_s + AppColors::named(NamedColor::AskAccent, true).name()
            + u" !important; } code { color: #e0ad62 !important; }"_s;
    }
    QWebEngineScript script;
    script.setName(colorSchemeScriptName);
    script.setInjectionPoint(QWebEngineScript::DocumentCreation);
    script.setWorldId(QWebEngineScript::MainWorld);
    script.setRunsOnSubFrames(false);
    script.setSourceCode(u"(function () { var sheet = new CSSStyleSheet(); sheet.replaceSync('"_s
                         + css + u"'); document.adoptedStyleSheets = [sheet]; })();"_s);
    return script;
}

// A renderer that dies takes every math page with it; each view reloads its page, but
// not forever if the engine keeps failing.
constexpr int maximumCrashReloads = 3;

} // namespace

KaTeXHTMLBlockView::KaTeXHTMLBlockView(const KaTeXHTMLStyle &style, const QString &bodyHTML,
                                       QWidget *parent)
    : QWidget(parent)
    , m_style(style)
    , m_bodyHTML(bodyHTML)
    , m_baseUrl(defaultBaseUrl())
    , m_layout(new QVBoxLayout(this))
    , m_coordinator(new KaTeXWebViewCoordinator(style.initialHeight(), this))
{
    m_layout->setContentsMargins({});
    m_layout->setSpacing(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    connect(m_coordinator, &KaTeXWebViewCoordinator::heightChanged, this,
            &KaTeXHTMLBlockView::updateFixedHeight);
    updateFixedHeight();
}

KaTeXHTMLBlockView::~KaTeXHTMLBlockView()
{
    // The page goes first, so it never reports to a coordinator that is gone.
    if (m_channel)
        m_channel->deregisterObject(m_coordinator);
    delete m_webView;
}

QUrl KaTeXHTMLBlockView::defaultBaseUrl()
{
    return QUrl(u"qrc:/katex/"_s);
}

void KaTeXHTMLBlockView::setBaseUrl(const QUrl &url)
{
    if (m_baseUrl == url)
        return;
    m_baseUrl = url;
    m_coordinator->forgetPage();
    loadPage();
}

void KaTeXHTMLBlockView::setContent(const KaTeXHTMLStyle &style, const QString &bodyHTML)
{
    if (style == m_style && bodyHTML == m_bodyHTML)
        return;
    const bool styleChanged = !(style == m_style);
    m_style = style;
    m_bodyHTML = bodyHTML;
    if (styleChanged)
        updateFixedHeight();
    loadPage();
}

QString KaTeXHTMLBlockView::pageHTML() const
{
    return MathPage::pageHTML(m_bodyHTML, m_style);
}

void KaTeXHTMLBlockView::setPageMargins(const QMargins &margins)
{
    m_layout->setContentsMargins(margins);
    updateFixedHeight();
}

qreal KaTeXHTMLBlockView::height() const
{
    return m_coordinator->height();
}

int KaTeXHTMLBlockView::frameHeight() const
{
    return int(std::ceil(std::max(m_style.minimumHeight(), m_coordinator->height())));
}

void KaTeXHTMLBlockView::updateFixedHeight()
{
    const QMargins margins = m_layout->contentsMargins();
    setFixedHeight(frameHeight() + margins.top() + margins.bottom());
}

void KaTeXHTMLBlockView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (m_webView || m_webViewQueued)
        return;
    m_webViewQueued = true;
    MathWebProfile::queueSetUp(this, [this] {
        m_webViewQueued = false;
        if (!m_webView)
            createWebView();
    });
}

void KaTeXHTMLBlockView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange && m_webView
        && AppColors::isDark(this) != m_darkScheme) {
        applyColorScheme();
        m_coordinator->forgetPage();
        loadPage();
    }
}

void KaTeXHTMLBlockView::createWebView()
{
    m_webView = new PassthroughKaTeXWebView(this);
    m_page = new KaTeXWebPage(MathWebProfile::shared(), m_webView);
    m_page->setBackgroundColor(Qt::transparent);
    m_channel = new QWebChannel(m_page);
    m_channel->registerObject(u"height"_s, m_coordinator);
    m_page->setWebChannel(m_channel);
    m_webView->setPage(m_page);
    applyColorScheme();
    connect(m_page, &QWebEnginePage::renderProcessTerminated, this,
            [this](QWebEnginePage::RenderProcessTerminationStatus status) {
                if (status == QWebEnginePage::NormalTerminationStatus
                    || m_crashReloads >= maximumCrashReloads)
                    return;
                ++m_crashReloads;
                m_coordinator->forgetPage();
                QMetaObject::invokeMethod(this, &KaTeXHTMLBlockView::loadPage,
                                          Qt::QueuedConnection);
            });
    m_layout->addWidget(m_webView);
    loadPage();
}

void KaTeXHTMLBlockView::applyColorScheme()
{
    m_darkScheme = AppColors::isDark(this);
    QWebEngineScriptCollection &scripts = m_page->scripts();
    for (const QWebEngineScript &script : scripts.find(colorSchemeScriptName))
        scripts.remove(script);
    scripts.insert(colorSchemeScript(m_darkScheme));
}

void KaTeXHTMLBlockView::loadPage()
{
    if (!m_page)
        return; // the page loads when the view is first shown
    const QString html = pageHTML();
    if (!m_coordinator->shouldLoad(html))
        return;
    m_page->setHtml(html, m_baseUrl);
    Q_EMIT pageLoadStarted();
}
