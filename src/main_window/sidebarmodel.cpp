#include "main_window/sidebarmodel.h"

#include <QHash>
#include <QSet>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// One frame at 60 Hz.
constexpr int tickIntervalMs = 16;

} // namespace

SidebarModel::SidebarModel(QObject *parent)
    : QAbstractListModel(parent)
    , m_spring(Animations::hoverSpring())
{
    m_ticker.setInterval(tickIntervalMs);
    m_ticker.setTimerType(Qt::PreciseTimer);
    connect(&m_ticker, &QTimer::timeout, this, &SidebarModel::tick);
    m_clock.start();
}

int SidebarModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_entries.size());
}

QVariant SidebarModel::data(const QModelIndex &index, int role) const
{
    if (!isRow(index))
        return {};
    const Entry &entry = m_entries.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        if (entry.row.kind == SidebarRow::Kind::Session
            || entry.row.kind == SidebarRow::Kind::Header)
            return entry.row.text;
        return {};
    case KindRole:
        return int(entry.row.kind);
    case SessionIdRole:
        return entry.row.sessionId;
    case PresenceRole:
        return entry.presence;
    case LeavingRole:
        return entry.phase == Phase::Leaving;
    case FirstGroupRole:
        return entry.row.firstGroup;
    default:
        return {};
    }
}

Qt::ItemFlags SidebarModel::flags(const QModelIndex &index) const
{
    if (!isRow(index))
        return Qt::NoItemFlags;
    const Entry &entry = m_entries.at(index.row());
    if (entry.row.kind != SidebarRow::Kind::Session || entry.phase == Phase::Leaving)
        return Qt::NoItemFlags;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsEditable;
}

QHash<int, QByteArray> SidebarModel::roleNames() const
{
    QHash<int, QByteArray> names = QAbstractListModel::roleNames();
    names.insert(KindRole, "kind");
    names.insert(SessionIdRole, "sessionId");
    names.insert(PresenceRole, "presence");
    names.insert(LeavingRole, "leaving");
    names.insert(FirstGroupRole, "firstGroup");
    return names;
}

bool SidebarModel::isRow(const QModelIndex &index) const
{
    return index.isValid() && index.model() == this && !index.parent().isValid()
        && index.row() < m_entries.size() && index.column() == 0;
}

int SidebarModel::rowOfSession(const QUuid &id) const
{
    for (qsizetype i = 0; i < m_entries.size(); ++i) {
        const Entry &entry = m_entries.at(i);
        if (entry.row.kind == SidebarRow::Kind::Session && entry.row.sessionId == id
            && entry.phase != Phase::Leaving)
            return int(i);
    }
    return -1;
}

SidebarModel::Entry SidebarModel::entering(const SidebarRow &row, bool animated) const
{
    if (!animated)
        return {row, Phase::Settled, 0, 1};
    return {row, Phase::Entering, m_clock.elapsed(), 0};
}

void SidebarModel::setRows(const QList<SidebarRow> &rows, bool animated)
{
    QHash<QString, qsizetype> current;
    current.reserve(m_entries.size());
    for (qsizetype i = 0; i < m_entries.size(); ++i)
        current.insert(m_entries.at(i).row.key, i);

    // The rows to show, then those that leave placed after the row they followed.
    QList<Entry> plan;
    plan.reserve(rows.size());
    QSet<QString> keys;
    for (const SidebarRow &row : rows) {
        keys.insert(row.key);
        const auto it = current.constFind(row.key);
        if (it == current.cend()) {
            plan.append(entering(row, animated));
            continue;
        }
        Entry entry = m_entries.at(it.value());
        entry.row = row;
        // A row that comes back while it was leaving grows in again.
        if (entry.phase == Phase::Leaving)
            entry = entering(row, animated);
        else if (!animated)
            entry = {row, Phase::Settled, 0, 1};
        plan.append(entry);
    }
    if (animated) {
        qsizetype after = -1;
        for (const Entry &entry : std::as_const(m_entries)) {
            if (keys.contains(entry.row.key)) {
                after = -1;
                for (qsizetype i = 0; i < plan.size(); ++i) {
                    if (plan.at(i).row.key == entry.row.key) {
                        after = i;
                        break;
                    }
                }
                continue;
            }
            Entry leaving = entry;
            if (leaving.phase != Phase::Leaving) {
                leaving.phase = Phase::Leaving;
                leaving.startMs = m_clock.elapsed();
            }
            plan.insert(after + 1, leaving);
            ++after;
        }
    }

    QSet<QString> planKeys;
    for (const Entry &entry : std::as_const(plan))
        planKeys.insert(entry.row.key);
    removeEntriesNotIn(planKeys);
    if (animated)
        markMovedEntries(plan);
    applyPlan(plan);

    bool moving = false;
    for (const Entry &entry : std::as_const(m_entries))
        moving = moving || entry.phase != Phase::Settled;
    if (moving)
        startTicking();
    else
        m_ticker.stop();
}

