#include "quickask/askactionbutton.h"

#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/keyboardbutton.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QFontMetricsF>
#include <QPainter>
#include <QPainterPath>

#include <cmath>

namespace {

constexpr qreal symbolSize = 11;
constexpr qreal spacing = 6;
constexpr qreal paddingX = 10;
constexpr qreal paddingY = 6;
constexpr qreal keyCapPaddingX = 4;
constexpr qreal keyCapPaddingY = 2;
constexpr qreal keyCapRadius = 4;

} // namespace

AskActionButton::AskActionButton(const QString &symbol, const QString &title,
                                 const QString &keyHint, bool accented, QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
    , m_keyHint(keyHint)
    , m_accented(accented)
{
    setText(title);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleDescription(keyHint);
    KeyboardButton::install(this);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

AskActionButton::Metrics AskActionButton::metrics() const
{
    const QFontMetricsF titleMetrics(TypeStyles::font(TypeStyle::Overline));
    const QFontMetricsF keyMetrics(TypeStyles::font(TypeStyle::KeyCap));
    Metrics m;
    m.title = {titleMetrics.horizontalAdvance(text()), titleMetrics.height()};
    m.keyCap = {keyMetrics.horizontalAdvance(m_keyHint) + 2 * keyCapPaddingX,
                keyMetrics.height() + 2 * keyCapPaddingY};
    const qreal contentHeight = std::max({symbolSize, m.title.height(), m.keyCap.height()});
    m.total = {2 * paddingX + symbolSize + spacing + m.title.width() + spacing + m.keyCap.width(),
               2 * paddingY + contentHeight};
    return m;
}

QSize AskActionButton::sizeHint() const
{
    const QSizeF total = metrics().total;
    return {int(std::ceil(total.width())), int(std::ceil(total.height()))};
}

void AskActionButton::paintEvent(QPaintEvent *)
{
    const Metrics m = metrics();
    const bool dark = AppColors::isDark(this);
    const QColor tone = m_accented ? AppColors::named(NamedColor::AskAccent, dark)
                                   : AppColors::secondaryText(palette());
    QColor outline = AppColors::primaryText(palette());
    outline.setAlphaF(m_accented ? 0.14f : 0.08f);

    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF capsule = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    GlassSurface::paint(painter, capsule, capsule.height() / 2, dark);
    painter.setPen(QPen(outline, 1));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    if (hasFocus()) {
        const QRectF ring = capsule.adjusted(1, 1, -1, -1);
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, dark), 1.5));
        painter.drawRoundedRect(ring, ring.height() / 2, ring.height() / 2);
    }

    const qreal centreY = height() / 2.0;
    qreal x = (width() - m.total.width()) / 2 + paddingX;
    const QPixmap icon = Symbols::pixmap(m_symbol, int(symbolSize), tone, devicePixelRatioF(),
                                         Symbols::Weight::Semibold);
    painter.drawPixmap(QPointF(x, centreY - symbolSize / 2), icon);
    x += symbolSize + spacing;

    painter.setPen(tone);
    painter.setFont(TypeStyles::font(TypeStyle::Overline));
    painter.drawText(QRectF(x, centreY - m.title.height() / 2, m.title.width(), m.title.height()),
                     Qt::AlignCenter, text());
    x += m.title.width() + spacing;

    const QRectF keyCap(x, centreY - m.keyCap.height() / 2, m.keyCap.width(), m.keyCap.height());
    QColor keyFill = AppColors::primaryText(palette());
    keyFill.setAlphaF(0.08f);
    QPainterPath keyShape;
    keyShape.addRoundedRect(keyCap, keyCapRadius, keyCapRadius);
    painter.fillPath(keyShape, keyFill);
    painter.setPen(tone);
    painter.setFont(TypeStyles::font(TypeStyle::KeyCap));
    painter.drawText(keyCap, Qt::AlignCenter, m_keyHint);
}
