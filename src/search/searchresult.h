#pragma once

#include <QString>
#include <QUuid>

// One web hit shown as a source under an answer. Stored with the chat, so its fields are
// kept exactly as received.
struct SearchResult
{
    QUuid id;
    QString title;
    QString url;
    QString snippet;

    // A new hit with a fresh id.
    static SearchResult create(QString title, QString url, QString snippet);

    bool operator==(const SearchResult &other) const = default;
};
