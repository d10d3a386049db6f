#pragma once

#include <QNetworkReply>
#include <QPointer>

// Owns a network reply for as long as an operation uses it, and hands it back to the event
// loop on every way out: deleted later, because it may still be inside one of its own
// signals. A reply its manager has deleted already reads as null.
class ReplyHolder
{
public:
    // Whether the reply's signals are cut off when the holder lets go. Cutting them keeps
    // handlers that refer to the operation's own state from running after it ended, but
    // cuts Qt's own links to the reply too: the connection of a reply aborted a moment
    // before may then stay open until its server closes it.
    enum class Signals { Kept, Disconnected };

    explicit ReplyHolder(QNetworkReply *reply, Signals onRelease = Signals::Kept)
        : m_reply(reply)
        , m_onRelease(onRelease)
    { }
    ReplyHolder(const ReplyHolder &) = delete;
    ReplyHolder &operator=(const ReplyHolder &) = delete;
    ~ReplyHolder();

    QNetworkReply *get() const { return m_reply; }
    QNetworkReply *operator->() const { return m_reply; }

private:
    QPointer<QNetworkReply> m_reply;
    Signals m_onRelease;
};
