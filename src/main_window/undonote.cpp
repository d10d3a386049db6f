#include "main_window/undonote.h"

#include "chat/conversationcontroller.h"
#include "main_window/messageactionbutton.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>

using namespace Qt::StringLiterals;

UndoNote::UndoNote(ConversationController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_label(new QLabel(tr("Question edited, later messages removed."), this))
    , m_undo(new MessageActionButton(u"arrow.uturn.backward"_s, tr("Undo"), this))
{
    setAccessibleName(tr("Edit"));
    m_label->setTextFormat(Qt::PlainText);
    m_label->setFont(TypeStyles::face(u"Inter18pt-Medium", 11));
    QPalette colors = m_label->palette();
    colors.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_label->setPalette(colors);
    m_undo->setToolTip(
        //: %1 is the key that undoes, as "Ctrl+Z"
        tr("Undo (%1)").arg(QKeySequence(QKeySequence::Undo).toString(QKeySequence::NativeText)));

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 4, 0, 0);
    layout->setSpacing(4);
    layout->addStretch(1);
    layout->addWidget(m_label);
    layout->addWidget(m_undo);
    layout->addStretch(1);

    // An empty composer lets Ctrl+Z through to here.
    auto *shortcut = new QShortcut(QKeySequence::Undo, this);
    shortcut->setContext(Qt::WindowShortcut);
    connect(shortcut, &QShortcut::activated, &controller, &ConversationController::undoEdit);
    connect(m_undo, &QAbstractButton::clicked, &controller, &ConversationController::undoEdit);
    connect(&controller, &ConversationController::canUndoEditChanged, this, &UndoNote::showState);
    showState();
}

void UndoNote::showState()
{
    setVisible(m_controller.canUndoEdit());
}
