#include "quickask/askinputfield.h"

#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QAbstractTextDocumentLayout>
#include <QKeyEvent>
#include <QTextBlock>
#include <QTextLayout>

#include <algorithm>
#include <cmath>

AskInputField::AskInputField(QWidget *parent)
    : QPlainTextEdit(parent)
{
    setFrameShape(QFrame::NoFrame);
    setFont(TypeStyles::font(TypeStyle::StatusTitle));
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setLineWrapMode(QPlainTextEdit::WidgetWidth);
    setTabChangesFocus(true);
    setBackgroundVisible(false);
    viewport()->setAutoFillBackground(false);
    setAttribute(Qt::WA_TranslucentBackground);
    document()->setDocumentMargin(0);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    applyColors();
    connect(document(), &QTextDocument::contentsChanged, this, [this] {
        const int lines = visualLineCount();
        if (lines != m_lastLineCount) {
            m_lastLineCount = lines;
            updateGeometry();
        }
    });
}

int AskInputField::visualLineCount() const
{
    int lines = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        const QTextLayout *layout = block.layout();
        lines += layout && layout->lineCount() > 0 ? layout->lineCount() : 1;
    }
    return std::max(lines, 1);
}

int AskInputField::heightForLines(int lines) const
{
    const qreal lineHeight = QFontMetricsF(font()).lineSpacing();
    const QMargins margins = contentsMargins();
    return int(std::ceil(lines * lineHeight)) + margins.top() + margins.bottom();
}

QSize AskInputField::sizeHint() const
{
    const int lines = std::clamp(visualLineCount(), 1, maximumVisibleLines);
    return {QPlainTextEdit::sizeHint().width(), heightForLines(lines)};
}

QSize AskInputField::minimumSizeHint() const
{
    return {0, heightForLines(1)};
}

void AskInputField::keyPressEvent(QKeyEvent *event)
{
    const bool isReturn = event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter;
    if (isReturn && !(event->modifiers() & Qt::ShiftModifier)) {
        event->accept();
        Q_EMIT submitted();
        return;
    }
    if (isReturn) {
        // Shift would otherwise make a line separator rather than a new paragraph.
        insertPlainText(QStringLiteral("\n"));
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

bool AskInputField::canInsertFromMimeData(const QMimeData *source) const
{
    return AttachmentLoader::offersFiles(*source) || QPlainTextEdit::canInsertFromMimeData(source);
}

void AskInputField::insertFromMimeData(const QMimeData *source)
{
    const QList<AttachmentLoader::Offered> files = AttachmentLoader::offeredFiles(*source);
    if (files.isEmpty())
        QPlainTextEdit::insertFromMimeData(source);
    else
        Q_EMIT filesOffered(files);
}

void AskInputField::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void AskInputField::resizeEvent(QResizeEvent *event)
{
    QPlainTextEdit::resizeEvent(event);
    // Rewrapping at a new width can change the number of lines.
    const int lines = visualLineCount();
    if (lines != m_lastLineCount) {
        m_lastLineCount = lines;
        updateGeometry();
    }
}

void AskInputField::applyColors()
{
    QPalette colours = palette();
    const QColor secondary = AppColors::secondaryText(colours);
    const QColor primary = AppColors::primaryText(colours);
    // Setting the palette raises another change; stop once it holds what it should.
    if (colours.color(QPalette::PlaceholderText) == secondary
        && colours.color(QPalette::Text) == primary
        && colours.color(QPalette::Base) == QColor(Qt::transparent))
        return;
    colours.setColor(QPalette::PlaceholderText, secondary);
    colours.setColor(QPalette::Base, Qt::transparent);
    colours.setColor(QPalette::Text, primary);
    setPalette(colours);
}
