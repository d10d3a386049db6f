#include "support/fakeduckduckgoserver.h"

#include <QJsonDocument>

using namespace Qt::Literals::StringLiterals;

FakeDuckDuckGoServer::FakeDuckDuckGoServer(QObject *parent)
    : FakeHttpServer(parent)
{ }

QJsonObject FakeDuckDuckGoServer::topic(const QString &text, const QString &firstURL)
{
    return {
        {u"FirstURL"_s, firstURL},
        {u"Icon"_s,
         QJsonObject{
             {u"Height"_s, QString()}, {u"URL"_s, u"/i/abc123.png"_s}, {u"Width"_s, QString()}}},
        {u"Result"_s, u"<a href=\"%1\">%2</a>"_s.arg(firstURL, text)},
        {u"Text"_s, text},
    };
}

QJsonObject FakeDuckDuckGoServer::group(const QString &name, const QJsonArray &topics)
{
    return {{u"Name"_s, name}, {u"Topics"_s, topics}};
}

QJsonArray FakeDuckDuckGoServer::numberedTopics(int count)
{
    QJsonArray topics;
    for (int i = 1; i <= count; ++i) {
        topics.append(
            topic(u"Topic %1 - about %1"_s.arg(i), u"https://duckduckgo.com/Topic_%1"_s.arg(i)));
    }
    return topics;
}

QByteArray FakeDuckDuckGoServer::body(const Answer &answer)
{
    QJsonObject object{
        {u"Abstract"_s, answer.abstract},
        {u"AbstractSource"_s, answer.abstract.isEmpty() ? QString() : u"Wikipedia"_s},
        {u"AbstractText"_s, answer.abstract},
        {u"AbstractURL"_s, answer.abstractURL},
        {u"Answer"_s, QString()},
        {u"AnswerType"_s, QString()},
        {u"Definition"_s, QString()},
        {u"DefinitionSource"_s, QString()},
        {u"DefinitionURL"_s, QString()},
        {u"Entity"_s, QString()},
        {u"Image"_s, QString()},
        {u"ImageHeight"_s, 0},
        {u"ImageIsLogo"_s, 0},
        {u"ImageWidth"_s, 0},
        {u"Infobox"_s, QString()},
        {u"Redirect"_s, QString()},
        {u"RelatedTopics"_s, answer.relatedTopics},
        {u"Results"_s, QJsonArray{topic(u"Official site"_s, u"https://official.example.org/"_s)}},
        {u"Type"_s, answer.abstract.isEmpty() ? u"C"_s : u"A"_s},
        {u"meta"_s, QJsonObject{{u"id"_s, u"wikipedia_fathead"_s}, {u"status"_s, u"live"_s}}},
    };
    if (answer.heading)
        object.insert(u"Heading"_s, *answer.heading);
    return QJsonDocument(object).toJson(QJsonDocument::Compact);
}

void FakeDuckDuckGoServer::serveAnswer(const Answer &answer)
{
    serveResponse(FakeResponse::text(body(answer), 200, "application/x-javascript"));
}

void FakeDuckDuckGoServer::serveResponse(const FakeResponse &response)
{
    route("GET", u"/"_s, response);
}
