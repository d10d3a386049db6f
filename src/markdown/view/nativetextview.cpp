#include "markdown/view/nativetextview.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextDocumentFragment>
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
    setCursor(Qt::IBeamCursor);
    // Focus only by click, so that copying works after selecting while Tab still moves
    // between the controls.
    setFocusPolicy(Qt::ClickFocus);
}

void NativeTextView::setHtml(const QString &html)
{
    if (html == m_html)
        return;
    m_html = html;
    // The old document's positions mean nothing in the new one.
    clearSelection();
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
    if (m_selection.hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = m_selection;
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        context.selections.append(selection);
    }
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

QString NativeTextView::selectedText() const
{
    if (!m_selection.hasSelection())
        return {};
    // QTextCursor marks paragraph ends with U+2029; a copied text wants line feeds.
    return m_selection.selection().toPlainText();
}

void NativeTextView::selectAll()
{
    m_selection = QTextCursor(&m_document);
    m_selection.select(QTextCursor::Document);
    update();
}

void NativeTextView::copySelection() const
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

int NativeTextView::positionAt(const QPointF &point) const
{
    layoutTo(width());
    return m_document.documentLayout()->hitTest(point - contentsRect().topLeft(), Qt::FuzzyHit);
}

void NativeTextView::clearSelection()
{
    if (m_selection.isNull() && !m_selecting)
        return;
    m_selection = QTextCursor();
    m_selecting = false;
    update();
}

void NativeTextView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    m_selection = QTextCursor(&m_document);
    if (position >= 0)
        m_selection.setPosition(position);
    m_selecting = true;
    update();
}

void NativeTextView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    if (position >= 0) {
        m_selection.setPosition(position, QTextCursor::KeepAnchor);
        update();
    }
}

void NativeTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_selecting) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    // X11 and Wayland paste the last selection with the middle button.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_selection.hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void NativeTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    if (position < 0)
        return;
    m_selection = QTextCursor(&m_document);
    m_selection.setPosition(position);
    m_selection.select(QTextCursor::WordUnderCursor);
    m_selecting = false;
    update();
}

void NativeTextView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && m_selection.hasSelection()) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    QWidget::keyPressEvent(event);
}

void NativeTextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &NativeTextView::copySelection);
    copy->setEnabled(m_selection.hasSelection());
    menu.addAction(tr("Select All"), this, &NativeTextView::selectAll);
    menu.exec(event->globalPos());
}

void NativeTextView::focusOutEvent(QFocusEvent *event)
{
    // One selection at a time across an answer's blocks; a context menu keeps it.
    if (event->reason() != Qt::PopupFocusReason)
        clearSelection();
    QWidget::focusOutEvent(event);
}
