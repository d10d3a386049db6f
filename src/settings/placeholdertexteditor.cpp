#include "settings/placeholdertexteditor.h"

#include "settings/fieldframe.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QTextCursor>

namespace {

constexpr qreal radius = 8;

} // namespace

PlaceholderTextEditor::PlaceholderTextEditor(const QString &placeholder, QWidget *parent)
    : QPlainTextEdit(parent)
{
    setPlaceholderText(placeholder);
    setFrameShape(QFrame::NoFrame);
    setFont(TypeStyles::font(TypeStyle::Label));
    setTabChangesFocus(true);
    document()->setDocumentMargin(8);
    setFixedHeight(96);
    connect(this, &QPlainTextEdit::textChanged, this, [this] {
        if (!m_settingText)
            Q_EMIT textEdited(toPlainText());
    });
    updateColors();
}

void PlaceholderTextEditor::setText(const QString &text)
{
    const QScopedValueRollback guard(m_settingText, true);
    setPlainText(text);
    moveCursor(QTextCursor::End);
}

void PlaceholderTextEditor::changeEvent(QEvent *event)
{
    QPlainTextEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateColors();
}

void PlaceholderTextEditor::focusInEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusInEvent(event);
    viewport()->update();
}

void PlaceholderTextEditor::focusOutEvent(QFocusEvent *event)
{
    QPlainTextEdit::focusOutEvent(event);
    viewport()->update();
}

void PlaceholderTextEditor::updateColors()
{
    if (m_updatingColors)
        return;
    const QScopedValueRollback guard(m_updatingColors, true);
    setPalette(FieldFrame::palette(this));
}

void PlaceholderTextEditor::paintEvent(QPaintEvent *event)
{
    {
        // The rounded field is drawn on the viewport under the text.
        QPainter painter(viewport());
        FieldFrame::paint(&painter, viewport()->rect(), radius, this);
    }
    QPlainTextEdit::paintEvent(event);
}
