#pragma once

#include "base/cancellationtoken.h"
#include "search/searchresult.h"
#include "search/searxngcheck.h"

#include <QList>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QString>
#include <QUrl>

#include <QCoroTask>

#include <chrono>

// Looks questions up on the web: the user's SearXNG instance first, the DuckDuckGo Instant
// Answer API when that fails or finds nothing. A small value object: every search copies it,
// so a search outlives the client that started it. Requests go one after the other and run on
// the thread of the network manager.
class WebSearchClient
{
public:
    // The instant-answer endpoint is the public one unless the environment variable
    // VELM_DUCKDUCKGO_URL names another (the tests' fake service, a proxy).
    explicit WebSearchClient(QNetworkAccessManager *network);

    QUrl duckDuckGoEndpoint() const { return m_duckDuckGoEndpoint; }
    void setDuckDuckGoEndpoint(const QUrl &endpoint) { m_duckDuckGoEndpoint = endpoint; }

    // The limit for each provider request as a whole, headers and body: 8 seconds.
    std::chrono::milliseconds requestTimeout() const { return m_requestTimeout; }
    void setRequestTimeout(std::chrono::milliseconds timeout) { m_requestTimeout = timeout; }

    QNetworkAccessManager *network() const { return m_network; }

    // The SearXNG instance at `searxngBaseURL` (see SearxngConfig::baseURL()), then instant
    // answers. A loopback instance is probed first so a stopped one costs a quarter of a
    // second, not the limit. Never fails: a search that goes wrong anywhere, or is cancelled,
    // gives an empty list and the question goes out without web context.
    QCoro::Task<QList<SearchResult>> searchWeb(QString query, QString searxngBaseURL,
                                               CancellationToken cancel = {}) const;

    // Asks the SearXNG instance at `searxngBaseURL` for `query` as searchWeb() does, and
    // says how many hits it found or why it failed; for a connection test, which wants to
    // know whether the instance answers at all, not what it found.
    QCoro::Task<SearxngCheck> checkSearXNG(QString query, QString searxngBaseURL,
                                           CancellationToken cancel = {}) const;

private:
    QPointer<QNetworkAccessManager> m_network;
    QUrl m_duckDuckGoEndpoint;
    std::chrono::milliseconds m_requestTimeout{8000};
};
