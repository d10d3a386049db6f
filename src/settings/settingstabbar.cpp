#include "settings/settingstabbar.h"

#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int barHeight = 64;
constexpr int itemHeight = 52;
constexpr int symbolSize = 20;
constexpr int itemSpacing = 4;
constexpr int itemPadding = 10;

} // namespace

SettingsTabBar::SettingsTabBar(QWidget *parent)
    : QWidget(parent)
{
    QFont labelFont = TypeStyles::font(TypeStyle::Caption);
    setFont(labelFont);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // A tab list whose pages are tabs to a screen reader, the chosen one selected.
    AccessibleChoices::install("SettingsTabBar", QAccessible::PageTabList, QAccessible::PageTab);
    setAccessibleName(tr("Sections"));
}

void SettingsTabBar::addTab(const QString &label, const QString &symbol)
{
    m_tabs.append({label, symbol});
    if (m_current < 0)
        m_current = 0;
    updateGeometry();
    update();
}

void SettingsTabBar::setCurrentIndex(int index)
{
    if (index < 0 || index >= count() || index == m_current)
        return;
    m_current = index;
    update();
    AccessibleChoices::notifyChosen(this);
    Q_EMIT currentChanged(index);
}

int SettingsTabBar::itemWidth() const
{
    int widest = 0;
    for (const Tab &tab : m_tabs)
        widest = qMax(widest, fontMetrics().horizontalAdvance(tab.label));
    return qMax(widest + 2 * itemPadding, 72);
}

QSize SettingsTabBar::sizeHint() const
{
    return {count() * (itemWidth() + itemSpacing), barHeight};
}

QRect SettingsTabBar::tabRect(int index) const
{
    if (index < 0 || index >= count())
        return {};
    const int item = itemWidth();
    const int total = count() * item + (count() - 1) * itemSpacing;
    const int left = (width() - total) / 2 + index * (item + itemSpacing);
    return {left, (height() - itemHeight) / 2, item, itemHeight};
}

int SettingsTabBar::tabAt(const QPoint &position) const
{
    for (int i = 0; i < count(); ++i) {
        if (tabRect(i).contains(position))
            return i;
    }
    return -1;
}

void SettingsTabBar::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton)
        setCurrentIndex(tabAt(event->position().toPoint()));
}

void SettingsTabBar::mouseMoveEvent(QMouseEvent *event)
{
    const int hovered = tabAt(event->position().toPoint());
    if (hovered != m_hovered) {
        m_hovered = hovered;
        setCursor(hovered >= 0 ? Qt::PointingHandCursor : Qt::ArrowCursor);
        update();
    }
}

void SettingsTabBar::leaveEvent(QEvent *event)
{
    m_hovered = -1;
    update();
    QWidget::leaveEvent(event);
}

void SettingsTabBar::keyPressEvent(QKeyEvent *event)
{
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    if (event->key() == Qt::Key_Left)
        setCurrentIndex(m_current + (rightToLeft ? 1 : -1));
    else if (event->key() == Qt::Key_Right)
        setCurrentIndex(m_current + (rightToLeft ? -1 : 1));
    else
        QWidget::keyPressEvent(event);
}

void SettingsTabBar::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    const QColor accent = AppColors::named(NamedColor::AskAccent, dark);
    const QColor primary = AppColors::primaryText(palette());
    const QColor secondary = AppColors::secondaryText(palette());
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    // The bar sits on a band of its own, ruled off from the page below.
    painter.fillRect(rect(), AppColors::surface1(dark));
    painter.setPen(QPen(AppColors::named(NamedColor::AskRuleSubtle, dark), 1));
    painter.drawLine(QPointF(0, height() - 0.5), QPointF(width(), height() - 0.5));

    for (int i = 0; i < count(); ++i) {
        const QRectF item = tabRect(i);
        const bool current = i == m_current;
        if (current) {
            painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
            painter.setBrush(dark ? AppColors::surface3(dark) : QColor(0, 0, 0, 0x12));
            painter.drawRoundedRect(item.adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
        } else if (i == m_hovered) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(AppColors::named(NamedColor::AskBgHover, dark));
            painter.drawRoundedRect(item, 9, 9);
        }
        const QColor symbolColor = current ? accent : secondary;
        painter.drawPixmap(QPointF(item.center().x() - symbolSize / 2.0, item.top() + 8),
                           Symbols::pixmap(m_tabs.at(i).symbol, symbolSize, symbolColor,
                                           devicePixelRatioF(), Symbols::Weight::Medium));
        QFont labelFont = font();
        if (current)
            labelFont.setWeight(QFont::DemiBold);
        painter.setFont(labelFont);
        painter.setPen(current ? primary : secondary);
        painter.drawText(QRectF(item.left(), item.top() + 8 + symbolSize + 3, item.width(),
                                QFontMetricsF(labelFont).height()),
                         Qt::AlignCenter, m_tabs.at(i).label);
    }

    if (hasFocus() && m_current >= 0) {
        QColor ring = accent;
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(QRectF(tabRect(m_current)).adjusted(0.5, 0.5, -0.5, -0.5), 9, 9);
    }
}
