#include "quickask/askdialogview.h"

#include "base/apptheme.h"
#include "chat/askdialogmodel.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "markdown/markdownplaintext.h"
#include "markdown/view/markdownview.h"
#include "quickask/askactionbutton.h"
#include "quickask/askcard.h"
#include "quickask/askglassbutton.h"
#include "quickask/askinputfield.h"
#include "quickask/askpulsingdots.h"
#include "quickask/asksearchmodebutton.h"
#include "quickask/asktransitioneffect.h"
#include "quickask/quickasklog.h"
#include "widgets/announcer.h"
#include "widgets/appcolors.h"
#include "widgets/attachmentchiprow.h"
#include "widgets/attachmenttray.h"
#include "widgets/iconbutton.h"
#include "widgets/symbols.h"
#include "widgets/systemappearance.h"
#include "widgets/typestyles.h"

#include <QApplication>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QShortcut>
#include <QTimer>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int rowInset = 24;
// The gap between the card and the actions under it.
constexpr int actionRowGap = 10;

QString nativeText(const QKeySequence &key)
{
    return key.toString(QKeySequence::NativeText);
}

QColor withOpacity(QColor colour, qreal opacity)
{
    colour.setAlphaF(colour.alphaF() * float(opacity));
    return colour;
}

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

} // namespace

QKeySequence AskDialogView::newQuestionKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_N);
}

QKeySequence AskDialogView::followUpKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_F);
}

QKeySequence AskDialogView::saveKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_S);
}

QKeySequence AskDialogView::stopKey()
{
    return QKeySequence(Qt::CTRL | Qt::Key_Period);
}

AskDialogView::AskDialogView(AskDialogModel *model, Settings &settings,
                             SystemAppearance &appearance, QWidget *parent)
    : QWidget(parent)
    , m_model(model)
    , m_settings(settings)
    , m_appearance(appearance)
{
    setFixedWidth(panelWidth);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Preferred);
    // The shortcuts only work while focus is inside the view; once the field hides, the view
    // itself keeps it.
    setFocusPolicy(Qt::ClickFocus);

    auto *column = new QVBoxLayout(this);
    column->setContentsMargins(horizontalInset, verticalInset, horizontalInset, verticalInset);
    column->setSpacing(actionRowGap);

    m_card = new AskCard(this);
    auto *cardLayout = new QVBoxLayout(m_card);
    cardLayout->setContentsMargins(0, 0, 0, 0);
    cardLayout->setSpacing(0);
    cardLayout->addWidget(buildInputRow());
    cardLayout->addWidget(buildHeader());
    cardLayout->addWidget(buildRule());
    cardLayout->addWidget(buildAnswerArea());
    column->addWidget(m_card);
    column->addWidget(buildActionRow());
    column->addStretch(1);
    buildShortcuts();

    if (m_model) {
        connect(m_model, &AskDialogModel::queryChanged, this, &AskDialogView::updateQueryText);
        connect(m_model, &AskDialogModel::answerChanged, this, &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::isLoadingChanged, this, &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::isSearchingChanged, this, &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::isThinkingChanged, this, &AskDialogView::updateState);
        // What a screen reader hears: the states as they start, the answer once it has come.
        connect(m_model, &AskDialogModel::isSearchingChanged, this, [this](bool searching) {
            if (searching)
                Announcer::announce(this, tr("Searching the web"));
        });
        connect(m_model, &AskDialogModel::isThinkingChanged, this, [this](bool thinking) {
            if (thinking)
                Announcer::announce(this, tr("Thinking"));
        });
        connect(m_model, &AskDialogModel::isLoadingChanged, this, [this](bool loading) {
            if (!loading)
                Announcer::announce(this, MarkdownPlainText::fromMarkdown(m_model->answer()));
        });
        connect(m_model, &AskDialogModel::hasActivityChanged, this, &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::canContinueChanged, this, &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::conversationContextChanged, this,
                &AskDialogView::updateState);
        connect(m_model, &AskDialogModel::hasQueryTextChanged, this,
                [this] { updateSendButton(true); });
        connect(m_model, &AskDialogModel::focusRequested, this, &AskDialogView::focusInput);
    }
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme || key == SettingsKeys::quickAskFollowsSystemTheme)
            updateColorScheme();
    });
    connect(&m_appearance, &SystemAppearance::changed, this, &AskDialogView::updateColorScheme);

    updateColorScheme();
    updateQueryText();
    updateState();
}

