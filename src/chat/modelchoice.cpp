#include "chat/modelchoice.h"

#include "chat/answerspeed.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "llm/localllmclient.h"

#include <QNetworkAccessManager>

using namespace Qt::StringLiterals;

ModelChoice::ModelChoice(Settings &settings, QNetworkAccessManager *network, QObject *parent)
    : QObject(parent)
    , m_settings(settings)
    , m_network(network)
{
    connect(&m_settings, &Settings::changed, this, &ModelChoice::onSettingChanged);
}

ModelChoice::~ModelChoice()
{
    m_fetch.cancel();
}

QString ModelChoice::preferred() const
{
    return m_settings.preferredModel();
}

void ModelChoice::choose(const QString &id)
{
    m_settings.setPreferredModel(id);
}

void ModelChoice::refresh()
{
    m_fetch.cancel();
    m_fetch = CancellationToken();
    m_state = ListState::loading;
    m_error.clear();
    Q_EMIT changed();
    runRefresh(QPointer<ModelChoice>(this), m_fetch);
}

QCoro::Task<> ModelChoice::runRefresh(QPointer<ModelChoice> self, CancellationToken token)
{
    const LLMResult<LocalLLMClient> client
        = LocalLLMClient::fromAddress(self->m_settings.lmStudioServerAddress(), self->m_network);
    LLMResult<QStringList> models = QStringList();
    if (client) {
        auto fetching = client.value().fetchModelIDs(token);
        models = co_await std::move(fetching);
    } else {
        models = client.error();
    }
    if (!self || token.isCancelled())
        co_return;
    if (models && !models.value().isEmpty()) {
        self->m_state = ListState::loaded;
        self->m_models = models.value();
    } else {
        self->m_state = ListState::failed;
        self->m_models.clear();
        self->m_error = models
            ? LocalLLMError(LocalLLMError::Kind::modelUnavailable).descriptionOr({})
            : models.error().descriptionOr(models.error().detail());
    }
    Q_EMIT self->changed();
}

void ModelChoice::noteAnswer(const QString &model, const QString &unlisted)
{
    if (model.isEmpty())
        return;
    m_answered = model;
    m_answeredPreference = preferred();
    m_unlisted = unlisted;
    Q_EMIT changed();
}

QString ModelChoice::inUse() const
{
    if (m_state == ListState::loaded)
        return LocalLLMClient::chooseModelID(m_models, preferred());
    if (!m_answered.isEmpty() && m_answeredPreference == preferred())
        return m_answered;
    return preferred();
}

bool ModelChoice::preferredMissing() const
{
    const QString wanted = preferred();
    if (wanted.isEmpty())
        return false;
    if (m_state == ListState::loaded)
        return !m_models.contains(wanted);
    return m_unlisted == wanted && m_answeredPreference == wanted;
}

QString ModelChoice::label() const
{
    const QString model = inUse();
    return model.isEmpty() ? tr("Automatic") : AnswerSpeed::shortModelName(model);
}

QString ModelChoice::toolTip() const
{
    const QString model = inUse();
    if (preferredMissing())
        //: %1 is the model chosen in the settings, %2 the one answering instead
        return tr("%1 isn't available on the server; using %2")
            .arg(preferred(),
                 model.isEmpty() || model == preferred() ? tr("the automatic choice") : model);
    if (preferred().isEmpty())
        return model.isEmpty() ? tr("Model: automatic") : tr("Model: %1 (automatic)").arg(model);
    return tr("Model: %1").arg(model);
}

void ModelChoice::onSettingChanged(const QString &key)
{
    if (key == SettingsKeys::lmStudioServerAddress) {
        // Another server lists other models.
        m_fetch.cancel();
        m_state = ListState::unknown;
        m_models.clear();
        m_answered.clear();
        m_unlisted.clear();
        Q_EMIT changed();
    } else if (key == SettingsKeys::preferredModel) {
        Q_EMIT changed();
    }
}
