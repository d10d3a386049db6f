#include "markdown/view/quoteblockview.h"

#include "widgets/appcolors.h"

#include <QHBoxLayout>
#include <QPainter>

namespace {

// Outside the panel: 4 above, 4 below and a further 4. Inside: 12 at the sides, 8 at top
// and bottom; the bar is 2 wide with 8 between it and the text.
constexpr int spaceAbove = 4;
constexpr int spaceBelow = 8;
constexpr int sidePadding = 12;
constexpr int verticalPadding = 8;
constexpr int barWidth = 2;
constexpr int barSpacing = 8;

} // namespace

QuoteBlockView::QuoteBlockView(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    m_layout->setContentsMargins(sidePadding + barWidth + barSpacing, spaceAbove + verticalPadding,
                                 sidePadding, spaceBelow + verticalPadding);
    m_layout->setSpacing(0);
}

void QuoteBlockView::setContent(QWidget *content)
{
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    if (m_content)
        m_layout->addWidget(m_content, 1);
}

QRectF QuoteBlockView::panelRect() const
{
    return QRectF(rect()).adjusted(0, spaceAbove, 0, -spaceBelow);
}

void QuoteBlockView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = panelRect();
    QColor tint = AppColors::named(NamedColor::AskAccentMuted, this);
    tint.setAlphaF(0.08f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(tint);
    painter.drawRoundedRect(panel, 8, 8);
    const QRectF bar(panel.left() + sidePadding, panel.top() + verticalPadding, barWidth,
                     panel.height() - 2 * verticalPadding);
    painter.fillRect(bar, AppColors::named(NamedColor::AskAccent, this));
}