AskDialogView::~AskDialogView() = default;

void AskDialogView::ask()
{
    if (!m_model)
        return;
    // A file still being read goes with the question it was attached to.
    if (m_tray)
        m_tray->whenRead([model = m_model] { model->sendQuery(); });
    else
        m_model->sendQuery();
}

QWidget *AskDialogView::buildInputRow()
{
    m_inputRow = new QWidget(m_card);
    m_inputRow->setObjectName(u"inputRow"_s);
    auto *stack = new QVBoxLayout(m_inputRow);
    stack->setContentsMargins(rowInset, 14, rowInset, 18);
    stack->setSpacing(10);
    m_attachmentChips = new AttachmentChipRow(m_inputRow);
    m_attachmentChips->setObjectName(u"attachmentChips"_s);
    stack->addWidget(m_attachmentChips);
    auto *row = new QHBoxLayout;
    row->setContentsMargins(0, 4, 0, 0);
    row->setSpacing(12);
    stack->addLayout(row);

    m_searchModeButton = new AskSearchModeButton(m_settings, m_inputRow);
    m_searchModeButton->setObjectName(u"searchModeButton"_s);
    row->addWidget(m_searchModeButton);

    m_inputField = new AskInputField(m_inputRow);
    m_inputField->setObjectName(u"inputField"_s);
    m_attachmentChips->setTabStopsBefore(m_inputField);
    row->addWidget(m_inputField, 1);
    connect(m_inputField, &QPlainTextEdit::textChanged, this, [this] {
        if (m_model)
            m_model->setQuery(m_inputField->toPlainText());
    });
    connect(m_inputField, &AskInputField::submitted, this, &AskDialogView::ask);

    m_attachButton = new IconButton(u"paperclip"_s, tr("Attach files"), 30, 17, m_inputRow);
    m_attachButton->setObjectName(u"attachButton"_s);
    m_attachButton->setToolTip(tr("Attach images or documents"));
    m_attachButton->setFocusPolicy(Qt::TabFocus);
    row->addWidget(m_attachButton);
    if (m_model) {
        AskDialogModel *model = m_model;
        m_tray = new AttachmentTray(
            {[model] { return model->attachments(); },
             [model](const Attachment &attachment) { return model->addAttachment(attachment); },
             [model](qsizetype index) { model->removeAttachment(index); }},
            m_attachmentChips, this);
        connect(m_model, &AskDialogModel::attachmentsChanged, m_tray, &AttachmentTray::refresh);
        connect(m_inputField, &AskInputField::filesOffered, m_tray, &AttachmentTray::attach);
        connect(m_inputField, &AskInputField::removeLastAttachmentRequested, m_tray,
                &AttachmentTray::removeLast);
        connect(m_attachButton, &QAbstractButton::clicked, this, [this] {
            m_tray->chooseFiles(window());
            focusInput();
        });
    }

    m_sendButton = new AskGlassButton(u"arrow.up"_s, 36, 13, Symbols::Weight::Semibold, m_inputRow);
    m_sendButton->setObjectName(u"sendButton"_s);
    m_sendButton->setToolTip(tr("Ask"));
    m_sendButton->setAccessibleName(tr("Ask"));
    row->addWidget(m_sendButton);
    connect(m_sendButton, &QAbstractButton::clicked, this, &AskDialogView::ask);

    m_inputRowEffect = AskTransitionEffect::apply(m_inputRow, AskTransitionEffect::Kind::Fade);
    return m_inputRow;
}

