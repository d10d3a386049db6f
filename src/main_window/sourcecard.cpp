#include "main_window/sourcecard.h"

#include "main_window/faviconloader.h"
#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/plaintext.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QDesktopServices>
#include <QFocusEvent>
#include <QPainter>
#include <QPainterPath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal cornerRadius = 12;
constexpr int paddingLeft = 10;
constexpr int paddingRight = 12;
constexpr int paddingVertical = 9;
constexpr int badgeSize = 18;
constexpr int faviconSize = 18;
constexpr int gap = 8;
constexpr int lineGap = 1;

QFont titleFont()
{
    return TypeStyles::font(TypeStyle::Label);
}

QFont hostFont()
{
    return TypeStyles::face(u"Inter18pt-Regular", 11);
}

QFont numberFont()
{
    return TypeStyles::font(TypeStyle::Overline);
}

// Hosts are compared without their "www.", so both forms of a site share one icon.
QString withoutWww(QString host)
{
    if (host.startsWith(u"www."_s))
        host.remove(0, 4);
    return host;
}

QUrl parsedWithHost(const QString &url)
{
    // Tolerant, as browsers are: addresses from search engines may carry raw spaces or
    // non-ASCII text, which still name a page.
    const QUrl parsed(url, QUrl::TolerantMode);
    if (!parsed.isValid() || parsed.host().isEmpty())
        return {};
    return parsed;
}

} // namespace

QString displayHost(const QString &url)
{
    const QUrl parsed = parsedWithHost(url);
    return parsed.isValid() ? withoutWww(parsed.host()) : url;
}

QUrl openableSourceUrl(const QString &url)
{
    const QUrl parsed = parsedWithHost(url);
    if (parsed.scheme() != u"http"_s && parsed.scheme() != u"https"_s)
        return {};
    return parsed;
}

SourceCard::SourceCard(int index, const SearchResult &source, FaviconLoader *favicons,
                       QWidget *parent)
    : QAbstractButton(parent)
    , m_index(index)
    , m_source(source)
    , m_host(displayHost(source.url))
    , m_favicons(favicons)
    , m_hover(new HoverAnimation(this, Animations::hoverSpring()))
{
    // The icon service is asked in the ASCII form of the host, which is what it indexes.
    const QUrl parsed = parsedWithHost(source.url);
    if (parsed.isValid())
        m_faviconHost = withoutWww(parsed.host(QUrl::EncodeUnicode));

    setToolTip(PlainText::toolTip(source.url));
    setAccessibleName(source.title);
    setAccessibleDescription(m_host);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    if (openableSourceUrl(source.url).isValid())
        setCursor(Qt::PointingHandCursor);

    connect(this, &QAbstractButton::clicked, this, &SourceCard::openSource);
    if (m_favicons) {
        connect(m_favicons, &FaviconLoader::iconLoaded, this, &SourceCard::takeFavicon);
        takeFavicon(m_faviconHost);
    }
}

QSize SourceCard::sizeHint() const
{
    const int text
        = QFontMetrics(titleFont()).height() + lineGap + QFontMetrics(hostFont()).height();
    return {260, qMax(text, faviconSize) + 2 * paddingVertical};
}

QSize SourceCard::minimumSizeHint() const
{
    return {paddingLeft + badgeSize + gap + faviconSize + gap + 40 + paddingRight,
            sizeHint().height()};
}

void SourceCard::openSource()
{
    const QUrl url = openableSourceUrl(m_source.url);
    if (url.isValid())
        QDesktopServices::openUrl(url);
}

void SourceCard::takeFavicon(const QString &host)
{
    if (host.isEmpty() || host != m_faviconHost || !m_favicons)
        return;
    const QImage icon = m_favicons->icon(host);
    if (icon.isNull())
        return;
    m_favicon = icon;
    m_scaledFavicon = {};
    update();
}

void SourceCard::showEvent(QShowEvent *event)
{
    QAbstractButton::showEvent(event);
    // Fetched only once a card is on screen, so opening an old chat asks for nothing it
    // does not show.
    if (m_favicons && m_favicon.isNull())
        m_favicons->request(m_faviconHost);
}

// The ring marks where Tab has got to; a window that merely became active shows none.
void SourceCard::focusInEvent(QFocusEvent *event)
{
    QAbstractButton::focusInEvent(event);
    const Qt::FocusReason reason = event->reason();
    m_showsFocusRing = reason == Qt::TabFocusReason || reason == Qt::BacktabFocusReason
        || reason == Qt::ShortcutFocusReason;
    update();
}

void SourceCard::focusOutEvent(QFocusEvent *event)
{
    QAbstractButton::focusOutEvent(event);
    m_showsFocusRing = false;
    update();
}

