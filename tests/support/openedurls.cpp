#include "support/openedurls.h"

#include <QDesktopServices>

OpenedUrls::OpenedUrls(const QStringList &schemes)
    : m_schemes(schemes)
{
    for (const QString &scheme : schemes)
        QDesktopServices::setUrlHandler(scheme, this, "open");
}

OpenedUrls::~OpenedUrls()
{
    for (const QString &scheme : std::as_const(m_schemes))
        QDesktopServices::unsetUrlHandler(scheme);
}

void OpenedUrls::open(const QUrl &url)
{
    urls.append(url);
}