QWidget *AskDialogView::buildHeader()
{
    m_header = new QWidget(m_card);
    m_header->setObjectName(u"header"_s);
    auto *row = new QHBoxLayout(m_header);
    row->setContentsMargins(rowInset, 12, rowInset, 10);
    row->setSpacing(10);

    m_quoteIcon = new QLabel(m_header);
    m_quoteIcon->setFixedWidth(18);
    m_quoteIcon->setAlignment(Qt::AlignCenter);
    row->addWidget(m_quoteIcon);

    m_questionLabel = new QLabel(m_header);
    m_questionLabel->setObjectName(u"questionLabel"_s);
    // The question is the user's text, never markup.
    m_questionLabel->setTextFormat(Qt::PlainText);
    m_questionLabel->setWordWrap(true);
    m_questionLabel->setFont(TypeStyles::font(TypeStyle::Caption));
    row->addWidget(m_questionLabel, 1);

    m_stopButton
        = new AskGlassButton(u"stop.circle.fill"_s, 28, 13, Symbols::Weight::Semibold, m_header);
    m_stopButton->setObjectName(u"stopButton"_s);
    m_stopButton->setToolTip(tr("Stop (%1)").arg(nativeText(stopKey())));
    m_stopButton->setAccessibleName(tr("Stop"));
    m_stopButton->setStyle({AskGlassButton::Tone::Secondary, 1.0, 1.0, 0.08});
    row->addWidget(m_stopButton);
    connect(m_stopButton, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->stopAnswer();
    });

    m_headerEffect = AskTransitionEffect::apply(m_header, AskTransitionEffect::Kind::SlideFromTop);
    return m_header;
}

QWidget *AskDialogView::buildRule()
{
    auto *inset = new QWidget(m_card);
    auto *layout = new QHBoxLayout(inset);
    layout->setContentsMargins(rowInset, 0, rowInset, 0);
    m_rule = new QWidget(inset);
    m_rule->setFixedHeight(1);
    m_rule->setAutoFillBackground(true);
    layout->addWidget(m_rule);
    return inset;
}

QWidget *AskDialogView::buildAnswerArea()
{
    m_answerArea = new QWidget(m_card);
    auto *area = new QVBoxLayout(m_answerArea);
    area->setContentsMargins(rowInset, 16, rowInset, 20);
    area->setSpacing(0);

    m_searchingRow = new QWidget(m_answerArea);
    m_searchingRow->setObjectName(u"searchingRow"_s);
    auto *searching = new QHBoxLayout(m_searchingRow);
    searching->setContentsMargins(0, 0, 0, 0);
    searching->setSpacing(8);
    m_globeIcon = new QLabel(m_searchingRow);
    searching->addWidget(m_globeIcon);
    m_searchingLabel = new QLabel(tr("Searching the web…"), m_searchingRow);
    m_searchingLabel->setFont(TypeStyles::font(TypeStyle::StatusTitle));
    searching->addWidget(m_searchingLabel);
    searching->addStretch(1);
    area->addWidget(m_searchingRow);

    m_waitingRow = new QWidget(m_answerArea);
    auto *waiting = new QHBoxLayout(m_waitingRow);
    waiting->setContentsMargins(0, 0, 0, 0);
    waiting->setSpacing(10);
    m_dots = new AskPulsingDots(m_waitingRow);
    m_dots->setObjectName(u"pulsingDots"_s);
    waiting->addWidget(m_dots);
    m_thinkingLabel = new QLabel(m_waitingRow);
    m_thinkingLabel->setObjectName(u"thinkingLabel"_s);
    m_thinkingLabel->setTextFormat(Qt::PlainText);
    m_thinkingLabel->setFont(TypeStyles::font(TypeStyle::StatusTitle));
    waiting->addWidget(m_thinkingLabel);
    waiting->addStretch(1);
    area->addWidget(m_waitingRow);
    m_thinkingTicker = new QTimer(this);
    m_thinkingTicker->setInterval(1000);
    // Never early: the seconds shown are whole ones that have passed.
    m_thinkingTicker->setTimerType(Qt::PreciseTimer);
    connect(m_thinkingTicker, &QTimer::timeout, this, &AskDialogView::showThinkingTime);

    m_answerView = new MarkdownView(m_answerArea);
    m_answerView->setObjectName(u"answerView"_s);
    m_answerView->setBaseFont(TypeStyles::font(TypeStyle::StatusTitle));
    m_answerView->setCodeFont(TypeStyles::monospace(13));
    m_answerView->installEventFilter(this);
    area->addWidget(m_answerView);
    return m_answerArea;
}

