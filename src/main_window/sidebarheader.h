#pragma once

#include <QWidget>

class QAction;
class SidebarGlassButton;

// The top of the sidebar: the New Chat button, which triggers `newChatAction` (so its
// Ctrl+N works wherever the window adds the action), and the settings button, over a thin
// rule.
class SidebarHeader : public QWidget
{
    Q_OBJECT

public:
    explicit SidebarHeader(QAction *newChatAction, QWidget *parent = nullptr);

    SidebarGlassButton *newChatButton() const { return m_newChat; }
    SidebarGlassButton *settingsButton() const { return m_settings; }

Q_SIGNALS:
    void settingsRequested();

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    SidebarGlassButton *m_newChat;
    SidebarGlassButton *m_settings;
};
