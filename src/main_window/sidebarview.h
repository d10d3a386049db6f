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

// The sidebar column of the main window, 240 wide: the header with New Chat (Ctrl+N) and
// the settings button, and the conversations that are not archived, grouped by age, or the
// empty state. It shows ConversationController's state and calls its operations: a click
// selects, the row menu (right-click or the ellipsis button) renames, archives or deletes,
// and the rename field commits on Return, or on Escape with the title as shown.
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

    explicit SidebarView(ConversationController &controller, QWidget *parent = nullptr);
    ~SidebarView() override;

    // What "today" is for the age groups; the controller's clock in tests. By default the
    // system clock.
    void setClock(Clock clock);

    QAction *newChatAction() const { return m_newChatAction; }
    SidebarHeader *header() const { return m_header; }
    SidebarListView *listView() const { return m_list; }
    SidebarEmptyState *emptyState() const { return m_emptyState; }
    // The field of the conversation being renamed, while it is open.
    SidebarRenameField *renameField() const { return m_renameField; }

    QSize sizeHint() const override;

Q_SIGNALS:
    void settingsRequested();

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    void reload();
    void syncSelection();
    void syncRename();
    void closeRenameField();
    void commitRename(const QUuid &id, const QString &text);
    void showRowMenu(const QUuid &id, const QPoint &globalPos);
    void scheduleMidnightReload();

    ConversationController &m_controller;
    Clock m_clock;
    QAction *m_newChatAction;
    SidebarHeader *m_header;
    SidebarModel *m_model;
    SidebarRowDelegate *m_delegate;
    SidebarListView *m_list;
    SidebarEmptyState *m_emptyState;
    QPointer<SidebarRenameField> m_renameField;
    QPersistentModelIndex m_renameIndex;
    QUuid m_renameId;
    QPointer<QMenu> m_menu;
    // The groups are by calendar day: after midnight "Today" becomes "Yesterday".
    QTimer m_midnight;
};
