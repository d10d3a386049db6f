#include "main_window/activityrow.h"

#include "widgets/animations.h"

#include <QVariantAnimation>

ActivityRow::ActivityRow(QWidget *parent)
    : QWidget(parent)
    , m_ticker(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_ticker->setStartValue(0.0);
    m_ticker->setEndValue(1.0);
    m_ticker->setDuration(1000);
    m_ticker->setLoopCount(-1);
    connect(m_ticker, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

std::optional<qreal> ActivityRow::elapsedSeconds() const
{
    if (!m_clock.isValid())
        return std::nullopt;
    return m_clock.elapsed() / 1000.0;
}

void ActivityRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_animating = true;
    m_clock.start();
    if (Animations::enabled())
        m_ticker->start();
}

void ActivityRow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_ticker->stop();
}
