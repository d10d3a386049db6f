#include "main_window/newchatview.h"

#include "chat/conversationcontroller.h"
#include "main_window/entranceeffect.h"
#include "main_window/greetinglabel.h"
#include "main_window/quickpromptrow.h"
#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QBoxLayout>
#include <QEvent>
#include <QLabel>
#include <QLocale>
#include <QScrollArea>
#include <QScrollBar>
#include <QShowEvent>
#include <QTime>

using namespace Qt::StringLiterals;
using namespace std::chrono_literals;

namespace {

// The text column, as wide as the composer below it and the conversation's rows.
constexpr int contentWidth = 720;
constexpr int sideInset = 20;
constexpr int heroDistance = 16;
constexpr int rowDistance = 10;
constexpr int rowDelayBaseMs = 50;
constexpr int rowDelayStepMs = 60;

QColor tertiary(const QPalette &palette)
{
    QColor color = AppColors::primaryText(palette);
    color.setAlphaF(0.3f);
    return color;
}

void setTextColor(QWidget *widget, const QColor &color)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, color);
    widget->setPalette(palette);
}

QFont upperCase(QFont font)
{
    font.setCapitalization(QFont::AllUppercase);
    return font;
}

// Moves an entrance at once, stopping one that runs.
void jump(EntranceEffect *effect, qreal progress)
{
    Animations::animate(effect, "progress", progress, Animations::Timing{0, QEasingCurve()});
    effect->setProgress(progress);
}

} // namespace

NewChatView::NewChatView(ConversationController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
{
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);

    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Only a short window scrolls this screen, and then Tab brings what it reaches into view:
    // an unnamed stop of its own would tell a screen reader nothing.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    // The window's background shows through the whole screen.
    m_scrollArea->setAutoFillBackground(false);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_scrollArea->setWidget(buildContent());
    // setWidget() fills the content's background; it must stay clear.
    m_scrollArea->widget()->setAutoFillBackground(false);
    m_layout->addWidget(m_scrollArea, 1);
    connect(m_scrollArea->verticalScrollBar(), &QScrollBar::valueChanged, this,
            &NewChatView::reportScroll);

    m_clock.setSingleShot(true);
    connect(&m_clock, &QTimer::timeout, this, [this] {
        refreshClock();
        scheduleClock();
    });

    connect(&controller, &ConversationController::newChatStarted, this,
            &NewChatView::replayEntrance);
    connect(&controller, &ConversationController::windowReset, this,
            [this] { setHeroAppeared(false); });
    connect(&controller, &ConversationController::greetingChanged, this,
            [this] { m_greeting->setText(m_controller.greeting()); });

    drawPrompts();
    refreshClock();
    applyColors();
    hideForEntrance();
}

QWidget *NewChatView::buildContent()
{
    auto *content = new QWidget;

    auto *column = new QWidget(content);
    column->setMaximumWidth(contentWidth + 2 * sideInset);
    auto *columnLayout = new QVBoxLayout(column);
    columnLayout->setContentsMargins(sideInset, 32 + 24, sideInset, 20);
    columnLayout->setSpacing(32);

    m_hero = new QWidget(column);
    auto *heroLayout = new QVBoxLayout(m_hero);
    heroLayout->setContentsMargins(0, 0, 0, 0);
    heroLayout->setSpacing(12);
    m_time = new QLabel(m_hero);
    m_time->setTextFormat(Qt::PlainText);
    m_time->setFont(upperCase(TypeStyles::font(TypeStyle::Overline)));
    m_greeting = new GreetingLabel(m_hero);
    m_guidance = new QLabel(tr("Ask anything or jump in with a starter below."), m_hero);
    m_guidance->setTextFormat(Qt::PlainText);
    m_guidance->setWordWrap(true);
    m_guidance->setFont(TypeStyles::font(TypeStyle::Body));
    heroLayout->addWidget(m_time);
    heroLayout->addWidget(m_greeting);
    heroLayout->addWidget(m_guidance);
    m_heroEntrance = new EntranceEffect(heroDistance, m_hero);
    m_hero->setGraphicsEffect(m_heroEntrance);

    auto *starters = new QWidget(column);
    auto *startersLayout = new QVBoxLayout(starters);
    startersLayout->setContentsMargins(0, 0, 0, 0);
    startersLayout->setSpacing(8);
    m_startersHeading = new QLabel(tr("Quick starters"), starters);
    m_startersHeading->setTextFormat(Qt::PlainText);
    m_startersHeading->setFont(upperCase(TypeStyles::font(TypeStyle::Overline)));
    startersLayout->addWidget(m_startersHeading);
    m_rowsLayout = new QVBoxLayout;
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(8);
    startersLayout->addLayout(m_rowsLayout);

    columnLayout->addWidget(m_hero);
    columnLayout->addWidget(starters);
    columnLayout->addStretch(1);

    auto *centring = new QHBoxLayout(content);
    centring->setContentsMargins(0, 0, 0, 0);
    centring->addStretch(0);
    centring->addWidget(column, 1);
    centring->addStretch(0);
    return content;
}

