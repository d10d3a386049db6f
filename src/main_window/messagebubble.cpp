#include "main_window/messagebubble.h"

#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QFontMetrics>
#include <QPainter>
#include <QPainterPath>

#include <algorithm>

using namespace Qt::StringLiterals;

MessageBubble::MessageBubble(QWidget *parent)
    : NativeTextView(parent)
{
    setFont(TypeStyles::font(TypeStyle::Body));
    setContentsMargins(horizontalPadding, verticalPadding, horizontalPadding, verticalPadding);
}

void MessageBubble::setText(const QString &text)
{
    if (text == m_text && !html().isEmpty())
        return;
    m_text = text;
    // Escaped, so the user's text is never read as markup; spaces and line breaks kept as
    // typed.
    QString html = text.toHtmlEscaped();
    html.replace(u"  "_s, u" &nbsp;"_s);
    html.replace(u'\n', u"<br>"_s);
    setHtml(html);
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
    NativeTextView::paintEvent(event);
}
