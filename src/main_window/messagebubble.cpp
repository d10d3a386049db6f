#include "main_window/messagebubble.h"

#include "app/appcolors.h"
#include "app/typestyles.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

MessageBubble::MessageBubble(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
    setWordWrap(true);
    setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    setContextMenuPolicy(Qt::DefaultContextMenu);
    setFont(TypeStyles::font(TypeStyle::Body));
    setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
    setAlignment(Qt::AlignLeft | Qt::AlignTop);
    setCursor(Qt::IBeamCursor);
}

int MessageBubble::naturalWidth() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QStringView line : QStringView(text()).split(u'\n'))
        widest = std::max(widest, metrics.horizontalAdvance(line.toString()));
    // One pixel of slack: text measured to the pixel would wrap its last word.
    return widest + 2 * horizontalPadding + 2;
}

void MessageBubble::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(Qt::NoPen);
        painter.setBrush(AppColors::surface3(AppColors::isDark(this)));
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
    QLabel::paintEvent(event);
}
