#pragma once

#include "chat/chatsession.h"

#include <QDateTime>
#include <QList>
#include <QString>
#include <QTimeZone>

// One titled section of the sidebar.
struct SidebarGroup
{
    QString label;
    QList<ChatSession> sessions;

    bool operator==(const SidebarGroup &other) const = default;
};

// The sessions that are not archived, newest first (ties keep list order), bucketed by how
// many calendar days in `zone` lie between their last activity and `now`: "Today",
// "Yesterday", "Previous 7 days" (2 to 6 days), "Older" (everything else, dates in the
// future included). Empty buckets are left out.
// The label of the group a conversation last active at `updatedAt` falls in (see
// sidebarGroups); "Today" for an invalid date.
QString sidebarGroupLabel(const QDateTime &updatedAt, const QDateTime &now,
                          const QTimeZone &zone = QTimeZone::systemTimeZone());

QList<SidebarGroup> sidebarGroups(const QList<ChatSession> &sessions, const QDateTime &now,
                                  const QTimeZone &zone = QTimeZone::systemTimeZone());
