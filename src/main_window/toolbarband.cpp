#include "main_window/toolbarband.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"

#include <QEasingCurve>
#include <QEvent>
#include <QHBoxLayout>
#include <QPainter>
#include <QToolButton>

ToolbarBand::ToolbarBand(QWidget *parent)
    : QWidget(parent)
    , m_sidebarButton(new QToolButton(this))
{
    setFixedHeight(height);
    m_sidebarButton->setAutoRaise(true);
    m_sidebarButton->setFixedSize(30, 30);
    m_sidebarButton->setIconSize(QSize(17, 17));
    m_sidebarButton->setCursor(Qt::PointingHandCursor);
    // Like the window controls around it, the toggle never takes the keyboard focus.
    m_sidebarButton->setFocusPolicy(Qt::NoFocus);
    PressableButtonStyle::apply(m_sidebarButton, 0.94, 0.85);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 7, 12, 7);
    layout->addWidget(m_sidebarButton);
    layout->addStretch();
    updateIcon();
}

void ToolbarBand::setScrollProgress(qreal progress)
{
    const bool shown = progress > 0.02;
    if (shown == m_backgroundShown)
        return;
    m_backgroundShown = shown;
    QEasingCurve easeOut(QEasingCurve::BezierSpline);
    easeOut.addCubicBezierSegment({0.0, 0.0}, {0.58, 1.0}, {1.0, 1.0});
    Animations::animate(this, "backgroundOpacity", shown ? 1.0 : 0.0,
                        Animations::Timing{160, easeOut});
}

void ToolbarBand::setBackgroundOpacity(qreal opacity)
{
    m_backgroundOpacity = opacity;
    update();
}

void ToolbarBand::paintEvent(QPaintEvent *)
{
    if (m_backgroundOpacity <= 0)
        return;
    QPainter painter(this);
    painter.setOpacity(m_backgroundOpacity);
    const bool dark = AppColors::isDark(this);
    QColor fill = AppColors::named(NamedColor::AppBackgroundStart, dark);
    fill.setAlphaF(0.92f);
    painter.fillRect(rect(), fill);
    painter.fillRect(QRect(0, height - 1, width(), 1),
                     AppColors::named(NamedColor::AskRuleSubtle, dark));
}

void ToolbarBand::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateIcon();
    QWidget::changeEvent(event);
}

void ToolbarBand::updateIcon()
{
    m_sidebarButton->setIcon(Symbols::icon(u"sidebar.left", AppColors::secondaryText(palette()),
                                           Symbols::Weight::Medium));
}
