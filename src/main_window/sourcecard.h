#pragma once

#include "search/searchresult.h"

#include <QAbstractButton>
#include <QImage>
#include <QPixmap>
#include <QPointer>
#include <QString>
#include <QUrl>

class HoverAnimation;

class FaviconLoader;

// The host a source card shows: the URL's host without a leading "www.", or the whole text
// when it is no URL with a host.
QString displayHost(const QString &url);

// The address a click on a source opens: only http and https URLs with a host qualify, so
// that text from the web can never start a local program or open a local file. Invalid
// otherwise.
QUrl openableSourceUrl(const QString &url);

// One numbered source under an answer: its number, the site's icon (a globe until the icon
// has loaded, or for good when there is none), the page title and the site's host. A click
// opens the page in the default browser; the tooltip is the full address.
class SourceCard : public QAbstractButton
{
    Q_OBJECT

public:
    // `favicons` may be null: the card then keeps the globe.
    SourceCard(int index, const SearchResult &source, FaviconLoader *favicons,
               QWidget *parent = nullptr);

    int index() const { return m_index; }
    const SearchResult &source() const { return m_source; }
    QString hostText() const { return m_host; }
    bool showsFavicon() const { return !m_favicon.isNull(); }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;

private:
    void openSource();
    void takeFavicon(const QString &host);
    void paintFavicon(QPainter &painter, const QRectF &frame, const QColor &symbolColor);

    int m_index;
    SearchResult m_source;
    QString m_host;
    QString m_faviconHost;
    QPointer<FaviconLoader> m_favicons;
    QImage m_favicon;
    QPixmap m_scaledFavicon;
    HoverAnimation *m_hover;
    bool m_showsFocusRing = false;
};
