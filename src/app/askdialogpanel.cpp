#include "app/askdialogpanel.h"

#include <QKeyEvent>
#include <QMouseEvent>
#include <QScreen>
#include <QShortcut>
#include <QVBoxLayout>
#include <QWindow>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

AskDialogPanel::AskDialogPanel(QWidget *parent)
    : QWidget(parent,
              Qt::Tool | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint
                  | Qt::NoDropShadowWindowHint)
{
    setObjectName(u"askDialogPanel"_s);
    setWindowTitle(u"velm Quick Ask"_s);
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_NoSystemBackground);
    setFixedSize(panelWidth, minimumHeight);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // A shortcut rather than keyPressEvent alone: the text field would otherwise see the
    // key first, and a field that takes Escape for itself would keep the panel open.
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    escape->setContext(Qt::WindowShortcut);
    connect(escape, &QShortcut::activated, this, &AskDialogPanel::cancelOperation);
}

AskDialogPanel::~AskDialogPanel() = default;

void AskDialogPanel::setContent(QWidget *content)
{
    if (m_content == content)
        return;
    delete m_content;
    m_content = content;
    if (content)
        layout()->addWidget(content);
}

void AskDialogPanel::setContentHeight(int height)
{
    const int panelHeight = std::max(minimumHeight, height);
    if (panelHeight == this->height())
        return;
    QRect frame = geometry();
    frame.setHeight(panelHeight);
    if (isVisible() && screen())
        frame = keptWithin(frame, screen()->availableGeometry());
    setFixedSize(panelWidth, panelHeight);
    setGeometry(frame);
}

void AskDialogPanel::cancelOperation()
{
    if (onCancel)
        onCancel();
    hide();
}

QRect AskDialogPanel::frameFor(const QRect &visibleArea, int contentHeight)
{
    const int height = std::max(minimumHeight, contentHeight);
    const int left = visibleArea.x() + int(std::lround((visibleArea.width() - panelWidth) / 2.0));
    const int top = visibleArea.y() + int(std::lround(visibleArea.height() * 0.3 - height * 0.5));
    return QRect(left, top, panelWidth, height);
}

QRect AskDialogPanel::keptWithin(const QRect &frame, const QRect &visibleArea)
{
    QRect kept = frame;
    if (kept.bottom() > visibleArea.bottom())
        kept.moveBottom(visibleArea.bottom());
    if (kept.top() < visibleArea.top())
        kept.moveTop(visibleArea.top());
    return kept;
}

void AskDialogPanel::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cancelOperation();
        return;
    }
    QWidget::keyPressEvent(event);
}

void AskDialogPanel::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    // The window system moves the window where it can (Wayland allows nothing else).
    if (windowHandle() && windowHandle()->startSystemMove()) {
        event->accept();
        return;
    }
    m_dragging = true;
    m_dragOffset = event->globalPosition().toPoint() - frameGeometry().topLeft();
    event->accept();
}

void AskDialogPanel::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_dragging) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    move(event->globalPosition().toPoint() - m_dragOffset);
    event->accept();
}

void AskDialogPanel::mouseReleaseEvent(QMouseEvent *event)
{
    m_dragging = false;
    QWidget::mouseReleaseEvent(event);
}
