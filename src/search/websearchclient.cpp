#include "search/websearchclient.h"

#include "base/endpointprobe.h"
#include "base/replyholder.h"
#include "search/duckduckgoprotocol.h"
#include "search/searchoutcome.h"
#include "search/searxngprotocol.h"

#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

#include <QCoroNetworkReply>

namespace {

constexpr int probeTimeoutMs = 250;
// A search answer is a few hundred kilobytes at most; anything far beyond is not one, and
// must not fill the memory within the time limit.
constexpr qint64 maxBodyBytes = 8 * 1024 * 1024;

struct Fetched
{
    SearchError error = SearchError::None;
    QByteArray body;
};

QCoro::Task<Fetched> fetchJson(QPointer<QNetworkAccessManager> network, QUrl url,
                               std::chrono::milliseconds timeout, CancellationToken cancel)
{
    if (cancel.isCancelled())
        co_return Fetched{SearchError::Cancelled, {}};
    if (!network)
        co_return Fetched{SearchError::Network, {}};

    QNetworkRequest request(url);
    request.setRawHeader("Accept", "application/json");
    const ReplyHolder guard(network->get(request));
    QNetworkReply *reply = guard.get();
    cancel.abortOnCancel(reply);

    // A transfer timeout only limits silence; a server that trickles its answer must not
    // hold the question back any longer than one that says nothing.
    bool timedOut = false;
    bool tooLarge = false;
    QTimer deadline;
    deadline.setSingleShot(true);
    QObject::connect(&deadline, &QTimer::timeout, reply, [&timedOut, reply] {
        timedOut = true;
        reply->abort();
    });
    QObject::connect(reply, &QNetworkReply::downloadProgress, &deadline,
                     [&tooLarge, reply](qint64 received, qint64) {
                         if (received > maxBodyBytes && !tooLarge) {
                             tooLarge = true;
                             reply->abort();
                         }
                     });
    deadline.start(timeout);

    co_await reply;

    if (cancel.isCancelled())
        co_return Fetched{SearchError::Cancelled, {}};
    if (!guard.get())
        co_return Fetched{SearchError::Network, {}};
    if (timedOut)
        co_return Fetched{SearchError::Timeout, {}};
    if (tooLarge)
        co_return Fetched{SearchError::BadResponse, {}};
    // Qt reports a 403 or 500 as a network error too; it is the server's answer, though.
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (status.isValid() && (status.toInt() < 200 || status.toInt() > 299))
        co_return Fetched{SearchError::BadResponse, {}};
    if (reply->error() != QNetworkReply::NoError)
        co_return Fetched{SearchError::Network, {}};
    if (!status.isValid())
        co_return Fetched{SearchError::BadResponse, {}};
    co_return Fetched{SearchError::None, reply->readAll()};
}

// The answer of the SearXNG instance at `url`, asked only once the probe found it there.
QCoro::Task<Fetched> fetchSearXNG(WebSearchClient client, QUrl url, CancellationToken cancel)
{
    const bool reachable = co_await probeEndpoint(url, probeTimeoutMs);
    if (cancel.isCancelled())
        co_return Fetched{SearchError::Cancelled, {}};
    if (!reachable)
        co_return Fetched{SearchError::Unreachable, {}};
    co_return co_await fetchJson(client.network(), url, client.requestTimeout(), cancel);
}

QCoro::Task<SearchOutcome> runSearXNG(WebSearchClient client, QString query, QString baseURL,
                                      CancellationToken cancel)
{
    const QUrl url = SearxngProtocol::searchURL(baseURL, query);
    // An address that makes no URL is a setting nobody can reach: nothing found, so the
    // instant answers get their turn.
    if (url.isEmpty())
        co_return SearchOutcome{};
    const Fetched fetched = co_await fetchSearXNG(client, url, cancel);
    if (fetched.error != SearchError::None)
        co_return SearchOutcome{{}, fetched.error};
    std::optional<QList<SearchResult>> results = SearxngProtocol::decodeResults(fetched.body);
    if (!results)
        co_return SearchOutcome{{}, SearchError::Undecodable};
    co_return SearchOutcome{std::move(*results), SearchError::None};
}

QCoro::Task<SearxngCheck> runCheckSearXNG(WebSearchClient client, QString query, QString baseURL,
                                          CancellationToken cancel)
{
    const QUrl url = SearxngProtocol::searchURL(baseURL, query);
    if (url.isEmpty())
        co_return SearxngCheck{SearchError::InvalidAddress, 0};
    const Fetched fetched = co_await fetchSearXNG(client, url, cancel);
    if (fetched.error != SearchError::None)
        co_return SearxngCheck{fetched.error, 0};
    const std::optional<qsizetype> count = SearxngProtocol::resultCount(fetched.body);
    if (!count)
        co_return SearxngCheck{SearchError::Undecodable, 0};
    co_return SearxngCheck{SearchError::None, *count};
}

QCoro::Task<SearchOutcome> runDuckDuckGo(WebSearchClient client, QString query,
                                         CancellationToken cancel)
{
    const QUrl url = DuckDuckGoProtocol::queryURL(client.duckDuckGoEndpoint(), query);
    if (url.isEmpty())
        co_return SearchOutcome{};
    const Fetched fetched
        = co_await fetchJson(client.network(), url, client.requestTimeout(), cancel);
    if (fetched.error != SearchError::None)
        co_return SearchOutcome{{}, fetched.error};
    std::optional<QList<SearchResult>> results
        = DuckDuckGoProtocol::decodeResults(fetched.body, query);
    if (!results)
        co_return SearchOutcome{{}, SearchError::Undecodable};
    co_return SearchOutcome{std::move(*results), SearchError::None};
}

QCoro::Task<QList<SearchResult>> runSearchWeb(WebSearchClient client, QString query,
                                              QString baseURL, CancellationToken cancel)
{
    SearchOutcome searxng = co_await runSearXNG(client, query, baseURL, cancel);
    if (!searxng.results.isEmpty())
        co_return std::move(searxng.results);
    if (cancel.isCancelled())
        co_return QList<SearchResult>{};
    SearchOutcome instant = co_await runDuckDuckGo(client, query, cancel);
    if (cancel.isCancelled())
        co_return QList<SearchResult>{};
    co_return std::move(instant.results);
}

} // namespace

WebSearchClient::WebSearchClient(QNetworkAccessManager *network)
    : m_network(network)
{
    const QString endpoint = qEnvironmentVariable("VELM_DUCKDUCKGO_URL");
    m_duckDuckGoEndpoint = endpoint.isEmpty() ? DuckDuckGoProtocol::defaultEndpoint()
                                              : QUrl(endpoint, QUrl::StrictMode);
}

// The coroutines take a copy of the client, so a search keeps running when the client that
// started it is gone.
QCoro::Task<QList<SearchResult>> WebSearchClient::searchWeb(QString query, QString searxngBaseURL,
                                                            CancellationToken cancel) const
{
    return runSearchWeb(*this, std::move(query), std::move(searxngBaseURL), std::move(cancel));
}

QCoro::Task<SearxngCheck> WebSearchClient::checkSearXNG(QString query, QString searxngBaseURL,
                                                        CancellationToken cancel) const
{
    return runCheckSearXNG(*this, std::move(query), std::move(searxngBaseURL), std::move(cancel));
}
