#include "onboarding/providerchip.h"

#include "onboarding/onboardingcolors.h"
#include "onboarding/onboardingmotion.h"
#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>
#include <QSvgRenderer>

using namespace Qt::StringLiterals;

namespace {

constexpr int chipHeight = 34;
constexpr qreal cornerRadius = 9;
constexpr int horizontalPadding = 12;
constexpr int markSize = 15;
constexpr int iconTextGap = 7;

QString markResource(LLMProvider provider)
{
    switch (provider) {
    case LLMProvider::Ollama:
        return u":/icons/provider-ollama.svg"_s;
    case LLMProvider::LmStudio:
        return u":/icons/provider-lmstudio.svg"_s;
    case LLMProvider::Manual:
        break;
    }
    return QString();
}

} // namespace

ProviderChip::ProviderChip(LLMProvider provider, QWidget *parent)
    : QAbstractButton(parent)
    , m_provider(provider)
    , m_hover(new HoverAnimation(this, OnboardingMotion::hover()))
{
    setText(llmProviderLabel(provider));
    setFont(TypeStyles::face(u"Inter18pt-Medium", 13));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::TabFocus);
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
}

void ProviderChip::setSelected(bool selected)
{
    if (m_selected == selected)
        return;
    m_selected = selected;
    update();
}

QPixmap ProviderChip::mark(LLMProvider provider, int size, const QColor &color,
                           qreal devicePixelRatio)
{
    const QString resource = markResource(provider);
    if (resource.isEmpty())
        return Symbols::pixmap(u"slider.horizontal.3", size, color, devicePixelRatio,
                               Symbols::Weight::Medium);
    // The marks are drawn in black; the colour goes over whatever they cover.
    QImage image(QSize(size, size) * devicePixelRatio, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    {
        QPainter painter(&image);
        QSvgRenderer(resource).render(&painter);
        painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
        painter.fillRect(image.rect(), color);
    }
    image.setDevicePixelRatio(devicePixelRatio);
    return QPixmap::fromImage(image);
}

QSize ProviderChip::sizeHint() const
{
    const int textWidth = fontMetrics().horizontalAdvance(text());
    return QSize(2 * horizontalPadding + markSize + iconTextGap + textWidth + 1, chipHeight);
}

QSize ProviderChip::minimumSizeHint() const
{
    return sizeHint();
}

void ProviderChip::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    const OnboardingColors colors = OnboardingColors::of(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF box = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);

    QColor fill = AppColors::mix(colors.surface, colors.primaryText, 0.04 * m_hover->progress());
    QColor edge = colors.hairline();
    QColor content = AppColors::mix(colors.secondaryText, colors.primaryText, m_hover->progress());
    if (m_selected) {
        fill = colors.accentTint;
        edge = OnboardingColors::faded(colors.accent, 0.85);
        content = colors.strongAccent;
    }
    painter.setPen(QPen(edge, m_selected ? 1.5 : 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(m_selected ? box.adjusted(0.25, 0.25, -0.25, -0.25) : box, cornerRadius,
                            cornerRadius);
    if (hasFocus()) {
        painter.setPen(QPen(OnboardingColors::faded(colors.accent, 0.6), 1, Qt::DotLine));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(box.adjusted(2, 2, -2, -2), cornerRadius - 2, cornerRadius - 2);
    }

    const int textWidth = fontMetrics().horizontalAdvance(text());
    const int contentWidth = markSize + iconTextGap + textWidth;
    const qreal x = (width() - contentWidth) / 2.0;
    painter.drawPixmap(QPointF(x, (height() - markSize) / 2.0),
                       mark(m_provider, markSize, content, devicePixelRatioF()));
    painter.setPen(content);
    painter.drawText(QRectF(x + markSize + iconTextGap, 0, textWidth + 1, height()),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}
