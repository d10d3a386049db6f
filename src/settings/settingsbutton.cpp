#include "settings/settingsbutton.h"

#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/typestyles.h"

#include <QPainter>

namespace {

constexpr int paddingX = 14;
constexpr int buttonHeight = 28;

} // namespace

SettingsButton::SettingsButton(const QString &text, QWidget *parent)
    : QPushButton(text, parent)
    , m_hover(new HoverAnimation(this, Animations::quickEase()))
{
    setFont(TypeStyles::font(TypeStyle::Label));
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    PressableButtonStyle::apply(this, 0.97, 0.85);
}

void SettingsButton::setDestructive(bool destructive)
{
    m_destructive = destructive;
    update();
}

QColor SettingsButton::destructiveColor(bool dark)
{
    return dark ? QColor(0xff, 0x6b, 0x61) : QColor(0xd7, 0x26, 0x1e);
}

QSize SettingsButton::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return {textWidth + 2 * paddingX, buttonHeight};
}

void SettingsButton::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    if (!isEnabled())
        painter.setOpacity(0.5);

    const QRectF rect = QRectF(this->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = rect.height() / 2;
    QColor fill = m_destructive ? destructiveColor(dark) : AppColors::surface3(dark);
    if (m_destructive)
        fill.setAlphaF(dark ? 0.16f : 0.1f);
    painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    if (m_hover->progress() > 0 && isEnabled()) {
        QColor hover = AppColors::named(NamedColor::AskBgHover, dark);
        hover.setAlphaF(hover.alphaF() * float(m_hover->bounded()) * 1.6f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hover);
        painter.drawRoundedRect(rect, radius, radius);
    }
    if (hasFocus()) {
        QColor ring = AppColors::named(NamedColor::AskAccent, dark);
        ring.setAlphaF(0.55f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(rect, radius, radius);
    }

    painter.setPen(m_destructive ? destructiveColor(dark) : AppColors::primaryText(palette()));
    painter.setFont(font());
    painter.drawText(rect, Qt::AlignCenter, text());
}
