#include "settings/settingssegmentedcontrol.h"

#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int controlHeight = 28;
constexpr int trackInset = 2;
constexpr int segmentPadding = 16;

} // namespace

SettingsSegmentedControl::SettingsSegmentedControl(const QStringList &titles, QWidget *parent)
    : QWidget(parent)
    , m_titles(titles)
{
    setFont(TypeStyles::font(TypeStyle::Label));
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    setCursor(Qt::PointingHandCursor);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
    // A group of radio buttons to a screen reader, the chosen one checked.
    AccessibleChoices::install("SettingsSegmentedControl", QAccessible::Grouping,
                               QAccessible::RadioButton);
}

void SettingsSegmentedControl::setCurrentIndex(int index)
{
    if (index < 0 || index >= m_titles.size())
        index = -1;
    if (m_current == index)
        return;
    m_current = index;
    update();
    AccessibleChoices::notifyChosen(this);
}

int SettingsSegmentedControl::segmentWidth() const
{
    int widest = 0;
    for (const QString &title : m_titles)
        widest = qMax(widest, fontMetrics().horizontalAdvance(title));
    return widest + 2 * segmentPadding;
}

QSize SettingsSegmentedControl::sizeHint() const
{
    return {int(m_titles.size()) * segmentWidth() + 2 * trackInset, controlHeight};
}

QRect SettingsSegmentedControl::segmentRect(int index) const
{
    if (m_titles.isEmpty() || index < 0 || index >= m_titles.size())
        return {};
    const int count = int(m_titles.size());
    const int inner = width() - 2 * trackInset;
    const int left = trackInset + inner * index / count;
    const int right = trackInset + inner * (index + 1) / count;
    return {left, trackInset, right - left, height() - 2 * trackInset};
}

int SettingsSegmentedControl::segmentAt(const QPoint &position) const
{
    for (int i = 0; i < m_titles.size(); ++i) {
        if (segmentRect(i).contains(position))
            return i;
    }
    return -1;
}

void SettingsSegmentedControl::choose(int index)
{
    if (index < 0 || index >= m_titles.size())
        return;
    setCurrentIndex(index);
    Q_EMIT activated(index);
}

void SettingsSegmentedControl::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        m_pressed = segmentAt(event->position().toPoint());
        update();
    }
}

void SettingsSegmentedControl::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton)
        return;
    const int released = segmentAt(event->position().toPoint());
    const int pressed = m_pressed;
    m_pressed = -1;
    update();
    if (released == pressed)
        choose(released);
}

void SettingsSegmentedControl::mouseMoveEvent(QMouseEvent *event)
{
    const int hovered = segmentAt(event->position().toPoint());
    if (hovered != m_hovered) {
        m_hovered = hovered;
        update();
    }
}

void SettingsSegmentedControl::leaveEvent(QEvent *event)
{
    m_hovered = -1;
    update();
    QWidget::leaveEvent(event);
}

void SettingsSegmentedControl::keyPressEvent(QKeyEvent *event)
{
    const bool rightToLeft = layoutDirection() == Qt::RightToLeft;
    int step = 0;
    if (event->key() == Qt::Key_Left)
        step = rightToLeft ? 1 : -1;
    else if (event->key() == Qt::Key_Right)
        step = rightToLeft ? -1 : 1;
    if (step == 0) {
        QWidget::keyPressEvent(event);
        return;
    }
    // From no choice, the arrows start at the nearest end.
    const int from = m_current < 0 ? (step > 0 ? -1 : int(m_titles.size())) : m_current;
    choose(qBound(0, from + step, int(m_titles.size()) - 1));
}

void SettingsSegmentedControl::paintEvent(QPaintEvent *)
{
    const bool dark = AppColors::isDark(this);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);

    const QRectF track = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
    painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
    painter.setBrush(dark ? QColor(0x15, 0x16, 0x1b) : QColor(0x00, 0x00, 0x00, 0x0d));
    painter.drawRoundedRect(track, 8, 8);

    for (int i = 0; i < m_titles.size(); ++i) {
        const QRectF segment = segmentRect(i);
        if (i == m_current) {
            painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
            painter.setBrush(dark ? AppColors::surface3(dark) : QColor(Qt::white));
            painter.drawRoundedRect(segment.adjusted(0.5, 0.5, -0.5, -0.5), 6, 6);
        } else if (i == m_hovered || i == m_pressed) {
            painter.setPen(Qt::NoPen);
            painter.setBrush(AppColors::named(NamedColor::AskBgHover, dark));
            painter.drawRoundedRect(segment, 6, 6);
        } else if (i > 0 && i - 1 != m_current) {
            // Separators only between two segments that are not chosen.
            painter.setPen(QPen(AppColors::named(NamedColor::AskRuleSubtle, dark), 1));
            painter.drawLine(QPointF(segment.left(), segment.top() + 6),
                             QPointF(segment.left(), segment.bottom() - 6));
        }
    }

    for (int i = 0; i < m_titles.size(); ++i) {
        QFont titleFont = font();
        if (i == m_current)
            titleFont.setWeight(QFont::DemiBold);
        painter.setFont(titleFont);
        painter.setPen(i == m_current ? AppColors::primaryText(palette())
                                      : AppColors::secondaryText(palette()));
        painter.drawText(segmentRect(i), Qt::AlignCenter, m_titles.at(i));
    }

    if (hasFocus()) {
        QColor ring = AppColors::named(NamedColor::AskAccent, dark);
        ring.setAlphaF(0.5f);
        painter.setBrush(Qt::NoBrush);
        painter.setPen(QPen(ring, 1.5));
        painter.drawRoundedRect(track, 8, 8);
    }
}
