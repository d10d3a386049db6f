#pragma once

#include "base/cancellationtoken.h"
#include "search/websearchclient.h"

#include <QCoroTask>
#include <QPointer>
#include <QWidget>

#include <optional>

class QNetworkAccessManager;
class Settings;
class SettingsButton;
class SettingsSection;
class SettingsSegmentedControl;
class ToggleSwitch;
class SettingsTextField;
class StatusLabel;

// The "Web Search" tab: the search mode, the SearXNG instance (hidden while searching is off)
// and a test that runs one search for "test" the way a question would be searched.
class WebSearchSettingsTab : public QWidget
{
    Q_OBJECT

public:
    WebSearchSettingsTab(Settings &settings, QNetworkAccessManager *network,
                         QWidget *parent = nullptr);
    ~WebSearchSettingsTab() override;

    // The client the test searches with (tests point it at their fake services).
    void setSearchClient(const WebSearchClient &client) { m_client = client; }

    SettingsSegmentedControl *modePicker() const { return m_modePicker; }
    SettingsSection *modeSection() const { return m_modeSection; }
    SettingsSection *searxngSection() const { return m_searxngSection; }
    SettingsTextField *hostField() const { return m_hostField; }
    SettingsTextField *portField() const { return m_portField; }
    ToggleSwitch *httpsSwitch() const { return m_httpsSwitch; }
    SettingsButton *testButton() const { return m_testButton; }
    StatusLabel *testStatus() const { return m_testStatus; }

    bool isTestingSearch() const { return m_isTestingSearch; }
    // The address the test searches: scheme, "://", the host and, when there is one, the port.
    QString testAddress() const;

    // The footnote under the mode for a stored "webSearchMode".
    static QString modeFootnote(const QString &storedMode);
    // The segment of a stored mode; -1 for a value that is none of the three.
    static int modeIndex(const QString &storedMode);
    // "No results", "1 result found", "3 results found".
    static QString resultText(qsizetype count);

public Q_SLOTS:
    void testConnection();
    // Stops a running test and clears its result, as leaving the tab does.
    void forgetTestResult();

Q_SIGNALS:
    void searchTestFinished();

private:
    static QCoro::Task<> runSearchTest(QPointer<WebSearchSettingsTab> self, WebSearchClient client,
                                       QString address, CancellationToken token);
    void finishSearchTest(qsizetype count);
    void settingChanged(const QString &key);
    void showMode();
    void showSearxng();

    Settings &m_settings;
    WebSearchClient m_client;
    CancellationToken m_cancel;
    SettingsSection *m_modeSection = nullptr;
    SettingsSection *m_searxngSection = nullptr;
    SettingsSegmentedControl *m_modePicker = nullptr;
    SettingsTextField *m_hostField = nullptr;
    SettingsTextField *m_portField = nullptr;
    ToggleSwitch *m_httpsSwitch = nullptr;
    SettingsButton *m_testButton = nullptr;
    StatusLabel *m_testStatus = nullptr;
    bool m_isTestingSearch = false;
};
