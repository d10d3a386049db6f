#include "settings/statuslabel.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QPainter>

namespace {

constexpr int dotSize = 6;
constexpr int dotGap = 6;

} // namespace

StatusLabel::StatusLabel(QWidget *parent)
    : QWidget(parent)
{
    setFont(TypeStyles::font(TypeStyle::Caption));
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setAttribute(Qt::WA_TransparentForMouseEvents);
    hide();
}

void StatusLabel::setStatus(const QString &text, std::optional<bool> ok)
{
    m_text = text;
    m_ok = ok;
    setAccessibleName(text);
    if (!text.isEmpty()) {
        m_shownText = text;
        m_shownOk = ok;
        updateGeometry();
        if (isHidden()) {
            setPresence(0);
            show();
        }
        Animations::animate(this, "presence", 1.0, Animations::hoverSpring());
        update();
        return;
    }
    if (isHidden())
        return;
    // Off screen there is nothing to fade.
    if (!isVisible() || !Animations::animate(this, "presence", 0.0, Animations::quickEase())) {
        m_presence = 0;
        hide();
    }
}

void StatusLabel::setPresence(qreal presence)
{
    m_presence = presence;
    // Gone for good once faded out, unless a new text arrived meanwhile.
    if (presence <= 0 && m_text.isEmpty())
        hide();
    update();
}

QColor StatusLabel::dotColor(std::optional<bool> ok, const QPalette &palette)
{
    const bool dark = AppColors::isDark(palette);
    if (!ok)
        return AppColors::secondaryText(palette);
    if (*ok)
        return dark ? QColor(0x32, 0xd7, 0x4b) : QColor(0x24, 0xa1, 0x48);
    return dark ? QColor(0xff, 0x9f, 0x0a) : QColor(0xe0, 0x7b, 0x00);
}

QSize StatusLabel::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {dotSize + dotGap + metrics.horizontalAdvance(m_shownText) + 2,
            qMax(metrics.height(), dotSize) + 2};
}

void StatusLabel::paintEvent(QPaintEvent *)
{
    if (m_shownText.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const qreal presence = qBound(0.0, m_presence, 1.0);
    painter.setOpacity(presence);
    // The spring's overshoot shows in the size only, a touch past full.
    const qreal scale = 0.9 + 0.1 * qBound(0.0, m_presence, 1.05);
    const QPointF centre = QRectF(rect()).center();
    painter.translate(centre);
    painter.scale(scale, scale);
    painter.translate(-centre);

    const QFontMetrics metrics(font());
    const qreal midY = height() / 2.0;
    painter.setPen(Qt::NoPen);
    painter.setBrush(dotColor(m_shownOk, palette()));
    painter.drawEllipse(QRectF(1, midY - dotSize / 2.0, dotSize, dotSize));
    painter.setPen(AppColors::secondaryText(palette()));
    painter.setFont(font());
    const QRectF textRect(1 + dotSize + dotGap, 0, width() - dotSize - dotGap - 1, height());
    painter.drawText(textRect, Qt::AlignLeft | Qt::AlignVCenter,
                     metrics.elidedText(m_shownText, Qt::ElideRight, int(textRect.width())));
}
