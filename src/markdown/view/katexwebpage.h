#pragma once

#include <QWebEnginePage>

// The page of one math view. It never navigates away from the page the view loaded: a
// clicked http or https link opens in the default browser, anything else is refused, and
// scripts cannot open windows.
class KaTeXWebPage : public QWebEnginePage
{
    Q_OBJECT

public:
    enum class NavigationDecision { Load, OpenInBrowser, Refuse };

    KaTeXWebPage(QWebEngineProfile *profile, QObject *parent = nullptr);

    // Only the view's own loads are "typed"; what the page itself starts (link clicks,
    // redirects, script navigations, form posts) is never loaded in the view.
    static NavigationDecision navigationDecision(const QUrl &url, NavigationType type,
                                                 bool isMainFrame);

protected:
    bool acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage *createWindow(WebWindowType type) override;
};
