#pragma once

#include <QWidget>

class ConversationController;
class MessageActionButton;
class QLabel;

// "Question edited · Undo" under the composer while an edit can be undone (for the
// controller's undoDuration): the button, or Ctrl+Z, stops the answer the edit started and
// brings the conversation back as it was.
class UndoNote : public QWidget
{
    Q_OBJECT

public:
    explicit UndoNote(ConversationController &controller, QWidget *parent = nullptr);

    MessageActionButton *undoButton() const { return m_undo; }

private:
    void showState();

    ConversationController &m_controller;
    QLabel *m_label;
    MessageActionButton *m_undo;
};
