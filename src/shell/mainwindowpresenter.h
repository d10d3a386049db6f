#pragma once

#include <QObject>

class ContentView;
class MainWindow;
class OnboardingView;
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
    // `chat` and `onboarding` become children of `window`, which must outlive the presenter.
    MainWindowPresenter(MainWindow &window, ContentView &chat, OnboardingView &onboarding,
                        Settings &settings, QObject *parent = nullptr);

    bool isShowingOnboarding() const;

private:
    void showWhatIsDue();
    void showOnboarding();
    void showChat();
    void clearContent();
    // Borderless card or normal window; keeps the window on screen if it was.
    void setCardChrome(bool card);
    void centreWindow();

    MainWindow &m_window;
    ContentView &m_chat;
    OnboardingView &m_onboarding;
    Settings &m_settings;
    bool m_cardChrome = false;
};
