#include "markdown/view/mathblockview.h"

#include "widgets/accessiblerole.h"
#include "widgets/appcolors.h"

#include <QClipboard>
#include <QContextMenuEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QWheelEvent>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

// KaTeX's display block keeps 1 em above and below; the formula has 2 px more each way.
constexpr int displayMargin = 18;
constexpr int padding = 2;
// The height of one line of display math with nothing tall in it (line height 1.35).
constexpr qreal lineHeight = MathBlockView::fontPixelSize * 1.35;
constexpr qreal arrowStep = 40;

} // namespace

QColor MathBlockView::errorColor(const QWidget *widget)
{
    // KaTeX's own error red, and one as readable on a dark window.
    return AppColors::isDark(widget) ? QColor(0xff, 0x7b, 0x72) : QColor(0xcc, 0x00, 0x00);
}

MathBlockView::MathBlockView(QWidget *parent)
    : QWidget(parent)
{
    AccessibleRole::assign("MathBlockView", QAccessible::Equation);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    // Focus only by click, as the text around it, so that copying works after selecting
    // while Tab still moves between the controls.
    setFocusPolicy(Qt::ClickFocus);
    connect(&MathTypesetter::instance(), &MathTypesetter::ready, this, [this](const MathKey &key) {
        if (key.display && key.tex == m_tex && key.em == em())
            look();
    });
}

void MathBlockView::setTex(const QString &tex, bool open)
{
    if (tex == m_tex && open == m_open)
        return;
    m_tex = tex;
    m_open = open;
    m_settled = false;
    setAccessibleName(tex);
    look();
}

QString MathBlockView::error() const
{
    return m_shown && m_shownTex == m_tex ? m_shown->error : QString();
}

void MathBlockView::look()
{
    const MathKey key{m_tex, true, em()};
    if (const std::optional<MathFormula> formula = MathTypesetter::instance().find(key))
        settle(*formula);
    else
        MathTypesetter::instance().request(key);
}

void MathBlockView::settle(const MathFormula &formula)
{
    m_settled = true;
    if (!formula.isValid() && m_open && m_shown && m_shown->isValid())
        return;
    present(m_tex, formula);
}

void MathBlockView::present(const QString &tex, const MathFormula &formula)
{
    m_shownTex = tex;
    m_shown = formula;
    setAccessibleDescription(formula.error);
    const int height = sizeHint().height();
    if (height != this->height() || minimumHeight() != height)
        setFixedHeight(height);
    scrollBy(0);
    update();
}

qreal MathBlockView::contentWidth() const
{
    if (!m_shown)
        return 0;
    if (!m_shown->isValid())
        return QFontMetricsF(font()).horizontalAdvance(m_shownTex);
    return m_shown->displayWidth();
}

QSize MathBlockView::sizeHint() const
{
    qreal inner = lineHeight;
    if (m_shown && m_shown->isValid())
        inner = std::max(inner, m_shown->displayHeight() + m_shown->displayDepth());
    const QMargins margins = contentsMargins();
    return {int(std::ceil(contentWidth())) + margins.left() + margins.right(),
            int(std::ceil(inner)) + 2 * (displayMargin + padding) + margins.top()
                + margins.bottom()};
}

QSize MathBlockView::minimumSizeHint() const
{
    return {16, sizeHint().height()};
}

void MathBlockView::paintEvent(QPaintEvent *)
{
    if (!m_shown)
        return;
    QPainter painter(this);
    const QRectF area = QRectF(contentsRect()).adjusted(0, displayMargin, 0, -displayMargin);
    if (m_selected)
        painter.fillRect(area, palette().brush(QPalette::Highlight));
    const QColor text = m_selected ? palette().color(QPalette::HighlightedText)
                                   : palette().color(QPalette::WindowText);
    painter.setClipRect(area);
    if (!m_shown->isValid()) {
        // Centred when it fits; else from the left edge, scrolled, as a formula is.
        const qreal width = contentWidth();
        const qreal left = width <= area.width() ? area.left() + (area.width() - width) / 2
                                                 : area.left() - m_scroll;
        // The source as it was written, never markup: drawText takes plain text.
        // A formula still being written is no failure yet.
        painter.setPen(m_selected   ? text
                           : m_open ? AppColors::secondaryText(palette())
                                    : errorColor(this));
        painter.setFont(font());
        const QFontMetricsF metrics(font());
        painter.drawText(
            QPointF(left, area.center().y() + (metrics.ascent() - metrics.descent()) / 2),
            m_shownTex);
        return;
    }
    const qreal height = m_shown->displayHeight(), depth = m_shown->displayDepth();
    const qreal inner = std::max(lineHeight, height + depth);
    // The formula centred in the line, as a browser centres the line's box.
    const qreal top = area.top() + padding + (inner - height - depth) / 2;
    m_shown->paintDisplay(painter, area.left(), area.width(), top + height, text, m_scroll);
}

bool MathBlockView::scrollBy(qreal dx)
{
    const qreal overflow = std::max<qreal>(0, contentWidth() - contentsRect().width());
    const qreal scroll = std::clamp(m_scroll + dx, qreal(0), overflow);
    if (scroll == m_scroll)
        return false;
    m_scroll = scroll;
    update();
    return true;
}

void MathBlockView::setSelected(bool selected)
{
    if (selected == m_selected)
        return;
    m_selected = selected;
    update();
}

void MathBlockView::copy() const
{
    QGuiApplication::clipboard()->setText(m_tex);
}

void MathBlockView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() == Qt::LeftButton) {
        setSelected(true);
        // X11 and Wayland paste the last selection with the middle button.
        QClipboard *clipboard = QGuiApplication::clipboard();
        if (clipboard->supportsSelection())
            clipboard->setText(m_tex, QClipboard::Selection);
        return;
    }
    QWidget::mousePressEvent(event);
}

void MathBlockView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && m_selected) {
        copy();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        setSelected(true);
        return;
    }
    if ((event->key() == Qt::Key_Left && scrollBy(-arrowStep))
        || (event->key() == Qt::Key_Right && scrollBy(arrowStep)))
        return;
    QWidget::keyPressEvent(event);
}

void MathBlockView::contextMenuEvent(QContextMenuEvent *event)
{
    setSelected(true);
    QMenu menu(this);
    menu.addAction(tr("Copy"), this, &MathBlockView::copy);
    menu.exec(event->globalPos());
}

void MathBlockView::focusOutEvent(QFocusEvent *event)
{
    // One selection at a time across an answer's blocks; a context menu keeps it.
    if (event->reason() != Qt::PopupFocusReason)
        setSelected(false);
    QWidget::focusOutEvent(event);
}

void MathBlockView::wheelEvent(QWheelEvent *event)
{
    // Sideways only; an upright turn scrolls the chat. Shift turns the wheel sideways.
    QPoint delta = event->pixelDelta().isNull() ? event->angleDelta() / 4 : event->pixelDelta();
    if (event->modifiers() & Qt::ShiftModifier && delta.x() == 0)
        delta = {delta.y(), 0};
    if (std::abs(delta.x()) > std::abs(delta.y()) && scrollBy(-delta.x())) {
        event->accept();
        return;
    }
    event->ignore();
}

void MathBlockView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    scrollBy(0);
}

void MathBlockView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange && m_shown)
        present(m_shownTex, *m_shown);
}
