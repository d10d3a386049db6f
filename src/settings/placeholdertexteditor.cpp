#include "settings/placeholdertexteditor.h"

#include "app/appcolors.h"
#include "app/typestyles.h"

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
    const QPalette window = parentWidget() ? parentWidget()->palette() : palette();
    QPalette own;
    own.setColor(QPalette::Base, Qt::transparent);
    own.setColor(QPalette::PlaceholderText, AppColors::secondaryText(window));
    setPalette(own);
}

void PlaceholderTextEditor::paintEvent(QPaintEvent *event)
{
    {
        // The rounded field is drawn on the viewport under the text.
        const bool dark = AppColors::isDark(this);
        QPainter painter(viewport());
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF rect = QRectF(viewport()->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QColor fill = dark ? QColor(0x15, 0x16, 0x1b) : QColor(0xff, 0xff, 0xff);
        QColor border = AppColors::named(NamedColor::AskDialogStroke, dark);
        qreal borderWidth = 1;
        if (hasFocus()) {
            border = AppColors::named(NamedColor::AskAccent, dark);
            borderWidth = 1.5;
        }
        painter.setPen(QPen(border, borderWidth));
        painter.setBrush(fill);
        painter.drawRoundedRect(rect, radius, radius);
    }
    QPlainTextEdit::paintEvent(event);
}