void SidebarModel::removeEntriesNotIn(const QSet<QString> &keys)
{
    // From the end, in runs, so that indices ahead stay valid and views get few signals.
    qsizetype i = m_entries.size() - 1;
    while (i >= 0) {
        if (keys.contains(m_entries.at(i).row.key)) {
            --i;
            continue;
        }
        qsizetype first = i;
        while (first > 0 && !keys.contains(m_entries.at(first - 1).row.key))
            --first;
        beginRemoveRows(QModelIndex(), int(first), int(i));
        m_entries.remove(first, i - first + 1);
        endRemoveRows();
        i = first - 1;
    }
}

void SidebarModel::markMovedEntries(QList<Entry> &plan) const
{
    // The rows that keep their order relative to each other are the longest increasing run
    // of target positions; the others moved, and enter at their new place.
    QHash<QString, qsizetype> target;
    for (qsizetype i = 0; i < plan.size(); ++i)
        target.insert(plan.at(i).row.key, i);
    QList<qsizetype> positions;
    positions.reserve(m_entries.size());
    for (const Entry &entry : m_entries)
        positions.append(target.value(entry.row.key));

    // Patience sorting: tails[k] is the index (into positions) of the smallest tail of an
    // increasing run of length k + 1.
    QList<qsizetype> tails;
    QList<qsizetype> previous(positions.size(), -1);
    for (qsizetype i = 0; i < positions.size(); ++i) {
        const auto it = std::lower_bound(
            tails.begin(), tails.end(), positions.at(i),
            [&positions](qsizetype index, qsizetype value) { return positions.at(index) < value; });
        if (it != tails.begin())
            previous[i] = *(it - 1);
        if (it == tails.end())
            tails.append(i);
        else
            *it = i;
    }
    QList<bool> stable(positions.size(), false);
    for (qsizetype i = tails.isEmpty() ? -1 : tails.last(); i != -1; i = previous.at(i))
        stable[i] = true;

    for (qsizetype i = 0; i < positions.size(); ++i) {
        Entry &entry = plan[positions.at(i)];
        if (!stable.at(i) && entry.phase == Phase::Settled) {
            entry.phase = Phase::Entering;
            entry.startMs = m_clock.elapsed();
            entry.presence = 0;
        }
    }
}

qsizetype SidebarModel::indexOfKey(const QString &key, qsizetype from) const
{
    for (qsizetype i = from; i < m_entries.size(); ++i) {
        if (m_entries.at(i).row.key == key)
            return i;
    }
    return -1;
}

void SidebarModel::applyPlan(const QList<Entry> &plan)
{
    // Every row left in m_entries is in the plan; walk the plan and bring each row into
    // place by a move, or insert the run of rows that are new.
    QSet<QString> present;
    present.reserve(m_entries.size());
    for (const Entry &entry : std::as_const(m_entries))
        present.insert(entry.row.key);
    bool heightsChanged = false;
    qsizetype i = 0;
    while (i < plan.size()) {
        const Entry &wanted = plan.at(i);
        if (i < m_entries.size() && m_entries.at(i).row.key == wanted.row.key) {
            Entry &entry = m_entries[i];
            const bool rowChanged = !(entry.row == wanted.row);
            heightsChanged = heightsChanged || entry.row.firstGroup != wanted.row.firstGroup
                || entry.presence != wanted.presence;
            entry = wanted;
            if (rowChanged)
                Q_EMIT dataChanged(index(int(i)), index(int(i)));
            ++i;
            continue;
        }
        const qsizetype from = indexOfKey(wanted.row.key, i + 1);
        if (from != -1) {
            beginMoveRows(QModelIndex(), int(from), int(from), QModelIndex(), int(i));
            m_entries.move(from, i);
            endMoveRows();
            continue;
        }
        qsizetype end = i + 1;
        while (end < plan.size() && !present.contains(plan.at(end).row.key))
            ++end;
        beginInsertRows(QModelIndex(), int(i), int(end - 1));
        for (qsizetype k = i; k < end; ++k)
            m_entries.insert(k, plan.at(k));
        endInsertRows();
        i = end;
    }
    if (heightsChanged)
        Q_EMIT rowHeightsChanged();
}

void SidebarModel::startTicking()
{
    if (!m_ticker.isActive())
        m_ticker.start();
}

void SidebarModel::tick()
{
    const qint64 now = m_clock.elapsed();
    const qreal settle = m_spring.settlingTime();
    bool moving = false;
    for (qsizetype i = m_entries.size() - 1; i >= 0; --i) {
        Entry &entry = m_entries[i];
        if (entry.phase == Phase::Settled)
            continue;
        const qreal seconds = qreal(now - entry.startMs) / 1000.0;
        if (seconds >= settle) {
            if (entry.phase == Phase::Leaving) {
                beginRemoveRows(QModelIndex(), int(i), int(i));
                m_entries.removeAt(i);
                endRemoveRows();
                continue;
            }
            entry.phase = Phase::Settled;
            entry.presence = 1;
            continue;
        }
        const qreal value = m_spring.value(seconds);
        entry.presence = entry.phase == Phase::Entering ? value : 1 - value;
        moving = true;
    }
    if (!moving)
        m_ticker.stop();
    Q_EMIT rowHeightsChanged();
}
