#pragma once

#include <QMessageBox>

class QPushButton;

// The confirmation that the model server can wait: velm is not usable without one, so
// leaving step 2 without a working connection is asked about once more.
class SetUpLaterDialog : public QMessageBox
{
    Q_OBJECT

public:
    explicit SetUpLaterDialog(bool dark, QWidget *parent = nullptr);

    QPushButton *continueButton() const { return m_continue; }
    QPushButton *cancelButton() const { return m_cancel; }

Q_SIGNALS:
    // "Continue without LLM" was chosen.
    void continueChosen();

private:
    QPushButton *m_continue;
    QPushButton *m_cancel;
};
