#pragma once

#include <QWidget>

// What the sidebar shows when no conversation is left to list: a symbol, "No chats yet"
// and a line saying where new ones appear. It lets the pointer through to the list below.
class SidebarEmptyState : public QWidget
{
    Q_OBJECT

public:
    explicit SidebarEmptyState(QWidget *parent = nullptr);

    static QString title();
    static QString detail();

protected:
    void paintEvent(QPaintEvent *event) override;
};
