#include "settings/modelsettingstab.h"

#include "chat/modelchoice.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "llm/localllmclient.h"
#include "llm/serveraddress.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/settingstextfield.h"
#include "settings/statuslabel.h"
#include "widgets/plaintext.h"
#include "widgets/toggleswitch.h"

#include <QComboBox>
#include <QCoreApplication>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

QString checkButtonText(bool checking)
{
    return checking ? QCoreApplication::translate("ModelSettingsTab", "Checking…")
                    : QCoreApplication::translate("ModelSettingsTab", "Check Connection");
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

    m_section = new SettingsSection(u"cpu"_s, tr("LM Studio"), this);
    auto *serverBox = new QWidget(m_section);
    auto *serverLayout = new QVBoxLayout(serverBox);
    serverLayout->setContentsMargins(0, 0, 0, 0);
    serverLayout->setSpacing(6);
    m_serverField = new SettingsTextField(defaultServerAddress(), 260, serverBox);
    m_serverField->setObjectName(u"serverAddressField"_s);
    m_serverField->setAccessibleName(tr("Server"));
    m_addressStatus = new StatusLabel(serverBox);
    // Both at the right edge, so that the field stays put whatever the reason's length.
    serverLayout->addWidget(m_serverField, 0, Qt::AlignRight);
    serverLayout->addWidget(m_addressStatus, 0, Qt::AlignRight);
    serverBox->setFocusProxy(m_serverField);
    m_section->addRow(tr("Server"), serverBox);
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
    m_modelChoice = new ModelChoice(m_settings, m_network, this);
    m_modelBox = new QComboBox(m_section);
    m_modelBox->setObjectName(u"modelBox"_s);
    m_modelBox->setAccessibleName(tr("Model"));
    m_modelBox->setMinimumWidth(260);
    m_modelBox->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_section->addRow(tr("Model"), m_modelBox);
    m_section->setFootnote(tr("Connect to a locally running LM Studio instance via its "
                              "OpenAI-compatible API. Automatic answers with the server's first "
                              "model; a chosen model that is not loaded is replaced by it."));
    layout->addWidget(m_section);

    m_generationSection = new SettingsSection(u"slider.horizontal.3"_s, tr("Generation"), this);
    m_temperature = new QDoubleSpinBox(m_generationSection);
    m_temperature->setObjectName(u"temperatureBox"_s);
    m_temperature->setAccessibleName(tr("Temperature"));
    m_temperature->setRange(SettingsKeys::minTemperature, SettingsKeys::maxTemperature);
    m_temperature->setSingleStep(0.1);
    m_temperature->setDecimals(2);
    m_generationSection->addRow(tr("Temperature"), m_temperature);
    m_maxTokens = new QSpinBox(m_generationSection);
    m_maxTokens->setObjectName(u"maxTokensBox"_s);
    m_maxTokens->setAccessibleName(tr("Maximum answer length"));
    m_maxTokens->setRange(0, 1000000);
    m_maxTokens->setSingleStep(256);
    m_maxTokens->setSpecialValueText(tr("No limit"));
    m_maxTokens->setSuffix(tr(" tokens"));
    m_generationSection->addRow(tr("Maximum answer length"), m_maxTokens);
    m_attachmentText = new QSpinBox(m_generationSection);
    m_attachmentText->setObjectName(u"attachmentTextBox"_s);
    m_attachmentText->setAccessibleName(tr("Text of attached documents"));
    m_attachmentText->setRange(1000, 2000000);
    m_attachmentText->setSingleStep(10000);
    m_attachmentText->setGroupSeparatorShown(true);
    m_attachmentText->setSuffix(tr(" characters"));
    m_generationSection->addRow(tr("Text of attached documents"), m_attachmentText);
    m_generationSection->setFootnote(
        tr("Lower temperatures give steadier answers, higher ones more varied ones. A long answer "
           "stops at the maximum. Attached documents beyond their limit are cut, and the model "
           "is told so."));
    connect(m_temperature, &QDoubleSpinBox::valueChanged, this,
            [this](double value) { m_settings.setTemperature(value); });
    connect(m_maxTokens, &QSpinBox::valueChanged, this, [this](int value) {
        m_settings.setMaxTokens(value > 0 ? std::optional<int>(value) : std::nullopt);
    });
    connect(m_attachmentText, &QSpinBox::valueChanged, this,
            [this](int value) { m_settings.setAttachmentTextLimit(value); });
    layout->addWidget(m_generationSection);

    m_thinkingSection = new SettingsSection(u"lightbulb"_s, tr("Thinking"), this);
    m_showThinking = new ToggleSwitch(m_thinkingSection);
    m_showThinking->setObjectName(u"showThinkingSwitch"_s);
    m_showThinking->setAccessibleName(tr("Show thinking"));
    m_thinkingSection->addRow(tr("Show thinking"), m_showThinking);
    m_thinkingSection->setFootnote(tr("Shows what a thinking model thought before it answered, "
                                      "folded above the answer. Hidden thoughts are still saved."));
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
    // Queued: the choice fills the box anew, not from inside its own signal.
    connect(
        m_modelBox, &QComboBox::activated, this,
        [this](int index) { m_modelChoice->choose(m_modelBox->itemData(index).toString()); },
        Qt::QueuedConnection);
    connect(m_modelChoice, &ModelChoice::changed, this, &ModelSettingsTab::showModels);
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::lmStudioServerAddress)
            showAddress();
        else if (key == SettingsKeys::showThinking)
            showThinking();
        else if (key == SettingsKeys::temperature || key == SettingsKeys::maxTokens
                 || key == SettingsKeys::attachmentTextLimit)
            showGeneration();
    });
    showAddress();
    showThinking();
    showModels();
    showGeneration();
}

