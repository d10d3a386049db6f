#include "settings/modelsettingstab.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "llm/localllmclient.h"
#include "llm/serveraddress.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/settingstextfield.h"
#include "settings/statuslabel.h"
#include "widgets/toggleswitch.h"

#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QString checkButtonText(bool checking)
{
    return checking ? u"Checking…"_s : u"Check Connection"_s;
}

QString defaultServerAddress()
{
    for (const SettingsKeys::KeySpec &key : SettingsKeys::preferences) {
        if (key.name == SettingsKeys::lmStudioServerAddress)
            return key.defaultValue.toString();
    }
    return {};
}

} // namespace

ModelSettingsTab::ModelSettingsTab(Settings &settings, QNetworkAccessManager *network,
                                   QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_network(network)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    m_section = new SettingsSection(u"cpu"_s, u"LM Studio"_s, this);
    auto *serverBox = new QWidget(m_section);
    auto *serverLayout = new QVBoxLayout(serverBox);
    serverLayout->setContentsMargins(0, 0, 0, 0);
    serverLayout->setSpacing(6);
    m_serverField = new SettingsTextField(defaultServerAddress(), 260, serverBox);
    m_serverField->setObjectName(u"serverAddressField"_s);
    m_addressStatus = new StatusLabel(serverBox);
    // Both at the right edge, so that the field stays put whatever the reason's length.
    serverLayout->addWidget(m_serverField, 0, Qt::AlignRight);
    serverLayout->addWidget(m_addressStatus, 0, Qt::AlignRight);
    serverBox->setFocusProxy(m_serverField);
    m_section->addRow(u"Server"_s, serverBox);
    auto *checkRow = new QWidget(m_section);
    auto *checkLayout = new QHBoxLayout(checkRow);
    checkLayout->setContentsMargins(0, 0, 0, 0);
    checkLayout->setSpacing(12);
    m_checkButton = new SettingsButton(checkButtonText(false), checkRow);
    m_checkButton->setObjectName(u"modelCheckButton"_s);
    m_status = new StatusLabel(checkRow);
    checkLayout->addWidget(m_checkButton);
    checkLayout->addWidget(m_status, 1);
    m_section->addWidget(checkRow);
    m_section->setFootnote(u"Connect to a locally running LM Studio instance via its "
                           "OpenAI-compatible API."_s);
    layout->addWidget(m_section);

    m_thinkingSection = new SettingsSection(u"lightbulb"_s, u"Thinking"_s, this);
    m_showThinking = new ToggleSwitch(m_thinkingSection);
    m_showThinking->setObjectName(u"showThinkingSwitch"_s);
    m_showThinking->setAccessibleName(u"Show thinking"_s);
    m_thinkingSection->addRow(u"Show thinking"_s, m_showThinking);
    m_thinkingSection->setFootnote(u"Shows what a thinking model thought before it answered, "
                                   "folded above the answer. Hidden thoughts are still saved."_s);
    connect(m_showThinking, &ToggleSwitch::clicked, this,
            [this](bool checked) { m_settings.setShowThinking(checked); });
    layout->addWidget(m_thinkingSection);
    layout->addStretch();

    // Half-typed addresses are normal; the last usable one stays stored meanwhile.
    connect(m_serverField, &QLineEdit::textEdited, this, [this](const QString &text) {
        if (showAddressProblem(text))
            m_settings.setLmStudioServerAddress(text.trimmed());
    });
    connect(m_checkButton, &QPushButton::clicked, this, &ModelSettingsTab::checkConnection);
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::lmStudioServerAddress)
            showAddress();
        else if (key == SettingsKeys::showThinking)
            showThinking();
    });
    showAddress();
    showThinking();
}

ModelSettingsTab::~ModelSettingsTab()
{
    m_cancel.cancel();
}

QString ModelSettingsTab::fallbackFailureText()
{
    return u"Start LM Studio"_s;
}

// Only replaced when the stored text differs, so what the user is typing (blanks around
// it included) stays put.
void ModelSettingsTab::showAddress()
{
    const QString address = m_settings.lmStudioServerAddress();
    if (m_serverField->text().trimmed() != address) {
        m_serverField->setText(address);
        showAddressProblem(address);
    }
}

void ModelSettingsTab::showThinking()
{
    const QSignalBlocker blocker(m_showThinking);
    m_showThinking->setChecked(m_settings.showThinking());
}

bool ModelSettingsTab::showAddressProblem(const QString &address)
{
    const std::optional<QString> problem = serverAddressProblem(address);
    if (!problem) {
        m_addressStatus->clear();
        return true;
    }
    m_addressStatus->setStatus(problem->front().toUpper() + problem->sliced(1), false);
    return false;
}

void ModelSettingsTab::checkConnection()
{
    if (m_isCheckingModel)
        return;
    m_isCheckingModel = true;
    m_checkButton->setText(checkButtonText(true));
    m_checkButton->setEnabled(false);
    runModelCheck(QPointer<ModelSettingsTab>(this), m_network, m_settings.lmStudioServerAddress(),
                  m_cancel);
}

QCoro::Task<> ModelSettingsTab::runModelCheck(QPointer<ModelSettingsTab> self,
                                              QPointer<QNetworkAccessManager> network,
                                              QString address, CancellationToken token)
{
    const LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, network);
    if (!client) {
        self->finishModelCheck(client.error().descriptionOr(fallbackFailureText()), false);
        co_return;
    }
    auto resolving = client.value().resolveModelID(token);
    const LLMResult<QString> model = co_await std::move(resolving);
    if (!self || token.isCancelled())
        co_return;
    if (model)
        self->finishModelCheck(u"Connected to "_s + model.value(), true);
    else
        self->finishModelCheck(model.error().descriptionOr(fallbackFailureText()), false);
}

void ModelSettingsTab::finishModelCheck(const QString &status, bool ok)
{
    m_status->setStatus(status, ok);
    m_isCheckingModel = false;
    m_checkButton->setText(checkButtonText(false));
    m_checkButton->setEnabled(true);
    Q_EMIT modelCheckFinished();
}

void ModelSettingsTab::forgetTestResult()
{
    m_cancel.cancel();
    m_cancel = CancellationToken();
    m_isCheckingModel = false;
    m_checkButton->setText(checkButtonText(false));
    m_checkButton->setEnabled(true);
    m_status->clear();
}
