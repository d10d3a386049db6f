#include "onboarding/onboardingwordmark.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/typestyles.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

QFont wordmarkFont()
{
    QFont font = TypeStyles::monospace(52, QFont::Bold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, -3);
    return font;
}

} // namespace

OnboardingWordmark::OnboardingWordmark(QWidget *parent)
    : QWidget(parent)
{
    setFont(wordmarkFont());
    setAccessibleName(u"velm"_s);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    m_blink.setInterval(blinkMs);
    connect(&m_blink, &QTimer::timeout, this, [this] {
        m_cursorVisible = !m_cursorVisible;
        update();
    });
}

QSize OnboardingWordmark::sizeHint() const
{
    const QFontMetrics metrics = fontMetrics();
    return QSize(metrics.horizontalAdvance(u"velm_"_s) + 4, metrics.height());
}

void OnboardingWordmark::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_cursorVisible = true;
    m_blink.start();
}

void OnboardingWordmark::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_blink.stop();
}

void OnboardingWordmark::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::TextAntialiasing);
    const QFontMetricsF metrics(font());
    const QString word = u"velm"_s;
    const qreal baseline = metrics.ascent();
    painter.setPen(colors.primaryText);
    painter.drawText(QPointF(0, baseline), word);
    if (m_cursorVisible) {
        painter.setPen(colors.accent);
        painter.drawText(QPointF(metrics.horizontalAdvance(word), baseline), u"_"_s);
    }
}
