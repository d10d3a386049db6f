#pragma once

#include "chat/sidebargroup.h"

#include <QList>
#include <QString>
#include <QUuid>

// One line of the sidebar's list: a group's header or a conversation. Rows are matched across
// reloads by `key`, so that a row that stays keeps its place (and its rename field) and only the
// rows that come or go animate.
struct SidebarRow
{
    enum class Kind : quint8 { Header, Session };

    Kind kind = Kind::Session;
    QString key;
    // The upper-case label of a header, or the one-line title of a conversation.
    QString text;
    QUuid sessionId;
    // The first header has no gap above it.
    bool firstGroup = false;

    bool operator==(const SidebarRow &other) const = default;

    // The rows for `groups`; none at all when there are no groups (the
    // empty state shows instead).
    static QList<SidebarRow> fromGroups(const QList<SidebarGroup> &groups);

    // A title as one line: line breaks and tabs become spaces, and a very long title is cut
    // (a first message of many kilobytes would otherwise be measured on every paint).
    static QString oneLine(const QString &title);
};
