#include "widgets/iconbutton.h"

#include "widgets/appcolors.h"
#include "widgets/keyboardbutton.h"
#include "widgets/symbols.h"

#include <QEvent>
#include <QPainter>

IconButton::IconButton(const QString &symbol, const QString &accessibleName, int side, int iconSide,
                       QWidget *parent)
    : QToolButton(parent)
    , m_symbol(symbol)
{
    setAccessibleName(accessibleName);
    setAutoRaise(true);
    setCursor(Qt::PointingHandCursor);
    setFixedSize(side, side);
    setIconSize({iconSide, iconSide});
    updateIcon();
}

void IconButton::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF bounds = QRectF(rect()).adjusted(1, 1, -1, -1);
    const qreal radius = std::min(bounds.width(), bounds.height()) / 2;
    const bool dark = AppColors::isDark(this);
    if (isDown() || underMouse()) {
        painter.setPen(Qt::NoPen);
        painter.setBrush(dark ? QColor(255, 255, 255, isDown() ? 40 : 24)
                              : QColor(0, 0, 0, isDown() ? 30 : 16));
        painter.drawRoundedRect(bounds, radius, radius);
    }
    if (hasFocus())
        KeyboardButton::paintFocusRing(painter, bounds, radius, this);
    const QIcon::Mode mode = isEnabled() ? QIcon::Normal : QIcon::Disabled;
    const QRect target(
        QPoint((width() - iconSize().width()) / 2, (height() - iconSize().height()) / 2),
        iconSize());
    icon().paint(&painter, target, Qt::AlignCenter, mode);
}

void IconButton::changeEvent(QEvent *event)
{
    QToolButton::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateIcon();
}

void IconButton::updateIcon()
{
    setIcon(Symbols::icon(m_symbol, AppColors::secondaryText(palette()), Symbols::Weight::Medium));
}