void ModelSettingsTab::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_modelChoice->refresh();
}

void ModelSettingsTab::showModels()
{
    const QSignalBlocker blocker(m_modelBox);
    m_modelBox->clear();
    m_modelBox->addItem(tr("Automatic"), QString());
    const QString preferred = m_modelChoice->preferred();
    const QStringList models = m_modelChoice->serverModels();
    for (const QString &id : models)
        m_modelBox->addItem(id, id);
    // Still shown while the list is loading or the model is not loaded, so the choice stays.
    if (!preferred.isEmpty() && !models.contains(preferred)) {
        const bool missing = m_modelChoice->listState() == ModelChoice::ListState::loaded;
        //: %1 is the name of a model the server does not list
        m_modelBox->addItem(missing ? tr("%1 (not available)").arg(preferred) : preferred,
                            preferred);
    }
    m_modelBox->setCurrentIndex(qMax(0, m_modelBox->findData(preferred)));
    m_modelBox->setToolTip(PlainText::toolTip(m_modelChoice->toolTip()));
}

void ModelSettingsTab::showGeneration()
{
    const QSignalBlocker temperatureBlocker(m_temperature);
    const QSignalBlocker maxTokensBlocker(m_maxTokens);
    const QSignalBlocker attachmentTextBlocker(m_attachmentText);
    m_temperature->setValue(m_settings.temperature());
    m_maxTokens->setValue(m_settings.maxTokens().value_or(0));
    m_attachmentText->setValue(int(std::min<qsizetype>(m_settings.attachmentTextLimit(), 2000000)));
}

ModelSettingsTab::~ModelSettingsTab()
{
    m_cancel.cancel();
}

QString ModelSettingsTab::fallbackFailureText()
{
    return tr("Start LM Studio");
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
    m_modelChoice->refresh();
    runModelCheck(QPointer<ModelSettingsTab>(this), m_network, m_settings.lmStudioServerAddress(),
                  m_cancel);
}

QCoro::Task<> ModelSettingsTab::runModelCheck(QPointer<ModelSettingsTab> self,
                                              QPointer<QNetworkAccessManager> network,
                                              QString address, CancellationToken token)
{
    LLMResult<LocalLLMClient> client = LocalLLMClient::fromAddress(address, network);
    if (client)
        client.value().setPreferredModel(self->m_settings.preferredModel());
    if (!client) {
        self->finishModelCheck(client.error().descriptionOr(fallbackFailureText()), false);
        co_return;
    }
    auto resolving = client.value().resolveModelID(token);
    const LLMResult<QString> model = co_await std::move(resolving);
    if (!self || token.isCancelled())
        co_return;
    if (model)
        //: %1 is the model the server answers with
        self->finishModelCheck(tr("Connected to %1").arg(model.value()), true);
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
