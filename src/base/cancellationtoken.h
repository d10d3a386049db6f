#pragma once

#include <QObject>

#include <memory>

class QNetworkReply;

// Shared between a running task and whoever may stop it. Tasks check it after every await;
// a network reply bound to it is aborted at once, so a stopped task never waits for a
// server that takes its time. Copies share one state.
class CancellationToken
{
public:
    CancellationToken();

    void cancel() const;
    bool isCancelled() const;

    // Aborts `reply` when the token is cancelled while the reply still runs (and at once
    // when it already is).
    void abortOnCancel(QNetworkReply *reply) const;

    // The object that emits `cancelled()`, for connecting other clean-up.
    QObject *notifier() const;

private:
    std::shared_ptr<class CancellationState> m_state;
};

class CancellationState : public QObject
{
    Q_OBJECT

public:
    bool isCancelled = false;

Q_SIGNALS:
    void cancelled();
};
