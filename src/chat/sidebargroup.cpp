#include "chat/sidebargroup.h"

#include <QCoreApplication>

#include <algorithm>
#include <array>

namespace {

enum Bucket { Today, Yesterday, PreviousWeek, Older, BucketCount };

QString bucketLabel(Bucket bucket)
{
    switch (bucket) {
    case Today:
        return QCoreApplication::translate("SidebarGroup", "Today");
    case Yesterday:
        return QCoreApplication::translate("SidebarGroup", "Yesterday");
    case PreviousWeek:
        return QCoreApplication::translate("SidebarGroup", "Previous 7 days");
    case Older:
    case BucketCount:
        break;
    }
    return QCoreApplication::translate("SidebarGroup", "Older");
}

// Calendar dates rather than elapsed hours: 23:59 yesterday is "Yesterday" at 00:01, and a
// day that is 23 or 25 hours long across a DST switch still counts as one.
Bucket bucketOf(const QDateTime &updatedAt, const QDate &today, const QTimeZone &zone)
{
    const QDate day = updatedAt.isValid() ? updatedAt.toTimeZone(zone).date() : QDate();
    if (!day.isValid() || !today.isValid())
        return Today;
    const qint64 days = day.daysTo(today);
    if (days == 0)
        return Today;
    if (days == 1)
        return Yesterday;
    if (days >= 2 && days <= 6)
        return PreviousWeek;
    return Older;
}

} // namespace

QString sidebarGroupLabel(const QDateTime &updatedAt, const QDateTime &now, const QTimeZone &zone)
{
    return bucketLabel(bucketOf(updatedAt, now.toTimeZone(zone).date(), zone));
}

QList<SidebarGroup> sidebarGroups(const QList<ChatSession> &sessions, const QDateTime &now,
                                  const QTimeZone &zone)
{
    QList<ChatSession> visible;
    visible.reserve(sessions.size());
    std::copy_if(sessions.cbegin(), sessions.cend(), std::back_inserter(visible),
                 [](const ChatSession &session) { return !session.isArchived; });
    std::stable_sort(
        visible.begin(), visible.end(),
        [](const ChatSession &a, const ChatSession &b) { return a.updatedAt > b.updatedAt; });

    std::array<SidebarGroup, BucketCount> groups;
    for (int bucket = 0; bucket < BucketCount; ++bucket)
        groups[bucket].label = bucketLabel(Bucket(bucket));
    const QDate today = now.toTimeZone(zone).date();
    for (const ChatSession &session : std::as_const(visible))
        groups[bucketOf(session.updatedAt, today, zone)].sessions.append(session);

    QList<SidebarGroup> result;
    for (SidebarGroup &group : groups) {
        if (!group.sessions.isEmpty())
            result.append(std::move(group));
    }
    return result;
}
