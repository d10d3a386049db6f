#pragma once

#include <QListView>
#include <QUuid>

#include <optional>

class SidebarModel;
class SidebarRowDelegate;

// The scrolling list of the sidebar. It does not use the item view's own selection: it
// tells which conversation was clicked, tracks the row under the pointer for the hover look
// and the ellipsis button, and asks for the row menu from a right-click or the button.
//
// Tab reaches it (a click leaves the keyboard where it was): Up and Down, Home and End move
// a ring from chat to chat over the date headers, Return or Space opens the chat, and the
// Menu key or Shift+F10 opens its row menu.
class SidebarListView : public QListView
{
    Q_OBJECT
    Q_PROPERTY(qreal hoverProgress READ hoverProgress WRITE setHoverProgress)

public:
    SidebarListView(SidebarModel *model, SidebarRowDelegate *delegate, QWidget *parent = nullptr);

    SidebarModel *sidebarModel() const { return m_model; }
    std::optional<QUuid> hoveredId() const { return m_hoveredId; }
    qreal hoverProgress() const { return m_hoverProgress; }
    void setHoverProgress(qreal progress);

    // Rows that cannot take the pointer now (the one being renamed).
    void setRenamingId(std::optional<QUuid> id);

    // The rectangle of a conversation's row and of its ellipsis button, in viewport
    // coordinates; empty when the conversation has no row.
    QRect rowRect(const QUuid &id) const;
    QRect ellipsisRect(const QUuid &id) const;

    // Looks again at what is under the pointer (after a menu closed, or rows moved).
    void refreshHover();

Q_SIGNALS:
    void sessionClicked(const QUuid &id);
    // The row menu of `id`, to be shown at `globalPos`.
    void menuRequested(const QUuid &id, const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    void scrollContentsBy(int dx, int dy) override;
    void keyPressEvent(QKeyEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;

private:
    // The conversation whose row is at `pos`, unless it is leaving or being renamed.
    std::optional<QUuid> sessionAt(const QPoint &pos) const;
    void updateHover(const QPoint &pos);
    void clearHover();
    void relayout();
    // The next chat's row from `row` in `step` (+1 or -1), or -1 when there is none.
    int sessionRowFrom(int row, int step) const;
    void setKeyboardRow(int row);

    SidebarModel *m_model;
    SidebarRowDelegate *m_delegate;
    std::optional<QUuid> m_hoveredId;
    std::optional<QUuid> m_renamingId;
    qreal m_hoverProgress = 0;
    bool m_hoverOnButton = false;
};
