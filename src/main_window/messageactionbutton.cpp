#include "main_window/messageactionbutton.h"

#include "widgets/appcolors.h"
#include "widgets/keyboardbutton.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 11;
constexpr int symbolGap = 4;
constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 4;
constexpr qreal cornerRadius = 6;

} // namespace

MessageActionButton::MessageActionButton(const QString &symbol, const QString &text,
                                         QWidget *parent)
    : QAbstractButton(parent)
    , m_symbol(symbol)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(TypeStyles::face(u"Inter18pt-Medium", 11));
    setText(text);
    setAccessibleName(text);
    KeyboardButton::install(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void MessageActionButton::setRevealed(bool revealed)
{
    if (revealed == m_revealed)
        return;
    m_revealed = revealed;
    update();
}

QSize MessageActionButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int symbol = m_symbol.isEmpty() ? 0 : symbolSize + symbolGap;
    return {horizontalPadding * 2 + symbol + metrics.horizontalAdvance(text()),
            verticalPadding * 2 + std::max(symbolSize, metrics.height())};
}

void MessageActionButton::paintEvent(QPaintEvent *)
{
    if (!m_revealed && !hasFocus())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.4);
    if (isEnabled() && (m_hovered || isDown())) {
        QColor fill = AppColors::primaryText(palette());
        fill.setAlphaF(isDown() ? 0.10f : 0.06f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
    if (hasFocus())
        KeyboardButton::paintFocusRing(painter, QRectF(rect()), cornerRadius, this);
    const QColor color = m_hovered && isEnabled() ? AppColors::primaryText(palette())
                                                  : AppColors::secondaryText(palette());
    QRect content = rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    if (!m_symbol.isEmpty()) {
        painter.drawPixmap(content.left(), (height() - symbolSize) / 2,
                           Symbols::pixmap(m_symbol, symbolSize, color, devicePixelRatioF(),
                                           Symbols::Weight::Medium));
        content.adjust(symbolSize + symbolGap, 0, 0, 0);
    }
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(content, Qt::AlignLeft | Qt::AlignVCenter, text());
}

void MessageActionButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void MessageActionButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
