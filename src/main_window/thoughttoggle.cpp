#include "main_window/thoughttoggle.h"

#include "widgets/appcolors.h"
#include "widgets/hoveranimation.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr qreal cornerRadius = 6;

class ThoughtToggleAccessible : public QAccessibleWidget
{
public:
    explicit ThoughtToggleAccessible(ThoughtToggle *toggle)
        : QAccessibleWidget(toggle, QAccessible::Button)
    { }

    QAccessible::State state() const override
    {
        QAccessible::State state = QAccessibleWidget::state();
        if (toggle()->isEnabled()) {
            state.expandable = true;
            state.expanded = toggle()->isExpanded();
            state.collapsed = !toggle()->isExpanded();
        }
        return state;
    }

    QString text(QAccessible::Text kind) const override
    {
        if (kind == QAccessible::Name && widget()->accessibleName().isEmpty())
            return toggle()->text();
        return QAccessibleWidget::text(kind);
    }

    QStringList actionNames() const override
    {
        QStringList names = QAccessibleWidget::actionNames();
        if (toggle()->isEnabled())
            names.prepend(pressAction());
        return names;
    }

    void doAction(const QString &actionName) override
    {
        if (actionName == pressAction() && toggle()->isEnabled())
            toggle()->click();
        else
            QAccessibleWidget::doAction(actionName);
    }

private:
    ThoughtToggle *toggle() const { return static_cast<ThoughtToggle *>(widget()); }
};

QAccessibleInterface *accessibleToggle(const QString &className, QObject *object)
{
    if (className == u"ThoughtToggle"_s && object && object->isWidgetType())
        return new ThoughtToggleAccessible(static_cast<ThoughtToggle *>(object));
    return nullptr;
}

QFont labelFont()
{
    return TypeStyles::font(TypeStyle::Label);
}

} // namespace

ThoughtToggle::ThoughtToggle(QWidget *parent)
    : QAbstractButton(parent)
    , m_hover(new HoverAnimation(this, Animations::quickEase()))
{
    static const bool factoryInstalled = [] {
        QAccessible::installFactory(accessibleToggle);
        return true;
    }();
    Q_UNUSED(factoryInstalled);
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(labelFont());
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void ThoughtToggle::setExpanded(bool expanded)
{
    if (expanded == m_expanded)
        return;
    m_expanded = expanded;
    update();
    QAccessible::State changed;
    changed.expanded = true;
    changed.collapsed = true;
    QAccessibleStateChangeEvent event(this, changed);
    QAccessible::updateAccessibility(&event);
}

QSize ThoughtToggle::sizeHint() const
{
    const QFontMetrics metrics(font());
    return {horizontalPadding * 2 + symbolSize + symbolGap + metrics.horizontalAdvance(text()),
            verticalPadding * 2 + metrics.height()};
}

void ThoughtToggle::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // Disabled only while the model thinks, which is no reason to look greyed out.
    QPalette colors = palette();
    colors.setCurrentColorGroup(QPalette::Active);
    const qreal hover = isEnabled() ? m_hover->bounded() : 0;
    if (hover > 0 || isDown()) {
        QColor fill = AppColors::primaryText(colors);
        fill.setAlphaF(float(isDown() ? 0.10 : 0.06 * hover));
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), cornerRadius, cornerRadius);
    }
    if (hasFocus()) {
        painter.setPen(QPen(AppColors::named(NamedColor::AskAccent, this), 1.5));
        painter.setBrush(Qt::NoBrush);
        painter.drawRoundedRect(QRectF(rect()).adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius,
                                cornerRadius);
    }
    const QColor color
        = AppColors::mix(AppColors::secondaryText(colors), AppColors::primaryText(colors), hover);
    const QRect content = rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const QString symbol = m_expanded || !isEnabled() ? u"chevron.down"_s : u"chevron.right"_s;
    painter.drawPixmap(
        content.left(), (height() - symbolSize) / 2,
        Symbols::pixmap(symbol, symbolSize, color, devicePixelRatioF(), Symbols::Weight::Semibold));
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(content.adjusted(symbolSize + symbolGap, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text());
}

// Space is QAbstractButton's own; Return does the same, as people expect of a row that
// opens.
void ThoughtToggle::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if ((event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) && plain) {
        if (!event->isAutoRepeat())
            click();
        event->accept();
        return;
    }
    QAbstractButton::keyPressEvent(event);
}

void ThoughtToggle::changeEvent(QEvent *event)
{
    QAbstractButton::changeEvent(event);
    if (event->type() == QEvent::EnabledChange)
        setCursor(isEnabled() ? Qt::PointingHandCursor : Qt::ArrowCursor);
}
