#include "settings/websearchsettingstab.h"

#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "settings/settingsbutton.h"
#include "settings/settingssection.h"
#include "settings/settingssegmentedcontrol.h"
#include "settings/settingstextfield.h"
#include "settings/statuslabel.h"
#include "widgets/toggleswitch.h"

#include <QCoreApplication>
#include <QHBoxLayout>
#include <QSignalBlocker>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

// The segments, in order, and the stored value each writes.
const QStringList &modeValues()
{
    static const QStringList values{u"auto"_s, u"always"_s, u"never"_s};
    return values;
}

QString testButtonText(bool testing)
{
    return testing ? QCoreApplication::translate("WebSearchSettingsTab", "Testing…")
                   : QCoreApplication::translate("WebSearchSettingsTab", "Test Connection");
}

} // namespace

WebSearchSettingsTab::WebSearchSettingsTab(Settings &settings, QNetworkAccessManager *network,
                                           QWidget *parent)
    : QWidget(parent)
    , m_settings(settings)
    , m_client(network)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(18);

    m_modeSection = new SettingsSection(u"globe"_s, tr("Web Search"), this);
    m_modePicker
        = new SettingsSegmentedControl({tr("Auto"), tr("Always"), tr("Never")}, m_modeSection);
    m_modePicker->setObjectName(u"webSearchModePicker"_s);
    m_modePicker->setAccessibleName(tr("Mode"));
    m_modeSection->addRow(tr("Mode"), m_modePicker);
    connect(m_modePicker, &SettingsSegmentedControl::activated, this,
            [this](int index) { m_settings.setWebSearchMode(modeValues().value(index)); });
    layout->addWidget(m_modeSection);

    m_searxngSection = new SettingsSection(u"magnifyingglass"_s, tr("SearXNG"), this);
    m_hostField = new SettingsTextField(tr("localhost or IP"), 220, m_searxngSection);
    m_hostField->setObjectName(u"searxngHostField"_s);
    m_searxngSection->addRow(tr("Address"), m_hostField);
    m_portField = new SettingsTextField(u"8080"_s, 80, m_searxngSection);
    m_portField->setObjectName(u"searxngPortField"_s);
    m_searxngSection->addRow(tr("Port"), m_portField);
    m_httpsSwitch = new ToggleSwitch(m_searxngSection);
    m_httpsSwitch->setObjectName(u"searxngHttpsSwitch"_s);
    m_httpsSwitch->setAccessibleName(tr("Use HTTPS"));
    m_searxngSection->addRow(tr("Use HTTPS"), m_httpsSwitch);
    auto *testRow = new QWidget(m_searxngSection);
    auto *testLayout = new QHBoxLayout(testRow);
    testLayout->setContentsMargins(0, 0, 0, 0);
    testLayout->setSpacing(12);
    m_testButton = new SettingsButton(testButtonText(false), testRow);
    m_testButton->setObjectName(u"searchTestButton"_s);
    m_testStatus = new StatusLabel(testRow);
    testLayout->addWidget(m_testButton);
    testLayout->addWidget(m_testStatus, 1);
    m_searxngSection->addWidget(testRow);
    m_searxngSection->setFootnote(tr("Point this to your self-hosted or public SearXNG instance. "
                                     "The instance must have JSON format enabled."));
    layout->addWidget(m_searxngSection);
    layout->addStretch();

    connect(m_hostField, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_settings.setSearxngHost(text); });
    connect(m_portField, &QLineEdit::textEdited, this,
            [this](const QString &text) { m_settings.setSearxngPort(text); });
    connect(m_httpsSwitch, &ToggleSwitch::clicked, this,
            [this](bool checked) { m_settings.setSearxngUseHTTPS(checked); });
    connect(m_testButton, &QPushButton::clicked, this, &WebSearchSettingsTab::testConnection);

    connect(&m_settings, &Settings::changed, this, &WebSearchSettingsTab::settingChanged);
    showMode();
    showSearxng();
}

WebSearchSettingsTab::~WebSearchSettingsTab()
{
    m_cancel.cancel();
}

QString WebSearchSettingsTab::modeFootnote(const QString &storedMode)
{
    if (storedMode == u"auto")
        return tr("Searches automatically when your query looks like it needs current or factual "
                  "information.");
    if (storedMode == u"always")
        return tr("Always searches before every message, regardless of content.");
    return tr("Web search is disabled. The model will rely only on its training data.");
}

int WebSearchSettingsTab::modeIndex(const QString &storedMode)
{
    return int(modeValues().indexOf(storedMode));
}

QString WebSearchSettingsTab::resultText(qsizetype count)
{
    if (count == 0)
        return tr("No results");
    return count == 1 ? tr("1 result found") : tr("%n results found", nullptr, int(count));
}

QString WebSearchSettingsTab::testAddress() const
{
    return m_settings.searxngBaseURL();
}

void WebSearchSettingsTab::settingChanged(const QString &key)
{
    if (key == SettingsKeys::webSearchMode)
        showMode();
    else if (key == SettingsKeys::searxngHost || key == SettingsKeys::searxngPort
             || key == SettingsKeys::searxngUseHTTPS)
        showSearxng();
}

void WebSearchSettingsTab::showMode()
{
    const QString stored = m_settings.webSearchMode();
    m_modePicker->setCurrentIndex(modeIndex(stored));
    m_modeSection->setFootnote(modeFootnote(stored));
    // Hidden only for "never" itself: an unknown value does not search either, but the
    // instance stays at hand for the user who sets the mode right.
    m_searxngSection->setVisible(stored != u"never");
}

// Fields are only replaced when the stored text differs: what this tab just wrote comes
// back through Settings::changed and must not move the cursor. The raw texts are compared,
// not the trimmed ones the readers use, so a space being typed stays.
void WebSearchSettingsTab::showSearxng()
{
    const QString host = m_settings.value(SettingsKeys::searxngHost).toString();
    if (m_hostField->text() != host)
        m_hostField->setText(host);
    const QString port = m_settings.value(SettingsKeys::searxngPort).toString();
    if (m_portField->text() != port)
        m_portField->setText(port);
    const QSignalBlocker blocker(m_httpsSwitch);
    m_httpsSwitch->setChecked(m_settings.searxngUseHTTPS());
}

void WebSearchSettingsTab::testConnection()
{
    if (m_isTestingSearch)
        return;
    m_isTestingSearch = true;
    m_testButton->setText(testButtonText(true));
    m_testButton->setEnabled(false);
    m_testStatus->clear();
    runSearchTest(QPointer<WebSearchSettingsTab>(this), m_client, testAddress(), m_cancel);
}

QCoro::Task<> WebSearchSettingsTab::runSearchTest(QPointer<WebSearchSettingsTab> self,
                                                  WebSearchClient client, QString address,
                                                  CancellationToken token)
{
    auto search = client.searchWeb(u"test"_s, address, token);
    const QList<SearchResult> results = co_await std::move(search);
    if (!self || token.isCancelled())
        co_return;
    self->finishSearchTest(results.size());
}

void WebSearchSettingsTab::finishSearchTest(qsizetype count)
{
    m_testStatus->setStatus(resultText(count), count != 0);
    m_isTestingSearch = false;
    m_testButton->setText(testButtonText(false));
    m_testButton->setEnabled(true);
    Q_EMIT searchTestFinished();
}

void WebSearchSettingsTab::forgetTestResult()
{
    m_cancel.cancel();
    m_cancel = CancellationToken();
    m_isTestingSearch = false;
    m_testButton->setText(testButtonText(false));
    m_testButton->setEnabled(true);
    m_testStatus->clear();
}
