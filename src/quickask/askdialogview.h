#pragma once

#include "chat/askdialogmodel.h"

#include <QKeySequence>
#include <QPointer>
#include <QWidget>

class AttachmentChipRow;
class AttachmentTray;
class AskActionButton;
class AskCard;
class AskGlassButton;
class AskInputField;
class AskPulsingDots;
class AskSearchModeButton;
class AskTransitionEffect;
class MarkdownView;
class QAbstractButton;
class QLabel;
class QShortcut;
class QTimer;
class Settings;
class SystemAppearance;

// The content of the Quick Ask panel: a glass card that holds the question field until a
// question is sent, then the question, the search or waiting state and the answer, with the
// actions for a finished exchange underneath. The panel follows its preferred height.
//
// While a thinking model thinks, the waiting dots say "Thinking…", and after a few seconds
// for how long, so that a long thought shows that something is going on.
//
// Files dropped or pasted on the field, or chosen with its paperclip, show as chips above it.
//
// Children carry object names ("inputRow", "attachmentChips", "inputField", "attachButton",
// "sendButton", "searchModeButton",
// "header", "questionLabel", "stopButton", "searchingRow", "pulsingDots", "thinkingLabel",
// "answerView", "actionRow", "newQuestionButton", "followUpButton", "saveButton") for the
// shell and tests.
class AskDialogView : public QWidget
{
    Q_OBJECT

public:
    static constexpr int columnWidth = 540;
    static constexpr int horizontalInset = 16;
    static constexpr int verticalInset = 20;
    static constexpr int panelWidth = columnWidth + 2 * horizontalInset;
    static constexpr int minimumPanelHeight = 76;
    // How long the model thinks before the bar says for how long.
    static constexpr int thinkingTimeShownAfterSeconds = 3;

    // Keys of the actions; their hints and help texts are drawn from the same sequences.
    static QKeySequence newQuestionKey();
    static QKeySequence followUpKey();
    static QKeySequence saveKey();
    static QKeySequence stopKey();

    // What the waiting dots say `elapsedSeconds` into the model's thought: "Thinking…", then
    // "Thinking… 5 s".
    static QString thinkingText(int elapsedSeconds);

    AskDialogView(AskDialogModel *model, Settings &settings, SystemAppearance &appearance,
                  QWidget *parent = nullptr);
    ~AskDialogView() override;

    AskDialogModel *model() const { return m_model; }
    // Whether the bar is drawn in the dark scheme now.
    bool isDarkScheme() const { return m_dark; }

    // The height the panel should have for its content (at least 76).
    int preferredHeight() const;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

Q_SIGNALS:
    void preferredHeightChanged(int height);

protected:
    bool event(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;
    void showEvent(QShowEvent *event) override;

private:
    QWidget *buildInputRow();
    QWidget *buildHeader();
    QWidget *buildRule();
    QWidget *buildAnswerArea();
    QWidget *buildActionRow();
    void buildShortcuts();

    void updateState();
    void updateActivity();
    void updateThinking(bool waiting);
    void showThinkingTime();
    void updateQueryText();
    void updateSendButton(bool animated);
    void updateColorScheme();
    void applyColors();
    void focusInput();
    // Asks the question, once the files still being read are attached.
    void ask();
    void reportPreferredHeight();

    QPointer<AskDialogModel> m_model;
    Settings &m_settings;
    SystemAppearance &m_appearance;
    bool m_dark = true;
    bool m_schemeApplied = false;
    bool m_shownOnce = false;
    bool m_hadActivity = false;
    bool m_wasLoading = false;
    bool m_couldContinue = false;
    bool m_sendStyleSet = false;
    int m_reportedHeight = -1;

    AskCard *m_card = nullptr;
    QWidget *m_inputRow = nullptr;
    AttachmentChipRow *m_attachmentChips = nullptr;
    AttachmentTray *m_tray = nullptr;
    QAbstractButton *m_attachButton = nullptr;
    AskSearchModeButton *m_searchModeButton = nullptr;
    AskInputField *m_inputField = nullptr;
    AskGlassButton *m_sendButton = nullptr;
    QWidget *m_header = nullptr;
    QLabel *m_quoteIcon = nullptr;
    QLabel *m_questionLabel = nullptr;
    AskGlassButton *m_stopButton = nullptr;
    QWidget *m_rule = nullptr;
    QWidget *m_answerArea = nullptr;
    QWidget *m_searchingRow = nullptr;
    QLabel *m_globeIcon = nullptr;
    QLabel *m_searchingLabel = nullptr;
    QWidget *m_waitingRow = nullptr;
    AskPulsingDots *m_dots = nullptr;
    QLabel *m_thinkingLabel = nullptr;
    QTimer *m_thinkingTicker = nullptr;
    MarkdownView *m_answerView = nullptr;
    QWidget *m_actionRow = nullptr;
    AskActionButton *m_newQuestionButton = nullptr;
    AskActionButton *m_followUpButton = nullptr;
    AskActionButton *m_saveButton = nullptr;

    AskTransitionEffect *m_inputRowEffect = nullptr;
    AskTransitionEffect *m_headerEffect = nullptr;
    AskTransitionEffect *m_actionRowEffect = nullptr;

    QShortcut *m_newQuestionShortcut = nullptr;
    QShortcut *m_followUpShortcut = nullptr;
    QShortcut *m_saveShortcut = nullptr;
    QShortcut *m_stopShortcut = nullptr;
};
