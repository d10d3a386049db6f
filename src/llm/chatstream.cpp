#include "llm/chatstream.h"

#include "llm/modelserverreply.h"
#include "llm/wireformat.h"

#include <QCoreApplication>
#include <QNetworkReply>

#include <coroutine>
#include <vector>

using namespace Qt::StringLiterals;

// How the stream ended, shared with the coroutines awaiting it so that they can be woken
// even when the stream object is gone.
struct ChatStreamEnd
{
    std::optional<LLMResult<void>> result;
    std::vector<std::coroutine_handle<>> waiters;

    void resolve(LLMResult<void> outcome)
    {
        if (result)
            return;
        result = std::move(outcome);
        // Woken from the event loop rather than from inside a signal of the reply, so a
        // waiter may delete the stream or start the next request without pulling the
        // ground from under the code that is still emitting.
        for (std::coroutine_handle<> waiter : std::exchange(waiters, {}))
            QMetaObject::invokeMethod(
                QCoreApplication::instance(), [waiter] { waiter.resume(); }, Qt::QueuedConnection);
    }
};

namespace {

struct EndAwaiter
{
    std::shared_ptr<ChatStreamEnd> end;

    bool await_ready() const noexcept { return end->result.has_value(); }
    void await_suspend(std::coroutine_handle<> waiter) { end->waiters.push_back(waiter); }
    LLMResult<void> await_resume() const { return *end->result; }
};

QCoro::Task<LLMResult<void>> awaitEnd(std::shared_ptr<ChatStreamEnd> end)
{
    // Not `co_return co_await EndAwaiter{…}`: GCC 12 destroys such temporaries twice.
    EndAwaiter awaiter{std::move(end)};
    LLMResult<void> result = co_await awaiter;
    co_return result;
}

// How much of the body the reply may hold for us. Without a limit Qt reads the socket as
// fast as the server sends and queues every read for this thread: a server that sends faster
// than the answer is printed or drawn piles up gigabytes, and a Ctrl-C or a stop waits
// behind all of them. With it, the server waits for us.
constexpr qint64 replyBufferSize = 256 * 1024;
// An error report is a sentence or two in JSON; what goes past this is not one.
constexpr qsizetype maxErrorReportSize = 64 * 1024;

// What the start of a body shows when the head did not say what it is.
enum class Sniffed { notYet, events, json, other };

// An event stream starts with one of its fields or a comment, JSON with an object or an array;
// blank lines before count for nothing. `notYet` while what has arrived could still be either.
Sniffed sniff(QByteArrayView data)
{
    qsizetype at = 0;
    while (at < data.size()
           && (data[at] == ' ' || data[at] == '\t' || data[at] == '\r' || data[at] == '\n'))
        ++at;
    const QByteArrayView start = data.sliced(at);
    if (start.isEmpty())
        return Sniffed::notYet;
    if (start.front() == '{' || start.front() == '[')
        return Sniffed::json;
    if (start.front() == ':')
        return Sniffed::events;
    for (const QByteArrayView field : {"data:", "event:", "id:", "retry:"}) {
        if (start.startsWith(field))
            return Sniffed::events;
        if (start.size() < field.size() && field.startsWith(start))
            return Sniffed::notYet;
    }
    return Sniffed::other;
}

} // namespace

ChatStream::ChatStream(QNetworkReply *reply, CancellationToken token, qsizetype maxLineSize,
                       QObject *parent)
    : QObject(parent)
    , m_reply(reply)
    , m_token(std::move(token))
    , m_maxLineSize(maxLineSize)
    , m_end(std::make_shared<ChatStreamEnd>())
{
    // Connected before the reply is bound to the token, so that a cancellation is seen here
    // first and the abort it causes is not mistaken for a network failure.
    connect(qobject_cast<CancellationState *>(m_token.notifier()), &CancellationState::cancelled,
            this, &ChatStream::onCancelled);
    if (m_token.isCancelled() || !m_reply) {
        onCancelled();
        return;
    }
    attach(reply);
}

void ChatStream::attach(QNetworkReply *reply)
{
    m_reply = reply;
    m_url = m_reply->url();
    // Qt passes the limit on to its HTTP thread only once the request has started, which
    // happens from the event loop: set now, it would never arrive. Queued, it follows the
    // start at once, before much of the answer can have come.
    QMetaObject::invokeMethod(
        m_reply, [reply = m_reply.data()] { reply->setReadBufferSize(replyBufferSize); },
        Qt::QueuedConnection);
    connect(m_reply, &QNetworkReply::metaDataChanged, this, &ChatStream::onMetaDataChanged);
    connect(m_reply, &QNetworkReply::readyRead, this, &ChatStream::onReadyRead);
    connect(m_reply, &QNetworkReply::finished, this, &ChatStream::onReplyFinished);
    m_token.abortOnCancel(m_reply);
}

