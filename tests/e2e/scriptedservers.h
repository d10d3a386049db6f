#pragma once

#include <QList>
#include <QString>
#include <QStringList>

class FakeModelServer;
class FakeSearxngServer;

// What the fake services say in a scripted conversation.
struct SearchHit
{
    QString title;
    QString url;
    QString snippet;
};

// `text` in small pieces, so that the window really streams.
QStringList streamPieces(const QString &text, qsizetype pieceSize = 16);

// The model server offers one model, streams `answer` with a pause between the pieces and
// titles chats `title`.
void serveStreamedAnswer(FakeModelServer &server, const QString &answer, const QString &title,
                         qsizetype pieceSize = 16);

// SearXNG finds `hits`, in this order, for every query.
void serveHits(FakeSearxngServer &server, const QList<SearchHit> &hits);