QWidget *AskDialogView::buildActionRow()
{
    m_actionRow = new QWidget(this);
    m_actionRow->setObjectName(u"actionRow"_s);
    auto *row = new QHBoxLayout(m_actionRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addStretch(1);

    m_newQuestionButton = new AskActionButton(u"plus"_s, tr("New question"),
                                              nativeText(newQuestionKey()), false, m_actionRow);
    m_newQuestionButton->setObjectName(u"newQuestionButton"_s);
    m_newQuestionButton->setToolTip(
        tr("Ask a new question (%1)").arg(nativeText(newQuestionKey())));
    m_followUpButton = new AskActionButton(u"arrow.turn.down.right"_s, tr("Follow up"),
                                           nativeText(followUpKey()), false, m_actionRow);
    m_followUpButton->setObjectName(u"followUpButton"_s);
    m_followUpButton->setToolTip(tr("Ask a follow-up (%1)").arg(nativeText(followUpKey())));
    m_saveButton = new AskActionButton(u"arrow.up.forward.app"_s, tr("Save"), nativeText(saveKey()),
                                       true, m_actionRow);
    m_saveButton->setObjectName(u"saveButton"_s);
    //: %1 is the key chord
    m_saveButton->setToolTip(tr("Save & continue in Chat (%1)").arg(nativeText(saveKey())));
    for (AskActionButton *button : {m_newQuestionButton, m_followUpButton, m_saveButton})
        row->addWidget(button);

    connect(m_newQuestionButton, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->startNewQuestion();
    });
    connect(m_followUpButton, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->askFollowUp();
    });
    connect(m_saveButton, &QAbstractButton::clicked, this, [this] {
        if (m_model)
            m_model->saveAndContinueInChat();
    });

    m_actionRowEffect
        = AskTransitionEffect::apply(m_actionRow, AskTransitionEffect::Kind::SlideFromTop);
    return m_actionRow;
}

void AskDialogView::buildShortcuts()
{
    const auto shortcut = [this](const QKeySequence &key, auto slot) {
        auto *shortcut = new QShortcut(key, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, [this, slot] {
            if (m_model)
                (m_model.data()->*slot)();
        });
        return shortcut;
    };
    m_newQuestionShortcut = shortcut(newQuestionKey(), &AskDialogModel::startNewQuestion);
    m_followUpShortcut = shortcut(followUpKey(), &AskDialogModel::askFollowUp);
    m_saveShortcut = shortcut(saveKey(), &AskDialogModel::saveAndContinueInChat);
    m_stopShortcut = shortcut(stopKey(), &AskDialogModel::stopAnswer);
}