void ChatStream::setModel(const QString &model, const QString &unlistedModel)
{
    m_model = model;
    m_unlistedModel = unlistedModel;
}

ChatStream::~ChatStream()
{
    releaseReply();
    m_end->resolve(LocalLLMError::cancellation());
}

QCoro::Task<LLMResult<void>> ChatStream::result() const
{
    return awaitEnd(m_end);
}

void ChatStream::onMetaDataChanged()
{
    checkStatus();
}

void ChatStream::onReadyRead()
{
    if (!isRunning() || !checkStatus())
        return;
    takeBody(m_reply->readAll());
}

void ChatStream::onReplyFinished()
{
    if (!isRunning())
        return;
    if (m_token.isCancelled()) {
        onCancelled();
        return;
    }
    if (!checkStatus())
        return;
    if (m_body == Body::errorReport) {
        takeBody(m_reply->readAll());
        failWithReport();
        return;
    }
    // A body that ends early (connection reset, timeout) is a failure, not a short answer.
    if (m_reply->error() != QNetworkReply::NoError) {
        const QString detail = m_reply->error() == QNetworkReply::OperationCanceledError
            ? u"no data from the server for 60 seconds"_s
            : m_reply->errorString();
        end(State::failed, LocalLLMError::transportError(detail));
        return;
    }
    if (takeBody(m_reply->readAll()))
        finishBody();
}

void ChatStream::failWithReport()
{
    if (!isRunning())
        return;
    const StreamEvent report = WireFormat::decodeCompletionEvent(m_held.left(maxErrorReportSize));
    end(State::failed, report.type == StreamEvent::Type::error ? report.error : *m_statusError);
}

void ChatStream::onCancelled()
{
    if (!isRunning())
        return;
    m_state = State::cancelled;
    releaseReply();
    m_end->resolve(LocalLLMError::cancellation());
}

bool ChatStream::checkStatus()
{
    if (m_statusChecked || !isRunning())
        return isRunning();
    const QVariant status = m_reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    if (!status.isValid()) {
        // Before the head has arrived there is nothing to judge yet, unless the reply has
        // already given up: then the failure is the transport's.
        if (m_reply->isFinished()) {
            m_statusChecked = true;
            if (m_reply->error() != QNetworkReply::NoError)
                end(State::failed, LocalLLMError::transportError(m_reply->errorString()));
            else
                end(State::failed,
                    LocalLLMError(LocalLLMError::Kind::badResponse, u"not an HTTP reply"_s));
            return false;
        }
        return true;
    }
    m_statusChecked = true;
    const int code = status.toInt();
    if (code >= 400 && code < 500 && m_resend) {
        QNetworkReply *next = std::exchange(m_resend, {})();
        releaseReply();
        m_statusChecked = false;
        if (!next) {
            end(State::failed,
                LocalLLMError::transportError(u"the network access manager is gone"_s));
            return false;
        }
        attach(next);
        return false;
    }
    if (std::optional<LocalLLMError> error = ModelServerReply::statusError(m_reply)) {
        if (error->kind() == LocalLLMError::Kind::redirected) {
            end(State::failed, *error);
            return false;
        }
        // A server that refuses a request says why in the body, e.g. that its model takes
        // no images: that is worth reading before the failure is told.
        m_statusError = std::move(error);
        m_body = Body::errorReport;
        return true;
    }
    // A type that says nothing useful ("text/plain", "application/octet-stream", none)
    // leaves the decision to the body.
    const QByteArray type = ModelServerReply::mediaType(m_reply);
    if (type == "text/event-stream") {
        m_body = Body::events;
    } else if (type == "application/json" || type.endsWith("+json")) {
        m_body = Body::json;
    } else if (ModelServerReply::isWebPage(type)) {
        failNotModelServer(u"a page of type "_s + QString::fromLatin1(type));
        return false;
    }
    return true;
}

bool ChatStream::takeBody(QByteArray data)
{
    if (m_body == Body::errorReport) {
        m_held.append(data);
        if (m_held.size() > maxErrorReportSize)
            failWithReport();
        return isRunning();
    }
    if (m_body == Body::undecided) {
        m_held.append(data);
        switch (sniff(m_held)) {
        case Sniffed::notYet:
            // Only blank lines so far, or less than a field name.
            if (m_held.size() > m_maxLineSize) {
                failNotModelServer(u"nothing but blank lines"_s);
                return false;
            }
            return true;
        case Sniffed::other:
            failNotModelServer(u"a body that is neither an event stream nor JSON"_s);
            return false;
        case Sniffed::events:
            m_body = Body::events;
            break;
        case Sniffed::json:
            m_body = Body::json;
            break;
        }
        data = std::exchange(m_held, {});
    }
    if (m_body == Body::json) {
        // Read whole at the end; a body this long is no completion anyone waits for.
        m_held.append(data);
        if (m_held.size() > m_maxLineSize) {
            end(State::failed, LocalLLMError::lineTooLong(m_maxLineSize));
            return false;
        }
        return true;
    }
    m_lines.append(data);
    return takeLines();
}

