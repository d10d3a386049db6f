#pragma once

#include "markdown/katexhtmlstyle.h"

#include <QMargins>
#include <QUrl>
#include <QWidget>

class KaTeXWebViewCoordinator;
class KaTeXWebPage;
class PassthroughKaTeXWebView;
class QVBoxLayout;
class QWebChannel;

// One block drawn through a math page, as tall as the page's content (and at least the
// style's minimum). The web view is made once the block has been shown (on a later turn of
// the event loop, see MathWebProfile::queueSetUp), so building a view of an answer costs
// nothing of the web engine until a formula is really on screen.
class KaTeXHTMLBlockView : public QWidget
{
    Q_OBJECT

public:
    KaTeXHTMLBlockView(const KaTeXHTMLStyle &style, const QString &bodyHTML,
                       QWidget *parent = nullptr);
    ~KaTeXHTMLBlockView() override;

    // Loads the new page only when it differs from the one shown.
    void setContent(const KaTeXHTMLStyle &style, const QString &bodyHTML);
    KaTeXHTMLStyle style() const { return m_style; }
    QString bodyHTML() const { return m_bodyHTML; }
    QString pageHTML() const;

    // Space around the page inside this widget (the block's own spacing).
    void setPageMargins(const QMargins &margins);

    // The height the page reported (the initial height until it does), and the page's frame
    // height: that, but at least the style's minimum.
    qreal height() const;
    int frameHeight() const;

    KaTeXWebViewCoordinator *coordinator() const { return m_coordinator; }
    // Null until a turn of the event loop after the block was first shown.
    PassthroughKaTeXWebView *webView() const { return m_webView; }

    // Where the page's relative links ("katex.min.css", "katex.min.js") resolve: the KaTeX
    // files compiled into the application.
    static QUrl defaultBaseUrl();
    void setBaseUrl(const QUrl &url);

Q_SIGNALS:
    // The page was handed to the web engine (not sent for a page already shown).
    void pageLoadStarted();

protected:
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void createWebView();
    void loadPage();
    void applyColorScheme();
    void updateFixedHeight();

    KaTeXHTMLStyle m_style;
    QString m_bodyHTML;
    QUrl m_baseUrl;
    QVBoxLayout *m_layout;
    KaTeXWebViewCoordinator *m_coordinator;
    PassthroughKaTeXWebView *m_webView = nullptr;
    KaTeXWebPage *m_page = nullptr;
    QWebChannel *m_channel = nullptr;
    bool m_webViewQueued = false;
    bool m_darkScheme = false;
    int m_crashReloads = 0;
};
