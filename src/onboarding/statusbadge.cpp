#include "onboarding/statusbadge.h"

#include "onboarding/onboardingcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>
#include <QVariantAnimation>

using namespace Qt::StringLiterals;

namespace {

constexpr int badgeHeight = 28;
constexpr qreal cornerRadius = 8;
constexpr int horizontalPadding = 10;
constexpr int markSize = 13;
constexpr int iconTextGap = 7;
constexpr int spinMs = 800;

} // namespace

StatusBadge::StatusBadge(QWidget *parent)
    : QWidget(parent)
    , m_spin(new QVariantAnimation(this))
{
    setFont(TypeStyles::face(u"Inter18pt-Medium", 12));
    setSizePolicy(QSizePolicy::Maximum, QSizePolicy::Fixed);
    m_spin->setStartValue(0.0);
    m_spin->setEndValue(360.0);
    m_spin->setDuration(spinMs);
    m_spin->setLoopCount(-1);
    connect(m_spin, &QVariantAnimation::valueChanged, this,
            [this](const QVariant &value) { setSpinnerAngle(value.toReal()); });
}

QString StatusBadge::shownText() const
{
    return m_loading ? tr("Connecting…") : m_text;
}

void StatusBadge::setState(bool loading, std::optional<bool> ok, const QString &text)
{
    if (m_loading == loading && m_ok == ok && m_text == text)
        return;
    m_loading = loading;
    m_ok = ok;
    m_text = text;
    // The whole text, for when it is cut short; it comes from the server, so never as markup.
    setToolTip(loading || text.isEmpty()
                   ? QString()
                   : u"<p style=\"white-space:pre-wrap\">%1</p>"_s.arg(text.toHtmlEscaped()));
    updateGeometry();
    updateSpinner();
    update();
}

void StatusBadge::setSpinnerAngle(qreal angle)
{
    m_spinnerAngle = angle;
    update();
}

QSize StatusBadge::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(shownText());
    return QSize(2 * horizontalPadding + markSize + iconTextGap + textWidth + 1, badgeHeight);
}

QSize StatusBadge::minimumSizeHint() const
{
    return QSize(2 * horizontalPadding + markSize, badgeHeight);
}

void StatusBadge::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    updateSpinner();
}

void StatusBadge::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    updateSpinner();
}

void StatusBadge::updateSpinner()
{
    // Only a visible spinner turns: a hidden stage costs no frames.
    const bool spin = m_loading && isVisible();
    if (spin && m_spin->state() != QAbstractAnimation::Running)
        m_spin->start();
    else if (!spin)
        m_spin->stop();
}

QColor StatusBadge::tone() const
{
    if (m_loading)
        return OnboardingColors::of(this).accent;
    return m_ok.value_or(false) ? OnboardingColors::valid() : OnboardingColors::warning();
}

void StatusBadge::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor color = tone();
    painter.setPen(Qt::NoPen);
    painter.setBrush(OnboardingColors::faded(color, m_loading ? 0.08 : 0.09));
    painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);

    const QRectF icon(horizontalPadding, (height() - markSize) / 2.0, markSize, markSize);
    if (m_loading) {
        // A three-quarter ring that turns, over a faint full one.
        const QRectF ring = icon.adjusted(1.5, 1.5, -1.5, -1.5);
        painter.setPen(QPen(OnboardingColors::faded(color, 0.25), 1.6));
        painter.drawEllipse(ring);
        painter.setPen(QPen(color, 1.6, Qt::SolidLine, Qt::RoundCap));
        painter.drawArc(ring, int(-m_spinnerAngle * 16), 270 * 16);
    } else {
        const bool ok = m_ok.value_or(false);
        painter.drawPixmap(
            icon.topLeft(),
            Symbols::pixmap(ok ? u"checkmark.circle.fill" : u"exclamationmark.circle.fill",
                            markSize, color, devicePixelRatioF(), Symbols::Weight::Semibold));
    }
    const int textLeft = horizontalPadding + markSize + iconTextGap;
    const QRect textRect(textLeft, 0, width() - textLeft - horizontalPadding + 1, height());
    painter.setPen(color);
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     fontMetrics().elidedText(shownText(), Qt::ElideRight, textRect.width()));
}
