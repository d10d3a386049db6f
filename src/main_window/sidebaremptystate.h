#pragma once

#include <QWidget>

// What the sidebar shows when no conversation is left to list: a symbol, "No chats yet"
// and a line saying where new ones appear; or, given its own words, what a search that found
// nothing shows. It lets the pointer through to the list below.
class SidebarEmptyState : public QWidget
{
    Q_OBJECT

public:
    explicit SidebarEmptyState(QWidget *parent = nullptr);
    SidebarEmptyState(const QString &title, const QString &detail, const QString &symbol,
                      QWidget *parent = nullptr);

    static QString title();
    static QString detail();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QString m_title;
    QString m_detail;
    QString m_symbol;
};
