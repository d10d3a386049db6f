#pragma once

#include <QList>
#include <QWidget>

class AppEvents;
class AppearanceSettingsTab;
class ChatList;
class ChatManagementTab;
class GeneralSettingsTab;
class ModelSettingsTab;
class QNetworkAccessManager;
class QScrollArea;
class QVBoxLayout;
class Settings;
class SettingsTabBar;
class WebSearchSettingsTab;

// The content of the settings window: the tab strip over the current tab's page. The view is
// 540 wide; its height follows the current page, up to what the screen can show, beyond
// which the page scrolls.
class SettingsView : public QWidget
{
    Q_OBJECT

public:
    enum Tab { General, Appearance, WebSearch, Model, Chats };

    static constexpr int contentWidth = 540;

    SettingsView(Settings &settings, AppEvents &events, ChatList &chats,
                 QNetworkAccessManager &network, QWidget *parent = nullptr);

    SettingsTabBar *tabBar() const { return m_tabBar; }
    int currentIndex() const;
    void setCurrentIndex(int index);
    QWidget *page(int index) const { return m_pages.value(index); }
    QWidget *currentPage() const { return page(currentIndex()); }

    GeneralSettingsTab *generalTab() const { return m_general; }
    AppearanceSettingsTab *appearanceTab() const { return m_appearance; }
    WebSearchSettingsTab *webSearchTab() const { return m_webSearch; }
    ModelSettingsTab *modelTab() const { return m_model; }
    ChatManagementTab *chatsTab() const { return m_chats; }

    // Drops the connection tests' results and stops a test still running, as leaving a tab
    // or closing the window does.
    void forgetTestResults();

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    void showPage(int index);
    int pagesHeight() const;

    SettingsTabBar *m_tabBar = nullptr;
    QScrollArea *m_scroll = nullptr;
    QWidget *m_pagesContainer = nullptr;
    QVBoxLayout *m_pagesLayout = nullptr;
    QList<QWidget *> m_pages;
    GeneralSettingsTab *m_general = nullptr;
    AppearanceSettingsTab *m_appearance = nullptr;
    WebSearchSettingsTab *m_webSearch = nullptr;
    ModelSettingsTab *m_model = nullptr;
    ChatManagementTab *m_chats = nullptr;
};
