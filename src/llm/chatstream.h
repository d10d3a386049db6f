#pragma once

#include "base/cancellationtoken.h"
#include "llm/llmresult.h"
#include "llm/streamevent.h"
#include "llm/streamlinereader.h"

#include <QObject>
#include <QPointer>
#include <QUrl>

#include <QCoroTask>

#include <functional>
#include <memory>

class QNetworkReply;

// One streamed chat completion as it arrives. Each accepted line of the body is handed on
// at once, in order, as `reasoningReceived` (a thinking model's thought sent beside the
// answer) and `pieceReceived` (the answer's text, as the server sent it); the stream then ends
// exactly once, with `finished` (the answer is complete) or `failed`. After the token is cancelled
// or the stream is deleted it emits nothing more and its request is aborted.
//
// What comes back is judged before it is believed: an event stream by its Content-Type (or,
// when the server names none that helps, by its first line), a JSON body as a completion or
// an error object, anything else as `notModelServer`, as is a stream without a single event
// of the wire format. No line may grow past `maxLineSize`, and the reply holds back no more
// than a small buffer: a server sending faster than the answer is used waits for it.
//
// The request is already running when the stream is handed out: connect its signals before
// returning to the event loop (that is, before the next co_await). To wait for the end in a
// coroutine, `co_await stream->result()`; it also returns when the stream is cancelled or
// deleted meanwhile.
class ChatStream : public QObject
{
    Q_OBJECT

public:
    enum class State { running, finished, failed, cancelled };

    // Far above any real event (a piece of text and a few hundred bytes of JSON), far below
    // what hurts.
    static constexpr qsizetype defaultMaxLineSize = 16 * 1024 * 1024;

    // Takes over `reply`, a POST of a streamed completion.
    ChatStream(QNetworkReply *reply, CancellationToken token,
               qsizetype maxLineSize = defaultMaxLineSize, QObject *parent = nullptr);
    ~ChatStream() override;

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::running; }

    // Done when the stream has ended: nothing on a normal end, else the error (a cancelled
    // one when the token was cancelled or the stream deleted first).
    QCoro::Task<LLMResult<void>> result() const;

    // What the server said of the answer's length and speed so far.
    const StreamUsage &usage() const { return m_usage; }

    // The model that answers, and the preferred one that the server did not list (the
    // answer then comes from the automatic choice); told by whoever started the request.
    QString model() const { return m_model; }
    QString unlistedModel() const { return m_unlistedModel; }
    void setModel(const QString &model, const QString &unlistedModel = QString());

    // When the server refuses the request with a 4xx before anything else has come, the
    // request `resend` makes (a plainer one) takes its place, once. Set before returning to
    // the event loop.
    void setResend(std::function<QNetworkReply *()> resend) { m_resend = std::move(resend); }

Q_SIGNALS:
    void pieceReceived(const QString &piece);
    void reasoningReceived(const QString &piece);
    void finished();
    void failed(const LocalLLMError &error);

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onReplyFinished();
    void onCancelled();

    // What the body is, as far as it is known yet: an error report is the body of a status
    // that failed, read for the server's own words.
    enum class Body { undecided, events, json, errorReport };

    void attach(QNetworkReply *reply);
    bool checkStatus();
    // The steps below return false when the stream has ended (or its owner went away).
    bool takeBody(QByteArray data);
    bool takeLines();
    bool finishBody();
    // Ends with the server's message from an error report, or else the status's error.
    void failWithReport();
    bool handleLine(QByteArrayView line);
    bool handleEvent(StreamEvent event);
    void failNotModelServer(const QString &seen);
    void end(State state, LLMResult<void> result);
    void releaseReply();

    QPointer<QNetworkReply> m_reply;
    QUrl m_url;
    CancellationToken m_token;
    qsizetype m_maxLineSize;
    StreamLineReader m_lines;
    Body m_body = Body::undecided;
    // The body while it is undecided, then all of a JSON body.
    QByteArray m_held;
    bool m_sawEvent = false;
    State m_state = State::running;
    bool m_statusChecked = false;
    std::optional<LocalLLMError> m_statusError;
    StreamUsage m_usage;
    QString m_model;
    QString m_unlistedModel;
    std::function<QNetworkReply *()> m_resend;
    std::shared_ptr<struct ChatStreamEnd> m_end;
};
