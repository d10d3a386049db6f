#pragma once

#include "core/cancellationtoken.h"
#include "llm/llmresult.h"
#include "llm/streamlinereader.h"

#include <QObject>
#include <QPointer>

#include <QCoroTask>

#include <memory>

class QNetworkReply;

// One streamed chat completion as it arrives. Each accepted line of the body is handed on
// at once as `pieceReceived`, in order; the stream then ends exactly once, with `finished`
// (the answer is complete) or `failed`. After the token is cancelled or the stream is
// deleted it emits nothing more and its request is aborted.
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

    // Takes over `reply`, a POST of a streamed completion.
    ChatStream(QNetworkReply *reply, CancellationToken token, QObject *parent = nullptr);
    ~ChatStream() override;

    State state() const { return m_state; }
    bool isRunning() const { return m_state == State::running; }

    // Done when the stream has ended: nothing on a normal end, else the error (a cancelled
    // one when the token was cancelled or the stream deleted first).
    QCoro::Task<LLMResult<void>> result() const;

Q_SIGNALS:
    void pieceReceived(const QString &piece);
    void finished();
    void failed(const LocalLLMError &error);

private:
    void onMetaDataChanged();
    void onReadyRead();
    void onReplyFinished();
    void onCancelled();

    bool checkStatus();
    // Handles one line; false when the stream has ended (or its owner went away).
    bool handleLine(QByteArrayView line);
    void end(State state, LLMResult<void> result);
    void releaseReply();

    QPointer<QNetworkReply> m_reply;
    CancellationToken m_token;
    StreamLineReader m_lines;
    State m_state = State::running;
    bool m_statusChecked = false;
    std::shared_ptr<struct ChatStreamEnd> m_end;
};
