#pragma once

#include "main_window/sidebarrow.h"
#include "widgets/animations.h"

#include <QAbstractListModel>
#include <QElapsedTimer>
#include <QList>
#include <QTimer>

// The rows of the sidebar's list. setRows() turns the current rows into new ones with the
// fewest insertions, removals and moves, so views keep their scroll position and open
// editors. When animated, rows that come (or move) grow in and rows that go stay a moment
// longer while they shrink away; presence() tells how far each has got, from 0 (no height)
// to 1 (full height; a little more while the spring overshoots).
class SidebarModel : public QAbstractListModel
{
    Q_OBJECT

public:
    enum Role {
        KindRole = Qt::UserRole + 1,
        SessionIdRole,
        PresenceRole,
        LeavingRole,
        FirstGroupRole,
    };

    explicit SidebarModel(QObject *parent = nullptr);

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;
    QHash<int, QByteArray> roleNames() const override;

    void setRows(const QList<SidebarRow> &rows, bool animated);

    const SidebarRow &row(int row) const { return m_entries.at(row).row; }
    qreal presence(int row) const { return m_entries.at(row).presence; }
    bool isLeaving(int row) const { return m_entries.at(row).phase == Phase::Leaving; }
    // The row of a conversation that is in the list to stay; -1 if there is none.
    int rowOfSession(const QUuid &id) const;
    // Rows are still growing or shrinking.
    bool isAnimating() const { return m_ticker.isActive(); }

Q_SIGNALS:
    // Heights of rows changed without rows being inserted or removed: lay out again.
    void rowHeightsChanged();

private:
    enum class Phase : quint8 { Settled, Entering, Leaving };

    struct Entry
    {
        SidebarRow row;
        Phase phase = Phase::Settled;
        // When the phase began, on m_clock.
        qint64 startMs = 0;
        qreal presence = 1;
    };

    bool isRow(const QModelIndex &index) const;
    Entry entering(const SidebarRow &row, bool animated) const;
    void startTicking();
    void tick();
    void removeEntriesNotIn(const QSet<QString> &keys);
    void markMovedEntries(QList<Entry> &plan) const;
    void applyPlan(const QList<Entry> &plan);
    qsizetype indexOfKey(const QString &key, qsizetype from) const;

    QList<Entry> m_entries;
    QTimer m_ticker;
    QElapsedTimer m_clock;
    DampedSpring m_spring;
};
