#include "main_window/toolbarband.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/iconbutton.h"

#include <QEasingCurve>
#include <QHBoxLayout>
#include <QPainter>

ToolbarBand::ToolbarBand(QWidget *parent)
    : QWidget(parent)
    , m_sidebarButton(
          new IconButton(QStringLiteral("sidebar.left"), tr("Toggle Sidebar"), 30, 17, this))
{
    setFixedHeight(height);
    // Tab reaches it; a click leaves the keyboard where it was.
    m_sidebarButton->setFocusPolicy(Qt::TabFocus);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 7, 12, 7);
    layout->addWidget(m_sidebarButton);
    layout->addStretch();
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
