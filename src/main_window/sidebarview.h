#pragma once

#include <QDateTime>
#include <QPersistentModelIndex>
#include <QPointer>
#include <QTimer>
#include <QUuid>
#include <QWidget>

#include <functional>
#include <optional>

class ConversationController;
class QAction;
class QMenu;
class SidebarEmptyState;
class SidebarHeader;
class SidebarListView;
class SidebarModel;
class SidebarRenameField;
class SidebarRowDelegate;
class SidebarSearchField;
class SidebarSearchList;
class QStackedLayout;
struct ChatSearchHit;

// The sidebar column of the main window, 240 wide: the header with New Chat (Ctrl+N) and
// the settings button, and the conversations that are not archived, grouped by age, or the
// empty state. It shows ConversationController's state and calls its operations: a click
// selects, the row menu (right-click or the ellipsis button) renames, archives or deletes,
// and the rename field commits on Return, or on Escape with the title as shown.
//
// Under the header, the "Search chats" field searches every conversation, archived ones
// too: 120 ms after the last key the list gives way to the results, which Up, Down and
// Return in the field (or a click) open through the controller; searchResultOpened() then
// tells which message matched. Escape, or an empty field, brings the list back.
//
// Embedding: put it in the window's leading column at its fixed width. Add
// newChatAction() to the window too, so that Ctrl+N also works while the sidebar is
// collapsed. Connect settingsRequested() to whatever opens the settings window. It paints
// its own translucent background and the divider along its trailing edge, so the window's
// background should be behind it; set the window's palette (AppColors::palette) and it
// follows.
class SidebarView : public QWidget
{
    Q_OBJECT

public:
    using Clock = std::function<QDateTime()>;

    static constexpr int columnWidth = 240;
    static constexpr int searchDelayMs = 120;
    static constexpr int searchLimit = 50;

    explicit SidebarView(ConversationController &controller, QWidget *parent = nullptr);
    ~SidebarView() override;

    // What "today" is for the age groups; the controller's clock in tests. By default the
    // system clock.
    void setClock(Clock clock);

    QAction *newChatAction() const { return m_newChatAction; }
    SidebarHeader *header() const { return m_header; }
    SidebarListView *listView() const { return m_list; }
    SidebarEmptyState *emptyState() const { return m_emptyState; }
    SidebarSearchField *searchField() const { return m_searchField; }
    SidebarSearchList *searchList() const { return m_searchList; }
    SidebarEmptyState *searchEmptyState() const { return m_searchEmpty; }
    // The results show instead of the list.
    bool isSearching() const;
    // Puts the keyboard in the search field, its text selected; once shown if hidden now.
    void focusSearch();
    // Empties the field and brings the list back; the composer takes the keyboard.
    void closeSearch();
    // The field of the conversation being renamed, while it is open.
    SidebarRenameField *renameField() const { return m_renameField; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void settingsRequested();
    // A search result was opened; `messageId` is the message that matched, null when only
    // the title did.
    void searchResultOpened(const QUuid &chatId, const QUuid &messageId);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void reload();
    void syncSelection();
    void syncRename();
    void closeRenameField();
    void commitRename(const QUuid &id, const QString &text);
    void showRowMenu(const QUuid &id, const QPoint &globalPos);
    void scheduleMidnightReload();
    void onSearchTextChanged(const QString &text);
    void runSearch();
    void openSearchResult(const ChatSearchHit &hit);

    ConversationController &m_controller;
    Clock m_clock;
    QAction *m_newChatAction;
    SidebarHeader *m_header;
    SidebarModel *m_model;
    SidebarRowDelegate *m_delegate;
    SidebarListView *m_list;
    SidebarEmptyState *m_emptyState;
    SidebarSearchField *m_searchField;
    SidebarSearchList *m_searchList;
    SidebarEmptyState *m_searchEmpty;
    QStackedLayout *m_pages;
    QTimer m_searchDelay;
    // The query the results show, to tell a new search from the same one run again.
    QString m_lastQuery;
    bool m_focusSearchWhenShown = false;
    QPointer<SidebarRenameField> m_renameField;
    QPersistentModelIndex m_renameIndex;
    QUuid m_renameId;
    QPointer<QMenu> m_menu;
    // The groups are by calendar day: after midnight "Today" becomes "Yesterday".
    QTimer m_midnight;
};