void AskDialogView::updateState()
{
    if (!m_model)
        return;
    updateActivity();

    const bool loading = m_model->isLoading();
    const bool searching = m_model->isSearching();
    const QString answer = m_model->answer();
    m_searchingRow->setVisible(searching);
    const bool waiting = !searching && loading && answer.isEmpty();
    m_waitingRow->setVisible(waiting);
    updateThinking(waiting);
    const bool showsAnswer = !searching && !(loading && answer.isEmpty());
    if (m_answerView->text() != answer)
        m_answerView->setText(answer);
    m_answerView->setVisible(showsAnswer);

    m_stopButton->setVisible(loading);
    if (loading && !m_wasLoading) {
        m_stopButton->enter();
        // The bar itself holds the keyboard while its field is gone; Stop is what it can do.
        if (hasFocus())
            m_stopButton->setFocus(Qt::OtherFocusReason);
    }
    m_wasLoading = loading;
    m_stopShortcut->setEnabled(loading);

    const bool canContinue = m_model->canContinue();
    // The keyboard follows the bar from Stop to the answer's first action, never left on a
    // button that went away.
    const bool focusWasOurs
        = !QApplication::focusWidget() || hasFocus() || m_stopButton->hasFocus();
    m_actionRow->setVisible(canContinue);
    if (canContinue && !m_couldContinue && focusWasOurs && isVisible())
        m_newQuestionButton->setFocus(Qt::OtherFocusReason);
    if (canContinue && !m_couldContinue)
        m_actionRowEffect->enter();
    m_couldContinue = canContinue;
    for (QShortcut *shortcut : {m_newQuestionShortcut, m_followUpShortcut, m_saveShortcut})
        shortcut->setEnabled(canContinue);

    const QString prompt
        = m_model->conversationContext().isEmpty() ? tr("Ask anything") : tr("Ask a follow-up");
    m_inputField->setPlaceholderText(prompt);
    // The placeholder is gone once something is typed; the field's name stays.
    m_inputField->setAccessibleName(prompt);
    updateSendButton(true);
}

QString AskDialogView::thinkingText(int elapsedSeconds)
{
    if (elapsedSeconds < thinkingTimeShownAfterSeconds)
        return tr("Thinking…");
    //: %1 is the seconds since the question was asked
    return tr("Thinking… %1 s").arg(elapsedSeconds);
}

void AskDialogView::updateThinking(bool waiting)
{
    const bool thinking = waiting && m_model->isThinking();
    if (thinking == m_thinkingLabel->isVisibleTo(m_waitingRow))
        return;
    m_thinkingLabel->setVisible(thinking);
    if (thinking) {
        qCInfo(lcQuickAsk, "The Quick Ask bar shows that the model thinks");
        showThinkingTime();
        m_thinkingTicker->start();
    } else {
        m_thinkingTicker->stop();
    }
}

void AskDialogView::showThinkingTime()
{
    if (m_model)
        m_thinkingLabel->setText(thinkingText(m_model->thinkingElapsedSeconds()));
}

void AskDialogView::updateActivity()
{
    const bool activity = m_model->hasActivity();
    const bool fieldHadFocus = m_inputField->hasFocus();
    m_inputRow->setVisible(!activity);
    m_header->setVisible(activity);
    m_rule->parentWidget()->setVisible(activity);
    m_answerArea->setVisible(activity);
    if (activity != m_hadActivity) {
        if (activity)
            m_headerEffect->enter();
        else
            m_inputRowEffect->enter();
        // Keep the focus inside the bar, where the action keys work, and hand it back to the
        // field when a stopped question returns there to be edited.
        QWidget *focus = QApplication::focusWidget();
        const bool focusIsOurs = fieldHadFocus || !focus || focus == this || isAncestorOf(focus);
        if (focusIsOurs && isVisible()) {
            if (activity)
                setFocus(Qt::OtherFocusReason);
            else
                m_inputField->setFocus(Qt::OtherFocusReason);
        }
    }
    m_hadActivity = activity;
}

void AskDialogView::updateQueryText()
{
    if (!m_model)
        return;
    const QString query = m_model->query();
    if (m_inputField->toPlainText() != query) {
        m_inputField->setPlainText(query);
        m_inputField->moveCursor(QTextCursor::End);
    }
    m_questionLabel->setText(query);
}

