#include "main_window/searchingrow.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QFontMetrics>
#include <QPainter>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal turnSeconds = 2.0;
constexpr int spacing = 8;
constexpr int rowHeight = 32;

} // namespace

SearchingRow::SearchingRow(QWidget *parent)
    : ActivityRow(parent)
{
    setFont(TypeStyles::font(TypeStyle::Label));
}

QString SearchingRow::text() const
{
    return tr("Searching the web…");
}

qreal SearchingRow::angle(qreal seconds)
{
    return std::fmod(std::max(seconds, 0.0), turnSeconds) / turnSeconds * 360.0;
}

QSize SearchingRow::sizeHint() const
{
    return {symbolSize + spacing + QFontMetrics(font()).horizontalAdvance(text()), rowHeight};
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
    const std::optional<qreal> seconds = elapsedSeconds();
    if (isAnimating() && Animations::enabled() && seconds)
        painter.rotate(angle(*seconds));
    painter.drawPixmap(QPointF(-symbolSize / 2.0, -symbolSize / 2.0), globe);
    painter.restore();
    painter.setPen(color);
    painter.drawText(rect().adjusted(symbolSize + spacing, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}
