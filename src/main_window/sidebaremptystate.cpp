#include "main_window/sidebaremptystate.h"

#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 28;
constexpr int topOffset = 64;
constexpr int sidePadding = 16;

} // namespace

SidebarEmptyState::SidebarEmptyState(QWidget *parent)
    : SidebarEmptyState(title(), detail(), u"bubble.left.and.bubble.right"_s, parent)
{ }

SidebarEmptyState::SidebarEmptyState(const QString &title, const QString &detail,
                                     const QString &symbol, QWidget *parent)
    : QWidget(parent)
    , m_title(title)
    , m_detail(detail)
    , m_symbol(symbol)
{
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setAccessibleName(m_title);
    setAccessibleDescription(m_detail);
}

QString SidebarEmptyState::title()
{
    return tr("No chats yet");
}

QString SidebarEmptyState::detail()
{
    return tr("New conversations will appear here.");
}

void SidebarEmptyState::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = AppColors::secondaryText(palette());
    QColor tertiary = secondary;
    tertiary.setAlphaF(0.7f);

    int y = topOffset;
    const QPixmap symbol = Symbols::pixmap(m_symbol, symbolSize, tertiary, devicePixelRatioF(),
                                           Symbols::Weight::Regular);
    painter.drawPixmap(QPointF((width() - symbolSize) / 2.0, y), symbol);
    y += symbolSize + 12;

    const QRect textArea(sidePadding, y, width() - 2 * sidePadding, height() - y);
    painter.setFont(TypeStyles::font(TypeStyle::Label));
    painter.setPen(secondary);
    const QRect titleRect
        = painter.boundingRect(textArea, Qt::AlignHCenter | Qt::TextWordWrap, m_title);
    painter.drawText(titleRect, Qt::AlignHCenter | Qt::TextWordWrap, m_title);

    painter.setFont(TypeStyles::font(TypeStyle::Caption));
    painter.setPen(tertiary);
    const QRect detailArea = textArea.adjusted(0, titleRect.height() + 4, 0, 0);
    painter.drawText(detailArea, Qt::AlignHCenter | Qt::AlignTop | Qt::TextWordWrap, m_detail);
}