bool ChatStream::takeLines()
{
    while (const std::optional<QByteArrayView> line = m_lines.nextLine()) {
        if (line->size() > m_maxLineSize) {
            end(State::failed, LocalLLMError::lineTooLong(m_maxLineSize));
            return false;
        }
        if (!handleLine(*line))
            return false;
    }
    // A line is refused as soon as it has grown too long, not when it ends, which may be
    // never.
    if (m_lines.pendingSize() > m_maxLineSize) {
        end(State::failed, LocalLLMError::lineTooLong(m_maxLineSize));
        return false;
    }
    return true;
}

bool ChatStream::finishBody()
{
    switch (m_body) {
    case Body::errorReport:
        failWithReport();
        return false;
    case Body::undecided:
        failNotModelServer(m_held.trimmed().isEmpty() ? u"an empty body"_s
                                                      : u"a body too short to be an answer"_s);
        return false;
    case Body::json: {
        const StreamEvent event = WireFormat::decodeCompletionEvent(std::exchange(m_held, {}));
        if (!event.recognised) {
            failNotModelServer(u"JSON that is neither a completion nor an error"_s);
            return false;
        }
        if (!handleEvent(event))
            return false;
        break;
    }
    case Body::events:
        if (const std::optional<QByteArrayView> last = m_lines.finish()) {
            // Servers end every event with a blank line, so a body that stops inside a data
            // line was cut off. Qt 6.4 may report such a cut as a normal end when the server's
            // close arrives with the last bytes; an answer missing its tail must not pass for
            // a complete one.
            StreamEvent event = WireFormat::decodeStreamLine(*last);
            if (last->startsWith("data: ") && !event.recognised) {
                end(State::failed,
                    LocalLLMError::transportError(
                        u"the connection closed in the middle of a line"_s));
                return false;
            }
            if (!handleEvent(std::move(event)))
                return false;
        }
        // An HTML page or another service's events sent as an event stream.
        if (!m_sawEvent) {
            failNotModelServer(u"an event stream without a single event of a completion"_s);
            return false;
        }
        break;
    }
    end(State::finished, {});
    return false;
}

bool ChatStream::handleLine(QByteArrayView line)
{
    return handleEvent(WireFormat::decodeStreamLine(line));
}

bool ChatStream::handleEvent(StreamEvent event)
{
    m_sawEvent = m_sawEvent || event.recognised;
    if (!event.usage.isEmpty())
        m_usage.merge(event.usage);
    switch (event.type) {
    case StreamEvent::Type::skip:
        return true;
    case StreamEvent::Type::piece: {
        // The receiver may stop the stream or delete it.
        const QPointer<ChatStream> self(this);
        if (!event.reasoning.isEmpty()) {
            Q_EMIT reasoningReceived(event.reasoning);
            if (!self || !isRunning())
                return false;
        }
        if (!event.text.isEmpty())
            Q_EMIT pieceReceived(event.text);
        return self && isRunning();
    }
    case StreamEvent::Type::done:
        end(State::finished, {});
        return false;
    case StreamEvent::Type::error:
        end(State::failed, event.error);
        return false;
    }
    return true;
}

void ChatStream::failNotModelServer(const QString &seen)
{
    end(State::failed, LocalLLMError::notModelServer(m_url, seen));
}

void ChatStream::end(State state, LLMResult<void> result)
{
    m_state = state;
    // Later lines are not read, and a reply still running is not left to waste the server.
    releaseReply();
    // A line refused for its length is not kept for as long as the stream object lives.
    m_lines = StreamLineReader();
    m_held = QByteArray();
    m_end->resolve(result);
    if (state == State::finished)
        Q_EMIT finished();
    else if (state == State::failed)
        Q_EMIT failed(result.error());
}

void ChatStream::releaseReply()
{
    if (!m_reply)
        return;
    QNetworkReply *reply = m_reply;
    m_reply = nullptr;
    reply->disconnect(this);
    // We may be inside one of the reply's own signals, where aborting confuses Qt's HTTP
    // code: both wait for the event loop. Nothing of the reply reaches us any more.
    if (!reply->isFinished())
        QMetaObject::invokeMethod(reply, &QNetworkReply::abort, Qt::QueuedConnection);
    reply->deleteLater();
}
