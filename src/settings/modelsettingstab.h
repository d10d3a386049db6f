#pragma once

#include "base/cancellationtoken.h"

#include <QCoroTask>
#include <QNetworkAccessManager>
#include <QPointer>
#include <QWidget>

class ModelChoice;
class QComboBox;
class QDoubleSpinBox;
class QSpinBox;
class Settings;
class SettingsButton;
class SettingsSection;
class SettingsTextField;
class StatusLabel;
class ToggleSwitch;

// The "Model" tab: the model server's address, a check that asks the server which model
// it would answer with, and the model to answer with (the server's models, listed when the
// tab shows and with each check); the temperature and the longest answer; and whether the
// chat shows what a thinking model thought.
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
    // "Automatic" and then the server's models; each item's data is its id.
    QComboBox *modelBox() const { return m_modelBox; }
    ModelChoice &modelChoice() const { return *m_modelChoice; }
    SettingsSection *generationSection() const { return m_generationSection; }
    QDoubleSpinBox *temperatureBox() const { return m_temperature; }
    // 0 shows "No limit".
    QSpinBox *maxTokensBox() const { return m_maxTokens; }
    QSpinBox *attachmentTextBox() const { return m_attachmentText; }
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

protected:
    void showEvent(QShowEvent *event) override;

private:
    static QCoro::Task<> runModelCheck(QPointer<ModelSettingsTab> self,
                                       QPointer<QNetworkAccessManager> network, QString address,
                                       CancellationToken token);
    void finishModelCheck(const QString &status, bool ok);
    void showAddress();
    void showThinking();
    void showModels();
    void showGeneration();
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
    ModelChoice *m_modelChoice = nullptr;
    QComboBox *m_modelBox = nullptr;
    SettingsSection *m_generationSection = nullptr;
    QDoubleSpinBox *m_temperature = nullptr;
    QSpinBox *m_maxTokens = nullptr;
    QSpinBox *m_attachmentText = nullptr;
    SettingsSection *m_thinkingSection = nullptr;
    ToggleSwitch *m_showThinking = nullptr;
    bool m_isCheckingModel = false;
};
