#pragma once

#include "main_window/chatviewstate.h"

#include <QWidget>

class ComposerView;
class ConversationController;
class MessageListView;
class NewChatView;
class QStackedWidget;
class QVariantAnimation;
class Settings;
class SidebarView;
class StoreNoticeBanner;
class SystemAppearance;
class ToolbarBand;

// The chat workspace of the main window: the collapsible sidebar beside the detail area,
// which shows the new-chat screen or the open conversation, with the one composer moved
// between them. It draws in the scheme "appTheme" asks for and follows the system where
// that is "system". It owns the state its views share about how the chat is shown.
class ContentView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(int sidebarWidth READ sidebarWidth WRITE setSidebarWidth)

public:
    ContentView(ConversationController &controller, Settings &settings,
                SystemAppearance &appearance, QWidget *parent = nullptr);

    ChatViewState &viewState() { return m_viewState; }

    SidebarView *sidebar() const { return m_sidebar; }
    NewChatView *newChatView() const { return m_newChat; }
    MessageListView *messageList() const { return m_messages; }
    ComposerView *composer() const { return m_composer; }
    StoreNoticeBanner *storeNotice() const { return m_storeNotice; }
    // The sidebar toggle, for the window's menus.
    QAction *toggleSidebarAction() const { return m_toggleSidebar; }
    // Ctrl+K: the sidebar's search field takes the keyboard, the sidebar opening if needed.
    QAction *searchChatsAction() const { return m_searchChats; }

    int sidebarWidth() const;
    void setSidebarWidth(int width);

Q_SIGNALS:
    // The settings button in the sidebar.
    void settingsRequested();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool focusNextPrevChild(bool next) override;

private:
    void applyScheme();
    void showSidebarItem();
    void showColumns();
    void showToolbarBand();
    // After onboarding the window returns once to its default size, centred.
    void restoreDefaultSizeIfAsked();
    void searchChats();
    // F6 and Shift+F6: the keyboard to the next or previous of the sidebar, the
    // conversation and the composer, passing over those not shown.
    void moveToRegion(int step);
    // The keyboard's stops as they stand on screen: the toolbar, the sidebar, then the page
    // from top to bottom, the conversation's messages in their order.
    QList<QWidget *> tabStops(QWidget *current, qsizetype *currentAt) const;

    ConversationController &m_controller;
    Settings &m_settings;
    SystemAppearance &m_appearance;
    ChatViewState m_viewState;
    SidebarView *m_sidebar;
    QWidget *m_sidebarColumn;
    ToolbarBand *m_toolbar;
    StoreNoticeBanner *m_storeNotice;
    QStackedWidget *m_pages;
    NewChatView *m_newChat;
    QWidget *m_conversationPage;
    MessageListView *m_messages;
    ComposerView *m_composer;
    QAction *m_toggleSidebar;
    QAction *m_searchChats;
    bool m_dark = true;
    bool m_shownBefore = false;
    bool m_focusComposerOnActivation = false;
};