void SourceCard::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const bool dark = AppColors::isDark(this);
    const QColor primary = AppColors::primaryText(palette());
    const QColor secondary = AppColors::secondaryText(palette());
    // The spring overshoots a little; colours must not.
    const qreal hover = m_hover->bounded();

    // A glass-like tile: the card surface over the glass tint, brightened while hovered and
    // darkened while held down.
    const QRectF tile = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    QColor surface = AppColors::surface2(dark);
    surface.setAlphaF(dark ? 0.82f : 0.9f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(AppColors::glassTint(dark, 1.0));
    painter.drawRoundedRect(tile, cornerRadius, cornerRadius);
    painter.setBrush(surface);
    painter.drawRoundedRect(tile, cornerRadius, cornerRadius);
    QColor highlight = AppColors::named(NamedColor::AskBgHover, dark);
    const qreal hoverWeight = dark ? 1.6 : 0.9;
    highlight.setAlphaF(float(highlight.alphaF() * (hover * hoverWeight + (isDown() ? 1.2 : 0.0))));
    painter.setBrush(highlight);
    painter.drawRoundedRect(tile, cornerRadius, cornerRadius);

    QColor outline = AppColors::named(NamedColor::AskDialogStroke, dark);
    outline.setAlphaF(float(qMin(1.0, outline.alphaF() * (1.0 + 1.1 * hover))));
    if (m_showsFocusRing)
        outline = AppColors::named(NamedColor::AskAccent, dark);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(tile, cornerRadius, cornerRadius);

    const int centreY = height() / 2;
    int x = paddingLeft;

    // The number, on a small round badge.
    const QRectF badge(x, centreY - badgeSize / 2.0, badgeSize, badgeSize);
    QColor badgeFill = AppColors::surface3(dark);
    badgeFill.setAlphaF(dark ? 0.7f : 0.55f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(badgeFill);
    painter.drawEllipse(badge);
    painter.setFont(numberFont());
    painter.setPen(secondary);
    painter.drawText(badge, Qt::AlignCenter, QString::number(m_index));
    x += badgeSize + gap;

    paintFavicon(painter, QRectF(x, centreY - faviconSize / 2.0, faviconSize, faviconSize),
                 secondary);
    x += faviconSize + gap;

    // Title and host, each on one line and elided; titles from the web may carry line
    // breaks and runs of spaces.
    const int textWidth = qMax(0, width() - x - paddingRight);
    const QFontMetrics titleMetrics(titleFont());
    const QFontMetrics hostMetrics(hostFont());
    const int textHeight = titleMetrics.height() + lineGap + hostMetrics.height();
    const int top = (height() - textHeight) / 2;
    painter.setFont(titleFont());
    painter.setPen(primary);
    painter.drawText(
        QRect(x, top, textWidth, titleMetrics.height()), Qt::AlignLeft | Qt::AlignVCenter,
        titleMetrics.elidedText(m_source.title.simplified(), Qt::ElideRight, textWidth));
    painter.setFont(hostFont());
    painter.setPen(secondary);
    painter.drawText(
        QRect(x, top + titleMetrics.height() + lineGap, textWidth, hostMetrics.height()),
        Qt::AlignLeft | Qt::AlignVCenter,
        hostMetrics.elidedText(m_host.simplified(), Qt::ElideMiddle, textWidth));
}

void SourceCard::paintFavicon(QPainter &painter, const QRectF &frame, const QColor &symbolColor)
{
    const qreal ratio = devicePixelRatioF();
    if (!m_favicon.isNull()) {
        // Scaled once per screen, not on every hover repaint.
        if (m_scaledFavicon.isNull() || !qFuzzyCompare(m_scaledFavicon.devicePixelRatio(), ratio)) {
            const int side = qRound(faviconSize * ratio);
            m_scaledFavicon = QPixmap::fromImage(
                m_favicon.scaled(side, side, Qt::KeepAspectRatio, Qt::SmoothTransformation));
            m_scaledFavicon.setDevicePixelRatio(ratio);
        }
        const QSizeF size = m_scaledFavicon.deviceIndependentSize();
        const QPointF origin(frame.center().x() - size.width() / 2,
                             frame.center().y() - size.height() / 2);
        QPainterPath clip;
        clip.addRoundedRect(frame, 4, 4);
        painter.save();
        painter.setClipPath(clip);
        painter.drawPixmap(origin, m_scaledFavicon);
        painter.restore();
        return;
    }
    const int symbolSize = 11;
    const QPixmap globe = Symbols::pixmap(u"globe", symbolSize, symbolColor, ratio);
    painter.drawPixmap(
        QPointF(frame.center().x() - symbolSize / 2.0, frame.center().y() - symbolSize / 2.0),
        globe);
}
