#include "main_window/searchingrow.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QFontMetrics>
#include <QPainter>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal turnSeconds = 2.0;
constexpr int spacing = 8;
constexpr int rowHeight = 32;

} // namespace

SearchingRow::SearchingRow(QWidget *parent)
    : QWidget(parent)
    , m_ticker(new QVariantAnimation(this))
{
    setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    setFont(TypeStyles::font(TypeStyle::Label));
    m_ticker->setStartValue(0.0);
    m_ticker->setEndValue(1.0);
    m_ticker->setDuration(1000);
    m_ticker->setLoopCount(-1);
    connect(m_ticker, &QVariantAnimation::valueChanged, this, qOverload<>(&QWidget::update));
}

QString SearchingRow::text() const
{
    return u"Searching the web…"_s;
}

qreal SearchingRow::angle(qreal seconds)
{
    return std::fmod(std::max(seconds, 0.0), turnSeconds) / turnSeconds * 360.0;
}

QSize SearchingRow::sizeHint() const
{
    return {symbolSize + spacing + QFontMetrics(font()).horizontalAdvance(text()), rowHeight};
}

void SearchingRow::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    m_animating = true;
    m_clock.start();
    if (Animations::enabled())
        m_ticker->start();
}

void SearchingRow::hideEvent(QHideEvent *event)
{
    QWidget::hideEvent(event);
    m_ticker->stop();
}

void SearchingRow::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHints(QPainter::Antialiasing | QPainter::SmoothPixmapTransform);
    const QColor color = AppColors::secondaryText(palette());
    const QPixmap globe = Symbols::pixmap(u"globe", symbolSize, color, devicePixelRatioF(),
                                          Symbols::Weight::Medium);
    const QPointF centre(symbolSize / 2.0, height() / 2.0);
    painter.save();
    painter.translate(centre);
    if (m_animating && Animations::enabled() && m_clock.isValid())
        painter.rotate(angle(m_clock.elapsed() / 1000.0));
    painter.drawPixmap(QPointF(-symbolSize / 2.0, -symbolSize / 2.0), globe);
    painter.restore();
    painter.setPen(color);
    painter.drawText(rect().adjusted(symbolSize + spacing, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}
