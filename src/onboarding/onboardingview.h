#pragma once

#include "onboarding/onboardingstage.h"

#include <QHash>
#include <QPointer>
#include <QTimer>
#include <QWidget>

class CrossFadeOverlay;
class OnboardingButton;
class OnboardingModel;
class OnboardingPage;
class OnboardingPageStack;
class SetUpLaterDialog;
class Settings;
class SystemAppearance;
class TrafficLight;

// The first-run flow as the main window shows it: a 440 × 460 card with its own window
// dots, the page of the current stage and the footer of that stage. It draws what the model
// says, in the scheme "appTheme" asks for, and hands every action to the model; the window
// around it is the presenter's business.
//
// Return performs the stage's main action wherever the keyboard is on the card, and the
// field of a stage takes the keyboard 0.08 s after the stage shows.
class OnboardingView : public QWidget
{
    Q_OBJECT

public:
    static constexpr QSize cardSize{440, 460};
    static constexpr qreal cornerRadius = 14;
    static constexpr int focusDelayMs = 80;

    OnboardingView(OnboardingModel &model, Settings &settings, SystemAppearance &appearance,
                   QWidget *parent = nullptr);
    ~OnboardingView() override;

    // The flow comes on screen: the drafts start from the preferences, the stored stage
    // shows without a slide, and the log says which.
    void present();

    OnboardingModel &model() const;
    bool isDark() const { return m_dark; }
    OnboardingStage shownStage() const { return m_shownStage; }
    OnboardingPage *page(OnboardingStage stage) const { return m_pages.value(stage); }
    OnboardingPage *currentPage() const;
    OnboardingButton *backButton() const { return m_back; }
    OnboardingButton *ghostButton() const { return m_ghost; }
    OnboardingButton *accentButton() const { return m_accent; }
    SetUpLaterDialog *laterDialog() const;
    // Where the card is drawn; the rest of the view (if any) stays clear.
    QRect cardRect() const;

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;

private:
    void applyScheme();
    void showStage(OnboardingStage stage, bool animated);
    void refresh();
    void focusStage();
    void openLaterDialog();
    void windowAction(TrafficLight *light);

    OnboardingModel &m_model;
    Settings &m_settings;
    SystemAppearance &m_appearance;
    QWidget *m_card;
    OnboardingPageStack *m_stack;
    QHash<OnboardingStage, OnboardingPage *> m_pages;
    OnboardingButton *m_back;
    OnboardingButton *m_ghost;
    OnboardingButton *m_accent;
    CrossFadeOverlay *m_schemeFade;
    QPointer<SetUpLaterDialog> m_laterDialog;
    QTimer m_focusTimer;
    OnboardingStage m_shownStage = OnboardingStage::Welcome;
    bool m_dark = true;
    bool m_schemeApplied = false;
};
