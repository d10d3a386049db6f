#pragma once

#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

#include <utility>

using FormItems = QList<std::pair<QString, QString>>;

// The items of an encoded query read the way a search service reads them: "+" is a blank,
// "%XX" a byte. QUrlQuery would smooth over what the service really receives.
inline FormItems formItems(const QByteArray &encodedQuery)
{
    FormItems items;
    for (const QByteArray &pair : encodedQuery.split('&')) {
        const auto decode
            = [](QByteArray text) { return QUrl::fromPercentEncoding(text.replace('+', ' ')); };
        const qsizetype equals = pair.indexOf('=');
        if (!pair.isEmpty())
            items.append({decode(pair.left(equals)), decode(pair.mid(equals + 1))});
    }
    return items;
}
