#pragma once

#include "chat/quickprompt.h"

#include <QList>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class ConversationController;
class EntranceEffect;
class GreetingLabel;
class QLabel;
class QLocale;
class QScrollArea;
class QTime;
class QVBoxLayout;
class QuickPromptRow;

// The screen of an empty chat: the time, the greeting, a line of guidance and four starters
// drawn at random, over the composer the window hands in. A starter fills the draft and
// focuses the composer; it sends nothing. The hero and the starters play their entrance
// whenever heroAppeared turns true: when the screen is shown, and again for a new chat or a
// reset of the window, which hide them and draw new starters first.
class NewChatView : public QWidget
{
    Q_OBJECT

public:
    explicit NewChatView(ConversationController &controller, QWidget *parent = nullptr);

    // Places `composer` under the scrolling content. The window moves the same composer to
    // the conversation and back; call this again each time it comes back.
    void setComposer(QWidget *composer);
    QWidget *composer() const { return m_composer; }

    const QList<QuickPrompt> &displayedPrompts() const { return m_displayedPrompts; }
    QList<QuickPromptRow *> promptRows() const { return m_rows; }

    // Draws four new starters.
    void drawPrompts();

    // Hero and starters are in place (or on their way), rather than hidden for their
    // entrance.
    bool heroAppeared() const { return m_heroAppeared; }
    void setHeroAppeared(bool appeared);

    // The clock line: hours and minutes, with AM/PM where the locale writes the time that way.
    static QString timeText(const QTime &time, const QLocale &locale);

Q_SIGNALS:
    // How far the content has scrolled, 0 at rest to 1 from 66 pixels on; the window keeps it
    // as its chatTitleBlurProgress.
    void scrollProgressChanged(qreal progress);

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    QWidget *buildContent();
    void choose(const QuickPrompt &prompt);
    void refreshClock();
    void scheduleClock();
    void applyColors();
    void onHeroAppearedChanged();
    // Hides hero and starters, draws new starters and plays their entrance again.
    void replayEntrance();
    // Puts hero and starters where heroAppeared says, animated or at once.
    void playEntrance(bool animated);
    void hideForEntrance();
    void reportScroll(int value);

    ConversationController &m_controller;
    bool m_heroAppeared = false;
    QList<QuickPrompt> m_displayedPrompts;
    QPointer<QWidget> m_composer;

    QVBoxLayout *m_layout = nullptr;
    QScrollArea *m_scrollArea = nullptr;
    QWidget *m_hero = nullptr;
    EntranceEffect *m_heroEntrance = nullptr;
    QLabel *m_time = nullptr;
    GreetingLabel *m_greeting = nullptr;
    QLabel *m_guidance = nullptr;
    QLabel *m_startersHeading = nullptr;
    QVBoxLayout *m_rowsLayout = nullptr;
    QList<QuickPromptRow *> m_rows;
    QTimer m_clock;
    // Bumped whenever the entrance restarts, so that a row's delayed start from an earlier
    // entrance does nothing.
    int m_entranceGeneration = 0;
    bool m_drawOnShow = false;
};
