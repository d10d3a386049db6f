#pragma once

#include "base/cancellationtoken.h"

#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringList>

#include <QCoroTask>

class QNetworkAccessManager;
class Settings;

// Which model answers, as the composer's model chip and the settings show it: the preferred
// one ("preferredModel", empty for the automatic choice), the models the server lists
// (fetched when asked for, as a menu opens), and what the last answer said it used. A
// preferred model the server does not list is no failure: the automatic choice answers,
// and `preferredMissing()` says so.
class ModelChoice : public QObject
{
    Q_OBJECT

public:
    enum class ListState { unknown, loading, loaded, failed };

    ModelChoice(Settings &settings, QNetworkAccessManager *network, QObject *parent = nullptr);
    ~ModelChoice() override;

    QString preferred() const;
    // Writes "preferredModel"; empty: the automatic choice.
    void choose(const QString &id);

    ListState listState() const { return m_state; }
    // The server's models when loaded, in its order.
    QStringList serverModels() const { return m_models; }
    // Why the list could not be fetched, in the words the rest of the app uses.
    QString listError() const { return m_error; }
    // Fetches the list again from the server in the settings; changed() when it starts and
    // when it ends. A fetch still running is replaced.
    void refresh();

    // An answer came from `model`; `unlisted` is the preferred model it could not use.
    void noteAnswer(const QString &model, const QString &unlisted);

    // The model answers come from now, as far as known; empty when not known yet.
    QString inUse() const;
    bool preferredMissing() const;
    // The chip's label: the short name of the model in use, or "Automatic" when not known.
    QString label() const;
    QString toolTip() const;

Q_SIGNALS:
    void changed();

private:
    static QCoro::Task<> runRefresh(QPointer<ModelChoice> self, CancellationToken token);
    void onSettingChanged(const QString &key);

    Settings &m_settings;
    QPointer<QNetworkAccessManager> m_network;
    CancellationToken m_fetch;
    ListState m_state = ListState::unknown;
    QStringList m_models;
    QString m_error;
    // What the last answer used, and the preference it was asked with.
    QString m_answered;
    QString m_answeredPreference;
    QString m_unlisted;
};
