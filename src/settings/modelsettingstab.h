#pragma once

#include "base/cancellationtoken.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QWidget>

class Settings;
class SettingsButton;
class SettingsSection;
class SettingsTextField;
class StatusLabel;
class ToggleSwitch;

// The "Model" tab: the model server's address and a check that asks the server which model
// it would answer with; and whether the chat shows what a thinking model thought.
class ModelSettingsTab : public QWidget
{
    Q_OBJECT

public:
    ModelSettingsTab(Settings &settings, QNetworkAccessManager *network, QWidget *parent = nullptr);
    ~ModelSettingsTab() override;

    SettingsSection *section() const { return m_section; }
    SettingsTextField *serverField() const { return m_serverField; }
    // Why the address in the field cannot be used; hidden while it can.
    StatusLabel *addressStatus() const { return m_addressStatus; }
    SettingsButton *checkButton() const { return m_checkButton; }
    StatusLabel *modelStatus() const { return m_status; }
    bool isCheckingModel() const { return m_isCheckingModel; }
    SettingsSection *thinkingSection() const { return m_thinkingSection; }
    ToggleSwitch *showThinkingSwitch() const { return m_showThinking; }

    // What the check shows when it fails without a description of its own.
    static QString fallbackFailureText();

public Q_SLOTS:
    void checkConnection();
    // Stops a running test and clears its result, as leaving the tab does.
    void forgetTestResult();

Q_SIGNALS:
    void modelCheckFinished();

private:
    static QCoro::Task<> runModelCheck(QPointer<ModelSettingsTab> self,
                                       QPointer<QNetworkAccessManager> network, QString address,
                                       CancellationToken token);
    void finishModelCheck(const QString &status, bool ok);
    void showAddress();
    void showThinking();
    // Shows why `address` cannot be used, or nothing; whether it can.
    bool showAddressProblem(const QString &address);

    Settings &m_settings;
    QPointer<QNetworkAccessManager> m_network;
    CancellationToken m_cancel;
    SettingsSection *m_section = nullptr;
    SettingsTextField *m_serverField = nullptr;
    StatusLabel *m_addressStatus = nullptr;
    SettingsButton *m_checkButton = nullptr;
    StatusLabel *m_status = nullptr;
    SettingsSection *m_thinkingSection = nullptr;
    ToggleSwitch *m_showThinking = nullptr;
    bool m_isCheckingModel = false;
};
