#include "main_window/chatfloatingtitlebar.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/typestyles.h"

#include <QFontMetrics>
#include <QLinearGradient>
#include <QPainter>

#include <algorithm>

namespace {

constexpr int horizontalPadding = 20;
constexpr int verticalPadding = 8;
// The band softens into the list below it over this many points.
constexpr int gradientHeight = 14;

} // namespace

ChatFloatingTitleBar::ChatFloatingTitleBar(QWidget *parent)
    : QWidget(parent)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFont(TypeStyles::font(TypeStyle::Headline));
}

void ChatFloatingTitleBar::setTitle(const QString &title)
{
    if (title == m_title)
        return;
    m_title = title;
    update();
}

void ChatFloatingTitleBar::setProgress(qreal progress)
{
    progress = std::clamp(progress, 0.0, 1.0);
    if (progress == m_progress)
        return;
    m_progress = progress;
    Animations::animate(this, "shownProgress", progress,
                        Animations::Timing{160, QEasingCurve(QEasingCurve::OutCubic)});
}

void ChatFloatingTitleBar::setShownProgress(qreal progress)
{
    m_shownProgress = progress;
    update();
}

QSize ChatFloatingTitleBar::sizeHint() const
{
    return {200, titleHeight + gradientHeight};
}

void ChatFloatingTitleBar::paintEvent(QPaintEvent *)
{
    if (m_shownProgress <= 0.001)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(m_shownProgress);
    const bool dark = AppColors::isDark(this);
    const QRectF band(0, 0, width(), titleHeight);

    GlassSurface::paint(painter, band, 0, dark);
    QColor wash = AppColors::named(NamedColor::AppBackgroundStart, dark);
    wash.setAlphaF(float(m_shownProgress * 0.35));
    painter.fillRect(band, wash);

    QColor edge = AppColors::named(NamedColor::AppBackgroundStart, dark);
    edge.setAlphaF(0.35f);
    QLinearGradient fade(0, titleHeight, 0, titleHeight + gradientHeight);
    fade.setColorAt(0, edge);
    edge.setAlphaF(0);
    fade.setColorAt(1, edge);
    painter.fillRect(QRectF(0, titleHeight, width(), gradientHeight), fade);

    QColor rule = AppColors::named(NamedColor::AskRuleSubtle, dark);
    painter.setPen(QPen(rule, 0.5));
    painter.drawLine(QPointF(0, titleHeight - 0.25), QPointF(width(), titleHeight - 0.25));

    painter.setPen(AppColors::primaryText(palette()));
    painter.setFont(font());
    const QRect textRect
        = QRect(0, 0, width(), titleHeight)
              .adjusted(horizontalPadding, verticalPadding, -horizontalPadding, -verticalPadding);
    const QString elided
        = QFontMetrics(font()).elidedText(m_title, Qt::ElideRight, textRect.width());
    painter.drawText(textRect, Qt::AlignCenter, elided);
}
