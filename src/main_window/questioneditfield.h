#pragma once

#include <QWidget>

class ComposerTextEdit;
class MessageActionButton;

// A question of the user edited in place of its bubble: the text in a field that grows like
// the composer's, and "Cancel" and "Send" under it. Return sends, Shift+Return starts a new
// line, Escape cancels.
class QuestionEditField : public QWidget
{
    Q_OBJECT

public:
    explicit QuestionEditField(const QString &text, QWidget *parent = nullptr);

    QString text() const;
    ComposerTextEdit *textEdit() const { return m_textEdit; }
    MessageActionButton *sendButton() const { return m_send; }
    MessageActionButton *cancelButton() const { return m_cancel; }

Q_SIGNALS:
    void submitted(const QString &text);
    void cancelled();

protected:
    void paintEvent(QPaintEvent *event) override;
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    ComposerTextEdit *m_textEdit;
    MessageActionButton *m_cancel;
    MessageActionButton *m_send;
};
