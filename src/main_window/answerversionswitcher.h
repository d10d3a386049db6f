#pragma once

#include <QWidget>

class MessageActionButton;
class QLabel;

// "‹ 2 / 2 ›" under an answer that was asked for again: which version shows, and the arrows
// to the one before and after. The arrows are buttons of their own ("Previous version",
// "Next version"), told which version shows, and Left and Right move too while either has the
// focus; the count reads "Version 2 of 2" to a screen reader.
class AnswerVersionSwitcher : public QWidget
{
    Q_OBJECT

public:
    explicit AnswerVersionSwitcher(QWidget *parent = nullptr);

    // Shows version `chosen` (from 0) of `count`.
    void setVersions(qsizetype chosen, qsizetype count);
    qsizetype chosen() const { return m_chosen; }
    qsizetype count() const { return m_count; }

    MessageActionButton *previousButton() const { return m_previous; }
    MessageActionButton *nextButton() const { return m_next; }
    QLabel *countLabel() const { return m_label; }

Q_SIGNALS:
    // The user asked for version `index`.
    void versionRequested(qsizetype index);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void step(int by);

    MessageActionButton *m_previous;
    QLabel *m_label;
    MessageActionButton *m_next;
    qsizetype m_chosen = 0;
    qsizetype m_count = 0;
};
