#include "markdown/nativetextview.h"

#include <QAbstractTextDocumentLayout>
#include <QEvent>
#include <QPainter>
#include <QTextOption>

#include <cmath>

using namespace Qt::StringLiterals;

NativeTextView::NativeTextView(QWidget *parent)
    : QWidget(parent)
{
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
    QTextOption option = m_document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document.setDefaultTextOption(option);
    m_document.setDefaultFont(font());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void NativeTextView::setHtml(const QString &html)
{
    if (html == m_html)
        return;
    m_html = html;
    // Proportional line height spreads lines a little, close to the math pages' 1.45.
    m_document.setHtml(u"<p style=\"margin:0; line-height:118%;\">"_s + html + u"</p>"_s);
    m_laidOutWidth = -1;
    updateGeometry();
    update();
}

QString NativeTextView::toPlainText() const
{
    return m_document.toPlainText();
}

void NativeTextView::setTextColor(const QColor &color)
{
    if (color == m_textColor)
        return;
    m_textColor = color;
    update();
}

void NativeTextView::layoutTo(int width) const
{
    const int margins = contentsMargins().left() + contentsMargins().right();
    const int textWidth = std::max(1, width - margins);
    if (textWidth == m_laidOutWidth)
        return;
    m_document.setTextWidth(textWidth);
    m_laidOutWidth = textWidth;
}

int NativeTextView::heightForWidth(int width) const
{
    layoutTo(width);
    return int(std::ceil(m_document.size().height())) + contentsMargins().top()
        + contentsMargins().bottom();
}

QSize NativeTextView::sizeHint() const
{
    const int hintWidth = std::max(width(), 200);
    return {hintWidth, heightForWidth(hintWidth)};
}

QSize NativeTextView::minimumSizeHint() const
{
    return {16, heightForWidth(std::max(width(), 16))};
}

void NativeTextView::paintEvent(QPaintEvent *)
{
    layoutTo(width());
    QPainter painter(this);
    painter.translate(contentsRect().topLeft());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text,
                             m_textColor.isValid() ? m_textColor
                                                   : palette().color(QPalette::WindowText));
    context.clip = QRectF(QPointF(0, 0), QSizeF(contentsRect().size()));
    m_document.documentLayout()->draw(&painter, context);
}

void NativeTextView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_document.setDefaultFont(font());
        m_laidOutWidth = -1;
        updateGeometry();
        update();
    }
}
