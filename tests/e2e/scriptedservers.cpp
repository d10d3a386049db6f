#include "e2e/scriptedservers.h"

#include "support/fakemodelserver.h"
#include "support/fakesearxngserver.h"

#include <QJsonArray>

using namespace Qt::StringLiterals;

QStringList streamPieces(const QString &text, qsizetype pieceSize)
{
    QStringList result;
    for (qsizetype at = 0; at < text.size(); at += pieceSize)
        result.append(text.mid(at, pieceSize));
    return result;
}

void serveStreamedAnswer(FakeModelServer &server, const QString &answer, const QString &title,
                         qsizetype pieceSize)
{
    server.setModels({u"e2e-model"_s});
    FakeResponse stream
        = FakeResponse::eventStream(FakeModelServer::streamBody(streamPieces(answer, pieceSize)));
    stream.delayBetweenPiecesMs = 15;
    server.setStreamResponse(stream);
    server.setCompletion(title);
}

void serveHits(FakeSearxngServer &server, const QList<SearchHit> &hits)
{
    QJsonArray results;
    for (const SearchHit &hit : hits)
        results.append(FakeSearxngServer::result(hit.title, hit.url, hit.snippet));
    server.serveResults(results);
}
