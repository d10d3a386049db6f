#pragma once

#include "support/fakehttpserver.h"

#include <QJsonArray>
#include <QJsonObject>

#include <optional>

// The DuckDuckGo Instant Answer API on loopback: GET /?q=…&format=json answered with the
// fields the real service sends ("Abstract", "AbstractText", "AbstractURL", "Heading",
// "RelatedTopics" with topics and "Topics" groups, "Results", "Infobox", "meta", …), as
// "application/x-javascript" like the real one.
class FakeDuckDuckGoServer : public FakeHttpServer
{
    Q_OBJECT

public:
    explicit FakeDuckDuckGoServer(QObject *parent = nullptr);

    // A related topic as the service sends it ("Result" holds the HTML form of the text).
    static QJsonObject topic(const QString &text, const QString &firstURL);
    // A group of topics under a heading, as for "See also" sections.
    static QJsonObject group(const QString &name, const QJsonArray &topics);
    // `count` topics "Topic <n> - about <n>" at https://duckduckgo.com/Topic_<n>.
    static QJsonArray numberedTopics(int count);

    struct Answer
    {
        std::optional<QString> heading;
        QString abstract;
        QString abstractURL;
        QJsonArray relatedTopics;
    };
    static QByteArray body(const Answer &answer);

    // Answer every query on "/" with this.
    void serveAnswer(const Answer &answer);
    void serveResponse(const FakeResponse &response);
};