void NewChatView::setComposer(QWidget *composer)
{
    if (m_composer && m_composer != composer && m_composer->parentWidget() == this)
        m_layout->removeWidget(m_composer);
    m_composer = composer;
    if (!composer)
        return;
    if (composer->parentWidget() != this)
        composer->setParent(this);
    if (m_layout->indexOf(composer) == -1)
        m_layout->addWidget(composer, 0);
    composer->show();
}

void NewChatView::drawPrompts()
{
    for (QuickPromptRow *row : std::as_const(m_rows))
        delete row;
    m_rows.clear();
    m_displayedPrompts = QuickPrompt::randomSelection();
    const bool shown = m_heroAppeared;
    for (const QuickPrompt &prompt : std::as_const(m_displayedPrompts)) {
        auto *row = new QuickPromptRow(prompt, m_rowsLayout->parentWidget());
        auto *entrance = new EntranceEffect(rowDistance, row);
        entrance->setProgress(shown ? 1 : 0);
        row->setGraphicsEffect(entrance);
        connect(row, &QAbstractButton::clicked, this, [this, prompt] { choose(prompt); });
        m_rowsLayout->addWidget(row);
        m_rows.append(row);
    }
}

void NewChatView::choose(const QuickPrompt &prompt)
{
    // The starter replaces whatever was typed; the user edits it before sending.
    m_controller.setDraft(prompt.prompt);
    m_controller.focusComposerSoon(0ms);
}

void NewChatView::refreshClock()
{
    m_time->setText(timeText(QTime::currentTime(), QLocale()));
    // The part of the day moves on with the clock.
    m_greeting->setText(m_controller.greeting());
}

QString NewChatView::timeText(const QTime &time, const QLocale &locale)
{
    // The locale's short format may carry seconds (the C locale's does); the clock line
    // shows the minute.
    const bool twelveHour
        = locale.timeFormat(QLocale::ShortFormat).contains(u'a', Qt::CaseInsensitive);
    return locale.toString(time, twelveHour ? u"h:mm AP"_s : u"HH:mm"_s);
}

void NewChatView::scheduleClock()
{
    // Just past the next full minute, so the time shown is never a minute behind.
    const int intoMinute = QTime::currentTime().msecsSinceStartOfDay() % 60000;
    m_clock.start(60000 - intoMinute + 20);
}

void NewChatView::applyColors()
{
    const QPalette &colors = palette();
    setTextColor(m_time, tertiary(colors));
    setTextColor(m_startersHeading, tertiary(colors));
    setTextColor(m_guidance, AppColors::secondaryText(colors));
    m_greeting->update();
}

void NewChatView::setHeroAppeared(bool appeared)
{
    if (m_heroAppeared == appeared)
        return;
    m_heroAppeared = appeared;
    onHeroAppearedChanged();
}

void NewChatView::replayEntrance()
{
    // Off and on again.
    setHeroAppeared(false);
    setHeroAppeared(true);
}

void NewChatView::onHeroAppearedChanged()
{
    if (m_heroAppeared) {
        playEntrance(isVisible());
        return;
    }
    // A new chat: new starters, hidden until the entrance plays.
    drawPrompts();
    hideForEntrance();
    // The screen may be on display already, with nothing left to show it; play the entrance
    // again rather than leave it empty.
    QTimer::singleShot(0, this, [this] {
        if (isVisible() && !m_heroAppeared)
            setHeroAppeared(true);
    });
}

void NewChatView::playEntrance(bool animated)
{
    const int generation = ++m_entranceGeneration;
    if (!animated || !Animations::enabled()) {
        jump(m_heroEntrance, 1);
        for (QuickPromptRow *row : std::as_const(m_rows))
            jump(static_cast<EntranceEffect *>(row->graphicsEffect()), 1);
        return;
    }
    Animations::animate(m_heroEntrance, "progress", 1.0, Animations::entranceEase());
    for (qsizetype n = 0; n < m_rows.size(); ++n) {
        auto *entrance = static_cast<EntranceEffect *>(m_rows.at(n)->graphicsEffect());
        const int delay = int(n) * rowDelayStepMs + rowDelayBaseMs;
        QTimer::singleShot(delay, entrance, [this, entrance, generation] {
            if (generation == m_entranceGeneration)
                Animations::animate(entrance, "progress", 1.0, Animations::entranceEase());
        });
    }
}

void NewChatView::hideForEntrance()
{
    ++m_entranceGeneration;
    jump(m_heroEntrance, 0);
    for (QuickPromptRow *row : std::as_const(m_rows))
        jump(static_cast<EntranceEffect *>(row->graphicsEffect()), 0);
}

void NewChatView::reportScroll(int value)
{
    // Nothing until the content has moved 6 pixels, fully there 60 pixels later.
    Q_EMIT scrollProgressChanged(qBound(0.0, (value - 6) / 60.0, 1.0));
}

void NewChatView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (event->spontaneous())
        return;
    if (m_drawOnShow) {
        m_drawOnShow = false;
        drawPrompts();
    }
    refreshClock();
    scheduleClock();
    if (m_heroAppeared)
        playEntrance(false);
    else
        setHeroAppeared(true);
}

void NewChatView::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    if (event->spontaneous())
        return;
    // Shown again later, the screen stands for another empty chat.
    m_drawOnShow = true;
    m_clock.stop();
}

void NewChatView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}
