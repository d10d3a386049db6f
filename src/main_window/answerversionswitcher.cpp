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
    setAccessibleName(u"Versions"_s);
    m_previous->setAccessibleName(u"Previous version"_s);
    m_previous->setToolTip(u"Previous version"_s);
    m_next->setAccessibleName(u"Next version"_s);
    m_next->setToolTip(u"Next version"_s);
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
    m_label->setText(u"%1 / %2"_s.arg(chosen + 1).arg(count));
    const QString spoken = u"Version %1 of %2"_s.arg(chosen + 1).arg(count);
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