void AskDialogView::updateSendButton(bool animated)
{
    const bool hasText = m_model && m_model->hasQueryText();
    m_sendButton->setEnabled(hasText);
    const AskGlassButton::Style style = hasText
        ? AskGlassButton::Style{AskGlassButton::Tone::Primary, 1.0, 1.0, 0.16}
        : AskGlassButton::Style{AskGlassButton::Tone::Secondary, 0.35, 0.72, 0.08};
    const AskGlassButton::Style current = m_sendButton->style();
    if (m_sendStyleSet && current.tone == style.tone && current.toneOpacity == style.toneOpacity)
        return;
    if (animated && m_sendStyleSet)
        m_sendButton->animateToStyle(style);
    else
        m_sendButton->setStyle(style);
    m_sendStyleSet = true;
}

void AskDialogView::updateColorScheme()
{
    const ColorSchemePreference preference = AppThemes::quickAskColorScheme(
        m_settings.appTheme(), m_settings.quickAskFollowsSystemTheme());
    const bool dark = AppThemes::isDark(preference, m_appearance.isDark());
    if (m_schemeApplied && dark == m_dark)
        return;
    m_schemeApplied = true;
    m_dark = dark;
    setPalette(AppColors::palette(dark));
    m_card->setDark(dark);
    applyColors();
}

void AskDialogView::applyColors()
{
    const QPalette colours = AppColors::palette(m_dark);
    const QColor secondary = AppColors::secondaryText(colours);
    const qreal ratio = devicePixelRatioF();
    m_quoteIcon->setPixmap(Symbols::pixmap(u"quote.bubble", 11, withOpacity(secondary, 0.8), ratio,
                                           Symbols::Weight::Semibold));
    m_globeIcon->setPixmap(
        Symbols::pixmap(u"globe", 13, secondary, ratio, Symbols::Weight::Medium));
    setTextColour(m_questionLabel, secondary);
    setTextColour(m_searchingLabel, secondary);
    setTextColour(m_thinkingLabel, secondary);
    QPalette rule = m_rule->palette();
    rule.setColor(QPalette::Window, withOpacity(AppColors::primaryText(colours), 0.08));
    m_rule->setPalette(rule);
}

void AskDialogView::focusInput()
{
    if (m_inputField->isVisible())
        m_inputField->setFocus(Qt::OtherFocusReason);
}

int AskDialogView::preferredHeight() const
{
    QLayout *column = layout();
    const int height = column->hasHeightForWidth() ? column->totalHeightForWidth(panelWidth)
                                                   : column->totalSizeHint().height();
    return std::max(height, minimumPanelHeight);
}

QSize AskDialogView::sizeHint() const
{
    return {panelWidth, preferredHeight()};
}

QSize AskDialogView::minimumSizeHint() const
{
    return {panelWidth, minimumPanelHeight};
}

bool AskDialogView::eventFilter(QObject *watched, QEvent *event)
{
    // The answer's text blocks size themselves from their width at the time they are asked,
    // and the Markdown view's top-aligned layout keeps what they said before the first
    // resize, which cuts a long answer short. Asking again once the width is known fixes it.
    if (watched == m_answerView && event->type() == QEvent::Resize) {
        QTimer::singleShot(0, m_answerView, [view = m_answerView] {
            const auto blocks = view->findChildren<QWidget *>(Qt::FindDirectChildrenOnly);
            for (QWidget *block : blocks)
                block->updateGeometry();
        });
    }
    return QWidget::eventFilter(watched, event);
}

bool AskDialogView::event(QEvent *event)
{
    const bool handled = QWidget::event(event);
    if (event->type() == QEvent::LayoutRequest)
        reportPreferredHeight();
    return handled;
}

void AskDialogView::reportPreferredHeight()
{
    const int height = preferredHeight();
    if (height == m_reportedHeight)
        return;
    m_reportedHeight = height;
    Q_EMIT preferredHeightChanged(height);
}

void AskDialogView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shownOnce) {
        m_shownOnce = true;
        focusInput();
        QTimer::singleShot(AskDialogModel::focusDelayMs, this, &AskDialogView::focusInput);
    }
    reportPreferredHeight();
}
