#pragma once

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class OnboardingPage;
class QGraphicsOpacityEffect;

// The stage pages on the card, one shown at a time. A change of page slides the new one in
// from the side the user is heading to while the old one fades out, easing out over 0.24 s
// (at once when animations are off).
class OnboardingPageStack : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(qreal transitionProgress READ transitionProgress WRITE setTransitionProgress)

public:
    explicit OnboardingPageStack(QWidget *parent = nullptr);

    void addPage(OnboardingPage *page);
    const QList<OnboardingPage *> &pages() const { return m_pages; }
    OnboardingPage *currentPage() const;
    // `forward` moves the new page in from the right, otherwise from the left.
    void setCurrentPage(OnboardingPage *page, bool forward, bool animated);

    qreal transitionProgress() const { return m_progress; }
    void setTransitionProgress(qreal progress);

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;

private:
    void placeCurrent();
    void endTransition();

    QList<OnboardingPage *> m_pages;
    QPointer<OnboardingPage> m_current;
    QPixmap m_leaving;
    QPointer<QGraphicsOpacityEffect> m_fade;
    qreal m_progress = 1;
    int m_direction = 1;
};
