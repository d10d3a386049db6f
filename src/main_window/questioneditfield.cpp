#include "main_window/questioneditfield.h"

#include "main_window/composertextedit.h"
#include "main_window/messageactionbutton.h"
#include "main_window/messagebubble.h"
#include "widgets/appcolors.h"

#include <QBoxLayout>
#include <QKeyEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

QuestionEditField::QuestionEditField(const QString &text, QWidget *parent)
    : QWidget(parent)
    , m_textEdit(new ComposerTextEdit(this))
    , m_cancel(new MessageActionButton(QString(), tr("Cancel"), this))
    , m_send(new MessageActionButton(u"arrow.up"_s, tr("Send"), this))
{
    m_textEdit->setPlaceholderText(QString());
    m_textEdit->setAccessibleName(tr("Edit message"));
    m_textEdit->setPlainText(text);
    m_textEdit->moveCursor(QTextCursor::End);
    m_textEdit->installEventFilter(this);
    m_cancel->setToolTip(tr("Cancel (Escape)"));
    m_send->setToolTip(tr("Send (Return)"));
    setFocusProxy(m_textEdit);

    auto *buttons = new QHBoxLayout;
    buttons->setContentsMargins({});
    buttons->addStretch(1);
    buttons->addWidget(m_cancel);
    buttons->addWidget(m_send);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(MessageBubble::horizontalPadding - 2,
                               MessageBubble::verticalPadding - 2,
                               MessageBubble::horizontalPadding - 8, 6);
    layout->setSpacing(4);
    layout->addWidget(m_textEdit);
    layout->addLayout(buttons);

    connect(m_textEdit, &ComposerTextEdit::submitted, this,
            [this] { Q_EMIT submitted(this->text()); });
    connect(m_send, &QAbstractButton::clicked, this, [this] { Q_EMIT submitted(this->text()); });
    connect(m_cancel, &QAbstractButton::clicked, this, &QuestionEditField::cancelled);
}

QString QuestionEditField::text() const
{
    return m_textEdit->toPlainText();
}

void QuestionEditField::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 1.5));
    painter.setBrush(AppColors::surface3(AppColors::isDark(this)));
    painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75),
                            MessageBubble::cornerRadius, MessageBubble::cornerRadius);
}

bool QuestionEditField::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    // Not in a layout of its row: the row learns of a new height from here.
    if (event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return handled;
}

bool QuestionEditField::eventFilter(QObject *watched, QEvent *event)
{
    const bool key = event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride;
    if (watched == m_textEdit && key && static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape) {
        // Claimed before any shortcut of the window: here Escape leaves the edit alone.
        event->accept();
        if (event->type() == QEvent::KeyPress)
            Q_EMIT cancelled();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
