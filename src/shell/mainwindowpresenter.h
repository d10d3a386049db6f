#pragma once

#include <QObject>
#include <QPointer>

class ConversationController;
class MainWindow;
class OnboardingView;
class QWidget;
class Settings;

// Decides what the main window holds: the first-run card until "hasCompletedOnboarding" is
// set, the chat afterwards, and the card again when a reset clears it. Both views live as
// long as the window; the one not shown waits hidden inside it.
//
// While the card shows the window is borderless and exactly the card's size (see-through
// where the card's corners are round); when the flow finishes it gets its decorations, its
// 820 × 560 minimum and its 1100 × 760 default size back, centred.
class MainWindowPresenter : public QObject
{
    Q_OBJECT

public:
    // `chat` and `onboarding` become children of `window`.
    MainWindowPresenter(MainWindow *window, QWidget *chat, OnboardingView *onboarding,
                        Settings *settings, ConversationController *controller,
                        QObject *parent = nullptr);

    bool isShowingOnboarding() const;

private:
    void showWhatIsDue();
    void showOnboarding();
    void showChat();
    void clearContent();
    // Borderless card or normal window; keeps the window on screen if it was.
    void setCardChrome(bool card);
    void centreWindow();

    QPointer<MainWindow> m_window;
    QPointer<QWidget> m_chat;
    QPointer<OnboardingView> m_onboarding;
    QPointer<Settings> m_settings;
    QPointer<ConversationController> m_controller;
    bool m_cardChrome = false;
};
