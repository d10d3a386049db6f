#include "main_window/answercaption.h"

#include "chat/answerspeed.h"
#include "widgets/appcolors.h"
#include "widgets/plaintext.h"
#include "widgets/typestyles.h"

#include <QPainter>

using namespace Qt::StringLiterals;

AnswerCaption::AnswerCaption(QWidget *parent)
    : QLabel(parent)
{
    // The model's id comes from the server: never read as markup.
    setTextFormat(Qt::PlainText);
    setFont(TypeStyles::font(TypeStyle::Caption));
    setTextInteractionFlags(Qt::NoTextInteraction);
    hide();
}

void AnswerCaption::showMessage(const ChatMessage &message)
{
    const QString caption = AnswerSpeed::caption(message.model, message.stats);
    if (caption != text()) {
        setText(caption);
        setToolTip(message.model.isEmpty()
                       ? QString()
                       : PlainText::toolTip(tr("Written by %1").arg(message.model)));
        setAccessibleName(caption);
    }
    setVisible(!caption.isEmpty());
}

void AnswerCaption::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(AppColors::secondaryText(palette()));
    painter.setFont(font());
    const QRect area = contentsRect();
    painter.drawText(area, Qt::AlignRight | Qt::AlignVCenter | Qt::TextSingleLine,
                     fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
}
