#include "main_window/sidebarlistview.h"

#include "main_window/sidebarmodel.h"
#include "main_window/sidebarrowdelegate.h"
#include "widgets/animations.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>

SidebarListView::SidebarListView(SidebarModel *model, SidebarRowDelegate *delegate, QWidget *parent)
    : QListView(parent)
    , m_model(model)
    , m_delegate(delegate)
{
    setModel(model);
    setItemDelegate(delegate);
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(false);
    setFocusPolicy(Qt::TabFocus);
    setAccessibleName(tr("Chats"));
    setMouseTracking(true);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    verticalScrollBar()->setSingleStep(16);
    // Space above the first group and below the last: margins, not rows, so that a screen
    // reader's list holds only headers and chats.
    setViewportMargins(0, 8, 0, 20);

    connect(model, &SidebarModel::rowHeightsChanged, this, &SidebarListView::relayout);
    // A row that goes away under a resting pointer must not leave its hover look behind.
    connect(model, &QAbstractItemModel::rowsRemoved, this, &SidebarListView::refreshHover);
}

void SidebarListView::setHoverProgress(qreal progress)
{
    m_hoverProgress = progress;
    m_delegate->setHover(m_hoveredId, m_hoverProgress, m_hoverOnButton);
    viewport()->update();
}

void SidebarListView::setRenamingId(std::optional<QUuid> id)
{
    m_renamingId = id;
    if (m_hoveredId && m_hoveredId == id)
        clearHover();
}

QRect SidebarListView::rowRect(const QUuid &id) const
{
    const int row = m_model->rowOfSession(id);
    return row < 0 ? QRect() : visualRect(m_model->index(row));
}

QRect SidebarListView::ellipsisRect(const QUuid &id) const
{
    const QRect rect = rowRect(id);
    return rect.isEmpty() ? QRect() : SidebarRowDelegate::ellipsisRect(rect);
}

std::optional<QUuid> SidebarListView::sessionAt(const QPoint &pos) const
{
    const QModelIndex index = indexAt(pos);
    if (!index.isValid() || !(m_model->flags(index) & Qt::ItemIsEnabled))
        return std::nullopt;
    const QUuid id = m_model->row(index.row()).sessionId;
    if (m_renamingId == id)
        return std::nullopt;
    return id;
}

void SidebarListView::mousePressEvent(QMouseEvent *event)
{
    // The item view's own press handling would move its current index and start drags.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QPoint pos = event->position().toPoint();
    const std::optional<QUuid> id = sessionAt(pos);
    if (!id)
        return;
    const QRect button = ellipsisRect(*id);
    if (m_hoveredId == id && button.contains(pos)) {
        Q_EMIT menuRequested(*id, viewport()->mapToGlobal(button.bottomLeft() + QPoint(0, 4)));
        return;
    }
    Q_EMIT sessionClicked(*id);
}

void SidebarListView::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void SidebarListView::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void SidebarListView::mouseMoveEvent(QMouseEvent *event)
{
    event->accept();
    updateHover(event->position().toPoint());
}

void SidebarListView::contextMenuEvent(QContextMenuEvent *event)
{
    const std::optional<QUuid> id = sessionAt(event->pos());
    if (!id) {
        event->ignore();
        return;
    }
    event->accept();
    Q_EMIT menuRequested(*id, event->globalPos());
}

bool SidebarListView::viewportEvent(QEvent *event)
{
    // The row keeps its look while its menu is open over it.
    if (event->type() == QEvent::Leave && !QApplication::activePopupWidget())
        clearHover();
    return QListView::viewportEvent(event);
}

void SidebarListView::scrollContentsBy(int dx, int dy)
{
    QListView::scrollContentsBy(dx, dy);
    // The rows move under a resting pointer.
    if (viewport()->underMouse())
        refreshHover();
}

void SidebarListView::refreshHover()
{
    updateHover(viewport()->mapFromGlobal(QCursor::pos()));
}

void SidebarListView::updateHover(const QPoint &pos)
{
    const std::optional<QUuid> id
        = viewport()->rect().contains(pos) ? sessionAt(pos) : std::optional<QUuid>();
    const bool onButton = id && ellipsisRect(*id).contains(pos);
    if (id == m_hoveredId) {
        if (onButton != m_hoverOnButton) {
            m_hoverOnButton = onButton;
            setHoverProgress(m_hoverProgress);
        }
        return;
    }
    m_hoveredId = id;
    m_hoverOnButton = onButton;
    setHoverProgress(0);
    if (id)
        Animations::animate(this, "hoverProgress", 1.0, Animations::quickEase());
}

void SidebarListView::clearHover()
{
    if (!m_hoveredId)
        return;
    m_hoveredId.reset();
    m_hoverOnButton = false;
    setHoverProgress(0);
}

void SidebarListView::relayout()
{
    scheduleDelayedItemsLayout();
    viewport()->update();
}

int SidebarListView::sessionRowFrom(int row, int step) const
{
    for (row += step; row >= 0 && row < m_model->rowCount(); row += step) {
        if (m_model->flags(m_model->index(row)) & Qt::ItemIsEnabled)
            return row;
    }
    return -1;
}

void SidebarListView::setKeyboardRow(int row)
{
    if (row < 0)
        return;
    const QModelIndex index = m_model->index(row);
    setCurrentIndex(index);
    scrollTo(index);
    viewport()->update();
}

void SidebarListView::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    // The ring starts on the open chat, or on the first.
    if (!(m_model->flags(currentIndex()) & Qt::ItemIsEnabled)) {
        const std::optional<QUuid> open = m_delegate->selectedId();
        const int selected = open ? m_model->rowOfSession(*open) : -1;
        setKeyboardRow(selected >= 0 ? selected : sessionRowFrom(-1, 1));
    }
}

void SidebarListView::keyPressEvent(QKeyEvent *event)
{
    const int row = currentIndex().isValid() ? currentIndex().row() : -1;
    const bool plain = !(event->modifiers() & ~(Qt::KeypadModifier));
    switch (event->key()) {
    case Qt::Key_Down:
        if (const int next = sessionRowFrom(row, 1); next >= 0)
            setKeyboardRow(next);
        break;
    case Qt::Key_Up:
        if (const int previous = sessionRowFrom(row < 0 ? m_model->rowCount() : row, -1);
            previous >= 0)
            setKeyboardRow(previous);
        break;
    case Qt::Key_Home:
        setKeyboardRow(sessionRowFrom(-1, 1));
        break;
    case Qt::Key_End:
        setKeyboardRow(sessionRowFrom(m_model->rowCount(), -1));
        break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        if (!plain || !(m_model->flags(currentIndex()) & Qt::ItemIsEnabled)) {
            event->ignore();
            return;
        }
        Q_EMIT sessionClicked(m_model->row(row).sessionId);
        break;
    case Qt::Key_Menu:
    case Qt::Key_F10:
        if ((event->key() == Qt::Key_F10 && event->modifiers() != Qt::ShiftModifier)
            || !(m_model->flags(currentIndex()) & Qt::ItemIsEnabled)) {
            event->ignore();
            return;
        }
        Q_EMIT menuRequested(m_model->row(row).sessionId,
                             viewport()->mapToGlobal(visualRect(currentIndex()).center()));
        break;
    default:
        event->ignore();
        return;
    }
    event->accept();
}
