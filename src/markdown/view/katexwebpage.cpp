#include "markdown/view/katexwebpage.h"

#include <QDesktopServices>

using namespace Qt::StringLiterals;

KaTeXWebPage::KaTeXWebPage(QWebEngineProfile *profile, QObject *parent)
    : QWebEnginePage(profile, parent)
{ }

KaTeXWebPage::NavigationDecision
KaTeXWebPage::navigationDecision(const QUrl &url, NavigationType type, bool isMainFrame)
{
    if (type == NavigationTypeTyped && isMainFrame)
        return NavigationDecision::Load;
    if (type == NavigationTypeLinkClicked && url.isValid()
        && (url.scheme() == "http"_L1 || url.scheme() == "https"_L1) && !url.host().isEmpty())
        return NavigationDecision::OpenInBrowser;
    return NavigationDecision::Refuse;
}

bool KaTeXWebPage::acceptNavigationRequest(const QUrl &url, NavigationType type, bool isMainFrame)
{
    switch (navigationDecision(url, type, isMainFrame)) {
    case NavigationDecision::Load:
        return true;
    case NavigationDecision::OpenInBrowser:
        QDesktopServices::openUrl(url);
        return false;
    case NavigationDecision::Refuse:
        return false;
    }
    return false;
}

QWebEnginePage *KaTeXWebPage::createWindow(WebWindowType)
{
    return nullptr;
}
