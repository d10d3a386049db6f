#include "main_window/composertextedit.h"

#include "widgets/typestyles.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextLayout>

using namespace Qt::StringLiterals;

ComposerTextEdit::ComposerTextEdit(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setFont(TypeStyles::font(TypeStyle::Body));
    setPlaceholderText(tr("Message velm…"));
    setFrameShape(QFrame::NoFrame);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setTabChangesFocus(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    document()->setDocumentMargin(2);
    // The composer's surface shows through.
    setAttribute(Qt::WA_TranslucentBackground);
    viewport()->setAutoFillBackground(false);
    setBackgroundVisible(false);
    setAccessibleName(tr("Message"));

    connect(document(), &QTextDocument::contentsChanged, this, &ComposerTextEdit::updateHeight);
    updateHeight();
}

int ComposerTextEdit::lineCount() const
{
    // Laying out only as far as the limit keeps a long paste from being laid out in full on
    // every key press.
    QAbstractTextDocumentLayout *layout = document()->documentLayout();
    int lines = 0;
    for (QTextBlock block = document()->begin(); block.isValid() && lines <= maximumLines;
         block = block.next()) {
        layout->blockBoundingRect(block);
        const QTextLayout *text = block.layout();
        lines += text && text->lineCount() > 0 ? text->lineCount() : 1;
    }
    return qMax(lines, 1);
}

int ComposerTextEdit::heightForLines(int lines) const
{
    const QMargins margins = contentsMargins();
    const QMargins viewportMargins = this->viewportMargins();
    // Lines are laid out at fractional heights; rounding each would leave the last one
    // a pixel short and bring up the scroll bar.
    return qCeil(lines * QFontMetricsF(font()).lineSpacing() + 2 * document()->documentMargin())
        + margins.top() + margins.bottom() + viewportMargins.top() + viewportMargins.bottom();
}

QSize ComposerTextEdit::sizeHint() const
{
    return {QPlainTextEdit::sizeHint().width(), heightForLines(m_shownLines)};
}

QSize ComposerTextEdit::minimumSizeHint() const
{
    return {QPlainTextEdit::minimumSizeHint().width(), heightForLines(1)};
}

void ComposerTextEdit::updateHeight()
{
    // Compared by height rather than by lines: the font and margins can still change when the
    // field is polished for its window.
    const int lines = lineCount();
    m_shownLines = qBound(1, lines, maximumLines);
    // The bar only for text past the limit, never for a rounding remainder.
    setVerticalScrollBarPolicy(lines > maximumLines ? Qt::ScrollBarAsNeeded
                                                    : Qt::ScrollBarAlwaysOff);
    const int height = heightForLines(m_shownLines);
    if (height == maximumHeight() && height == minimumHeight())
        return;
    setFixedHeight(height);
    updateGeometry();
    ensureCursorVisible();
}

void ComposerTextEdit::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        if (event->modifiers() & (Qt::ShiftModifier | Qt::AltModifier)) {
            // A new paragraph, not the line separator the text edit would insert: the draft
            // must read back as plain "\n".
            textCursor().insertText(u"\n"_s);
            ensureCursorVisible();
        } else {
            Q_EMIT submitted();
        }
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Up && event->modifiers() == Qt::NoModifier
        && document()->isEmpty()) {
        Q_EMIT editLastRequested();
        event->accept();
        return;
    }
    if (event->key() == Qt::Key_Backspace && event->modifiers() == Qt::NoModifier
        && document()->isEmpty()) {
        Q_EMIT removeLastAttachmentRequested();
        event->accept();
        return;
    }
    QPlainTextEdit::keyPressEvent(event);
}

bool ComposerTextEdit::canInsertFromMimeData(const QMimeData *source) const
{
    return AttachmentLoader::offersFiles(*source) || QPlainTextEdit::canInsertFromMimeData(source);
}

void ComposerTextEdit::insertFromMimeData(const QMimeData *source)
{
    const QList<AttachmentLoader::Offered> files = AttachmentLoader::offeredFiles(*source);
    if (files.isEmpty())
        QPlainTextEdit::insertFromMimeData(source);
    else
        Q_EMIT filesOffered(files);
}

void ComposerTextEdit::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    Q_EMIT focusChanged(true);
}

void ComposerTextEdit::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    Q_EMIT focusChanged(false);
}

void ComposerTextEdit::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    // Another width wraps the text into another number of lines.
    updateHeight();
}

void ComposerTextEdit::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        updateHeight();
}

bool ComposerTextEdit::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride
        && static_cast<QKeyEvent *>(event)->matches(QKeySequence::Undo) && document()->isEmpty())
        return false;
    const bool handled = QPlainTextEdit::event(event);
    if (event->type() == QEvent::Polish)
        updateHeight();
    return handled;
}
