#pragma once

#include <QByteArray>
#include <QList>
#include <QString>

// A member of a stored JSON object that this version does not know, such as a key that a
// newer release added to a chat. It is kept as it was read and written back unchanged, so
// that going back one version never loses what a newer one stored.
struct JsonMember
{
    QString key;
    // The value's JSON text exactly as it was read.
    QByteArray json;

    bool operator==(const JsonMember &other) const = default;
};

using JsonMembers = QList<JsonMember>;
