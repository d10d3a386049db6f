#pragma once

#include "shell/chordbackend.h"

#include <QCoroSignal>

#include <memory>

// What a fake back end was asked to do; it outlives the back end, which its monitor owns.
struct FakeRecord
{
    int handlers = 0; // installed and not yet removed
    int chords = 0;
    int installs = 0;
    ChordRequest lastRequest;
};

// A back end that answers as told: at once, or (asynchronously) when release() is called.
class FakeChordBackend : public ChordBackend
{
    Q_OBJECT

public:
    explicit FakeChordBackend(std::shared_ptr<FakeRecord> record)
        : m_record(std::move(record))
    { }

    ChordStatus installStatus;
    ChordStatus registerStatus;
    bool asynchronous = false;

    QCoro::Task<ChordStatus> installHandler() override
    {
        ++m_record->installs;
        const quint64 generation = m_generation;
        if (asynchronous) {
            co_await qCoro(this, &FakeChordBackend::released);
            if (generation != m_generation)
                co_return ChordStatus{-1, QStringLiteral("abandoned")};
        }
        if (installStatus.ok())
            ++m_record->handlers;
        co_return installStatus;
    }
    void removeHandler() override
    {
        ++m_generation;
        if (m_record->handlers > 0)
            --m_record->handlers;
    }
    QCoro::Task<ChordStatus> registerChord(ChordRequest chord) override
    {
        m_record->lastRequest = chord;
        if (m_record->handlers == 0)
            co_return ChordStatus{-1, QStringLiteral("no handler")};
        if (registerStatus.ok())
            ++m_record->chords;
        co_return registerStatus;
    }
    void unregisterChord() override
    {
        if (m_record->chords > 0)
            --m_record->chords;
    }

    void press(ChordIdentity identity, const QString &token = {})
    {
        Q_EMIT pressed(identity, token);
    }

Q_SIGNALS:
    void released();

private:
    std::shared_ptr<FakeRecord> m_record;
    quint64 m_generation = 0;
};
