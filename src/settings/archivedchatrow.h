#pragma once

#include "chat/chatsession.h"

#include <QDateTime>
#include <QLocale>
#include <QString>
#include <QWidget>

class QLabel;
class QPushButton;

// One archived chat in the Chats tab: its title with the time it was last updated under it,
// then "Open", "Restore" and a trash button that deletes it for good.
class ArchivedChatRow : public QWidget
{
    Q_OBJECT

public:
    explicit ArchivedChatRow(const ChatSession &session, QWidget *parent = nullptr);

    const ChatSession &session() const { return m_session; }

    // "Dec 6, 2026, 9:57 PM" in American English: the locale's long date without the
    // weekday and with the month abbreviated, then its short time, in local time.
    static QString dateText(const QDateTime &date, const QLocale &locale = QLocale());

Q_SIGNALS:
    void openRequested(const QUuid &id);
    void restoreRequested(const QUuid &id);
    void deleteRequested(const QUuid &id);

protected:
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    ChatSession m_session;
    QLabel *m_title = nullptr;
    QLabel *m_date = nullptr;
    QPushButton *m_open = nullptr;
    QPushButton *m_restore = nullptr;
    QPushButton *m_delete = nullptr;
};
