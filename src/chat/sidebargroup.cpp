#include "chat/sidebargroup.h"

#include <algorithm>
#include <array>

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

    enum Bucket { Today, Yesterday, PreviousWeek, Older, BucketCount };
    std::array<SidebarGroup, BucketCount> groups{{
        {QStringLiteral("Today"), {}},
        {QStringLiteral("Yesterday"), {}},
        {QStringLiteral("Previous 7 days"), {}},
        {QStringLiteral("Older"), {}},
    }};

    // Calendar dates rather than elapsed hours: 23:59 yesterday is "Yesterday" at 00:01, and
    // a day that is 23 or 25 hours long across a DST switch still counts as one.
    const QDate today = now.toTimeZone(zone).date();
    for (const ChatSession &session : std::as_const(visible)) {
        Bucket bucket = Today;
        const QDate day
            = session.updatedAt.isValid() ? session.updatedAt.toTimeZone(zone).date() : QDate();
        if (day.isValid() && today.isValid()) {
            const qint64 days = day.daysTo(today);
            if (days == 0)
                bucket = Today;
            else if (days == 1)
                bucket = Yesterday;
            else if (days >= 2 && days <= 6)
                bucket = PreviousWeek;
            else
                bucket = Older;
        }
        groups[bucket].sessions.append(session);
    }

    QList<SidebarGroup> result;
    for (SidebarGroup &group : groups) {
        if (!group.sessions.isEmpty())
            result.append(std::move(group));
    }
    return result;
}
