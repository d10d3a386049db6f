#pragma once

#include "chat/storenotice.h"

#include <QWidget>

class QLabel;
class QPushButton;

// A notice across the top of the chat area about the stored chats: that they could not be
// read (and where the untouched copy is), that they cannot be read at all, or that a change
// could not be saved. It stays until the user dismisses it, or until the problem is solved
// for the kinds that can be; "Try Again" reads the store again once the user has fixed it.
class StoreNoticeBanner : public QWidget
{
    Q_OBJECT

public:
    explicit StoreNoticeBanner(QWidget *parent = nullptr);

    // Shows `notice`; hides the banner for none.
    void setNotice(const StoreNotice &notice);

    // The words for `notice`: a headline and the sentence under it.
    static QString title(const StoreNotice &notice);
    static QString text(const StoreNotice &notice);

    QPushButton *retryButton() const { return m_retry; }
    QPushButton *helpButton() const { return m_help; }
    QPushButton *dismissButton() const { return m_dismiss; }

Q_SIGNALS:
    void retryRequested();
    void dismissRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void restyle();

    QLabel *m_symbol;
    QLabel *m_title;
    QLabel *m_text;
    QPushButton *m_retry;
    QPushButton *m_help;
    QPushButton *m_dismiss;
};
