#include "settings/suggestionchip.h"

#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/plaintext.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QCoreApplication>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int paddingX = 10;
constexpr int chipHeight = 30;
constexpr int symbolSize = 14;
constexpr int symbolGap = 6;

} // namespace

SuggestionChip::SuggestionChip(const PromptSuggestion &suggestion, QWidget *parent)
    : QAbstractButton(parent)
    , m_suggestion(suggestion)
    , m_hover(new HoverAnimation(this, Animations::hoverSpring()))
{
    // The table keeps the English label; its translation is looked up here.
    const QString label
        = QCoreApplication::translate("PromptSuggestion", suggestion.label.toUtf8().constData());
    setText(label);
    setFont(TypeStyles::font(TypeStyle::Label));
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    setAccessibleName(label);
    // A toggle to a screen reader, pressed while its style is on; only setActive() moves it.
    setCheckable(true);
    setToolTip(PlainText::toolTip(suggestion.instruction));
    PressableButtonStyle::apply(this, 0.97, 0.85);
}

void SuggestionChip::setActive(bool active)
{
    if (m_active == active)
        return;
    m_active = active;
    setChecked(active);
    update();
}

QString SuggestionChip::symbolName() const
{
    return m_active ? u"checkmark.circle.fill"_s : u"circle"_s;
}

QSize SuggestionChip::sizeHint() const
{
    return {2 * paddingX + symbolSize + symbolGap + fontMetrics().horizontalAdvance(text()),
            chipHeight};
}

QSize SuggestionChip::minimumSizeHint() const
{
    return sizeHint();
}

void SuggestionChip::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    const QColor accent = AppColors::named(NamedColor::AskAccent, dark);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF rect = QRectF(this->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    const qreal radius = rect.height() / 2;
    QColor fill = AppColors::surface1(dark);
    QColor stroke = AppColors::named(NamedColor::AskDialogStroke, dark);
    if (m_active) {
        fill = accent;
        fill.setAlphaF(dark ? 0.2f : 0.12f);
        stroke = accent;
        stroke.setAlphaF(0.55f);
    }
    painter.setPen(QPen(stroke, 1));
    painter.setBrush(fill);
    painter.drawRoundedRect(rect, radius, radius);
    if (m_hover->progress() > 0) {
        QColor hover = AppColors::named(NamedColor::AskBgHover, dark);
        hover.setAlphaF(hover.alphaF() * float(m_hover->bounded()) * 1.5f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(hover);
        painter.drawRoundedRect(rect, radius, radius);
    }
    if (hasFocus()) {
        QColor ring = accent;
        ring.setAlphaF(0.6f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(rect, radius, radius);
    }

    const QColor textColor = AppColors::primaryText(palette());
    const QColor symbolColor = m_active ? accent : AppColors::secondaryText(palette());
    const QRectF symbolRect(paddingX, (height() - symbolSize) / 2.0, symbolSize, symbolSize);
    painter.drawPixmap(symbolRect.topLeft(),
                       Symbols::pixmap(symbolName(), symbolSize, symbolColor, devicePixelRatioF(),
                                       Symbols::Weight::Semibold));
    painter.setPen(textColor);
    QFont labelFont = font();
    if (m_active)
        labelFont.setWeight(QFont::DemiBold);
    painter.setFont(labelFont);
    const QRectF textRect(symbolRect.right() + symbolGap, 0,
                          width() - symbolRect.right() - symbolGap - paddingX, height());
    painter.drawText(
        textRect, Qt::AlignLeft | Qt::AlignVCenter,
        QFontMetrics(labelFont).elidedText(text(), Qt::ElideRight, int(textRect.width())));
}
