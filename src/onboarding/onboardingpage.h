#pragma once

#include "onboarding/onboardingstage.h"

#include <QWidget>

class OnboardingHeader;
class OnboardingModel;
class QLabel;
class QVBoxLayout;

// What one stage shows between the card's window dots and its footer. Every page reads
// the model and calls its actions; none writes anything itself.
class OnboardingPage : public QWidget
{
    Q_OBJECT

public:
    OnboardingPage(OnboardingStage stage, OnboardingModel &model, QWidget *parent = nullptr);

    OnboardingStage stage() const { return m_stage; }
    // Null for the welcome and done pages, which draw their own.
    OnboardingHeader *header() const { return m_header; }

    // Shows what the model holds now.
    virtual void refresh() { }
    // The field that takes the keyboard when the stage shows; none by default.
    virtual QWidget *focusField() const { return nullptr; }
    // The page has just become the one on the card.
    virtual void stageShown() { }

protected:
    // Below the header; pages add their content here.
    QVBoxLayout *contentLayout() const { return m_content; }
    OnboardingModel &model() const;
    // A small caption above a control ("Provider", "Endpoint URL").
    QLabel *makeCaption(const QString &text);

    void changeEvent(QEvent *event) override;

private:
    void colorCaptions();

    OnboardingStage m_stage;
    OnboardingModel &m_model;
    OnboardingHeader *m_header = nullptr;
    QVBoxLayout *m_content;
};
