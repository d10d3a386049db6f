#pragma once

#include <QWidget>

class QLabel;
class QPushButton;

// Shown above the composer while the open conversation is archived: "This chat is archived"
// and a "Restore" button.
class ArchivedBanner : public QWidget
{
    Q_OBJECT

public:
    explicit ArchivedBanner(QWidget *parent = nullptr);

    QPushButton *restoreButton() const { return m_restore; }

Q_SIGNALS:
    void restoreRequested();

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    QLabel *m_symbol;
    QLabel *m_text;
    QPushButton *m_restore;
};
