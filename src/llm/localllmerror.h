#pragma once

#include <QMetaType>
#include <QString>
#include <QUrl>

#include <optional>

// A failure of the model-server client. The first eight kinds are failures the user can act
// on and carry a short instruction or finding as their description; the others are told apart
// so that callers can fall back to their own text ("Something went wrong") and the command
// line can still say what happened.
class LocalLLMError
{
public:
    enum class Kind {
        invalidServerAddress,
        serverUnavailable,
        modelUnavailable,
        badResponse,
        emptyResponse,
        // Something answered at the address, but not as a model server does: a web page, a
        // proxy's or a captive portal's login, another kind of service.
        notModelServer,
        // The server sent the request elsewhere. Redirects are never followed: a POST would
        // arrive as a GET, and an answer from another server would pass for this one's.
        redirected,
        // A line of the stream grew past the limit a real event never comes near.
        lineTooLong,
        // The request failed on the way (refused, reset, timed out, host unknown).
        transport,
        // The body was not the JSON that was expected.
        decoding,
        // The server reported an error of its own in the middle of a stream.
        serverMessage,
        // The caller stopped the operation; never shown to anyone.
        cancelled,
    };

    // Only for containers and queued signals; a real error always names its kind.
    LocalLLMError() = default;
    explicit LocalLLMError(Kind kind, QString detail = {});

    static LocalLLMError transportError(QString detail);
    static LocalLLMError decodingError(QString detail);
    static LocalLLMError serverError(QString message);
    static LocalLLMError cancellation();
    // `url` is the request's; the user is shown its origin, the address they typed.
    // `seen` says what came instead, for the detail.
    static LocalLLMError notModelServer(const QUrl &url, QString seen);
    static LocalLLMError redirect(const QUrl &url, const QUrl &location);
    static LocalLLMError lineTooLong(qsizetype limit);

    Kind kind() const { return m_kind; }
    bool isCancelled() const { return m_kind == Kind::cancelled; }

    // The user-facing text: the instruction or finding of the first eight kinds, or the
    // server's own message. Transport and decoding errors and cancellation have none.
    std::optional<QString> description() const;
    bool hasDescription() const { return description().has_value(); }
    // The description, or `fallback` for errors that have none.
    QString descriptionOr(const QString &fallback) const;

    // What happened, for logs and the command line: the description plus whatever is known
    // (Qt's transport error text, the HTTP status, the JSON error).
    QString detail() const;

    friend bool operator==(const LocalLLMError &, const LocalLLMError &) = default;

private:
    Kind m_kind = Kind::badResponse;
    QString m_detail;
    QString m_server; // the origin, for the kinds that name the server
};

Q_DECLARE_METATYPE(LocalLLMError)
