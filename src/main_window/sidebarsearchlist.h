#pragma once

#include "chat/chatsearch.h"

#include <QAbstractItemDelegate>
#include <QAbstractListModel>
#include <QListView>
#include <QUuid>

#include <optional>

// The chats a search in the sidebar found, each with the label of its date group.
class SidebarSearchModel : public QAbstractListModel
{
    Q_OBJECT

public:
    struct Result
    {
        ChatSearchHit hit;
        // "Today", "Yesterday", …: the group the chat would be under in the list.
        QString group;
    };

    using QAbstractListModel::QAbstractListModel;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    // The title is the display text; the accessible text is the title and the snippet, so
    // that a screen reader reads what a sighted user sees.
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;

    void setResults(const QList<Result> &results);
    const Result &result(int row) const { return m_results.at(row); }

private:
    QList<Result> m_results;
};

// Draws a result: the title and the date group on the first line, the text around the
// match below it with the matched words marked, after an "Archived" tag for an archived
// chat. Everything is
// drawn as plain text; titles and snippets are never read as markup.
class SidebarSearchDelegate : public QAbstractItemDelegate
{
    Q_OBJECT

public:
    explicit SidebarSearchDelegate(QObject *parent = nullptr);

    // The open chat, drawn as the list draws its selected row.
    void setSelectedId(std::optional<QUuid> id) { m_selectedId = id; }
    // The row the keys move, and whether it shows the focus ring (the field or the list has
    // the keyboard).
    void setCurrentRow(int row, bool focused);

    static int rowHeight();

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

private:
    std::optional<QUuid> m_selectedId;
    int m_currentRow = -1;
    bool m_focused = false;
};

// The list of results. Up and Down (here or in the search field) move the current row;
// Return or a click opens it; Escape closes the search.
class SidebarSearchList : public QListView
{
    Q_OBJECT

public:
    explicit SidebarSearchList(QWidget *parent = nullptr);

    SidebarSearchModel *searchModel() const { return m_model; }
    SidebarSearchDelegate *searchDelegate() const { return m_delegate; }

    // The current row goes to the first result, or with `keepCurrent` (the same search
    // again) stays on its chat while that is still found.
    void setResults(const QList<SidebarSearchModel::Result> &results, bool keepCurrent = false);
    int currentRow() const { return currentIndex().row(); }
    void moveCurrent(int step);
    // Opens the current row, if any.
    void openCurrent();
    // The field beside the list has the keyboard: the current row shows it.
    void setFieldFocused(bool focused);

Q_SIGNALS:
    void resultOpened(const ChatSearchHit &hit);
    void closeRequested();

protected:
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void focusInEvent(QFocusEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void currentChanged(const QModelIndex &current, const QModelIndex &previous) override;

private:
    void syncCurrent();

    SidebarSearchModel *m_model;
    SidebarSearchDelegate *m_delegate;
    bool m_fieldFocused = false;
};
