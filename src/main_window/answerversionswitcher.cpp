#include "main_window/answerversionswitcher.h"

#include "main_window/messageactionbutton.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>

using namespace Qt::StringLiterals;

AnswerVersionSwitcher::AnswerVersionSwitcher(QWidget *parent)
    : QWidget(parent)
    , m_previous(new MessageActionButton(QString(), u"‹"_s, this))
    , m_label(new QLabel(this))
    , m_next(new MessageActionButton(QString(), u"›"_s, this))
{
    setAccessibleName(tr("Versions"));
    m_previous->setAccessibleName(tr("Previous version"));
    m_previous->setToolTip(tr("Previous version"));
    m_next->setAccessibleName(tr("Next version"));
    m_next->setToolTip(tr("Next version"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(TypeStyles::face(u"Inter18pt-Medium", 11));
    QPalette colors = m_label->palette();
    colors.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_label->setPalette(colors);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins({});
    layout->setSpacing(0);
    layout->addWidget(m_previous);
    layout->addWidget(m_label);
    layout->addWidget(m_next);

    connect(m_previous, &QAbstractButton::clicked, this, [this] { step(-1); });
    connect(m_next, &QAbstractButton::clicked, this, [this] { step(1); });
    m_previous->installEventFilter(this);
    m_next->installEventFilter(this);
}

void AnswerVersionSwitcher::setVersions(qsizetype chosen, qsizetype count)
{
    m_chosen = chosen;
    m_count = count;
    //: The answer shown of all the answers to a question, as "2 / 3"
    m_label->setText(tr("%1 / %2").arg(chosen + 1).arg(count));
    //: Read by screen readers for the answer shown, as "Version 2 of 3"
    const QString spoken = tr("Version %1 of %2").arg(chosen + 1).arg(count);
    m_label->setAccessibleName(spoken);
    m_previous->setAccessibleDescription(spoken);
    m_next->setAccessibleDescription(spoken);
    const bool atFirst = chosen <= 0;
    const bool atLast = chosen >= count - 1;
    // The arrow that reached the end hands the focus to the other one, rather than to
    // whatever comes next in the window.
    if (atFirst && m_previous->hasFocus())
        m_next->setFocus(Qt::OtherFocusReason);
    else if (atLast && m_next->hasFocus())
        m_previous->setFocus(Qt::OtherFocusReason);
    m_previous->setEnabled(!atFirst);
    m_next->setEnabled(!atLast);
}

bool AnswerVersionSwitcher::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent *>(event)->key();
        if (key == Qt::Key_Left || key == Qt::Key_Right) {
            step(key == Qt::Key_Left ? -1 : 1);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void AnswerVersionSwitcher::step(int by)
{
    const qsizetype index = m_chosen + by;
    if (index >= 0 && index < m_count)
        Q_EMIT versionRequested(index);
}
