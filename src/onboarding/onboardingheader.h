#pragma once

#include "onboarding/onboardingstage.h"

#include <QWidget>

class QLabel;

// The top of a stage: the step label in small accent capitals, the title and the subtitle.
class OnboardingHeader : public QWidget
{
    Q_OBJECT

public:
    explicit OnboardingHeader(OnboardingStage stage, QWidget *parent = nullptr);

    QLabel *stepLabel() const { return m_step; }
    QLabel *titleLabel() const { return m_title; }
    QLabel *subtitleLabel() const { return m_subtitle; }
    // Lines the three up on the centre instead of the leading edge.
    void setCentered(bool centered);

protected:
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    OnboardingStage m_stage;
    QLabel *m_step;
    QLabel *m_title;
    QLabel *m_subtitle;
};
