#include "quickask/askdialogpanel.h"

#include "quickask/quickasklog.h"
#include "widgets/accessiblerole.h"
#include "widgets/windowtranslucency.h"

#include <QBitmap>
#include <QGraphicsEffect>
#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QShortcut>
#include <QTimer>
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
    setWindowTitle(tr("velm Quick Ask"));
    // A window of its own that asks one thing: a dialog, not a filler, to a screen reader.
    AccessibleRole::assign("AskDialogPanel", QAccessible::Dialog);
    setFixedSize(panelWidth, minimumHeight);
    // Once right away for the new layout, and once more when the content's transitions
    // (a fade, a spring) have surely settled.
    m_shapeTimer = new QTimer(this);
    m_shapeTimer->setSingleShot(true);
    m_shapeTimer->setInterval(0);
    connect(m_shapeTimer, &QTimer::timeout, this, &AskDialogPanel::updateShape);
    m_settledShapeTimer = new QTimer(this);
    m_settledShapeTimer->setSingleShot(true);
    m_settledShapeTimer->setInterval(700);
    connect(m_settledShapeTimer, &QTimer::timeout, this, &AskDialogPanel::updateShape);
    setTranslucent(WindowTranslucency::available());
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    // A shortcut rather than keyPressEvent: the text field sees a key press first, and a
    // field that took Escape for itself would keep the panel open.
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

void AskDialogPanel::setTranslucent(bool translucent)
{
    m_translucent = translucent;
    setAttribute(Qt::WA_TranslucentBackground, translucent);
    setAttribute(Qt::WA_NoSystemBackground, translucent);
    if (translucent)
        clearMask();
    else
        scheduleShapeUpdate();
}

void AskDialogPanel::scheduleShapeUpdate()
{
    if (m_translucent)
        return;
    m_shapeTimer->start();
    m_settledShapeTimer->start();
}

void AskDialogPanel::updateShape()
{
    if (m_translucent || !m_content)
        return;
    // What the content draws without a background, as a one-bit mask: the card and the
    // buttons below it, less the space around them.
    // Drawn as it looks when settled: without the effects of transitions under way, which
    // also do not draw into an image.
    QList<QGraphicsEffect *> effects;
    const QList<QWidget *> widgets = m_content->findChildren<QWidget *>();
    for (QWidget *widget : widgets) {
        QGraphicsEffect *effect = widget->graphicsEffect();
        if (effect && effect->isEnabled()) {
            effect->setEnabled(false);
            effects.append(effect);
        }
    }
    QImage image(m_content->size(), QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    m_content->render(&image, QPoint(), QRegion(), QWidget::DrawChildren);
    for (QGraphicsEffect *effect : std::as_const(effects))
        effect->setEnabled(true);
    const QRegion drawn(QBitmap::fromImage(image.createAlphaMask()));
    setMask(drawn.isEmpty() ? QRegion(rect()) : drawn.translated(m_content->pos()));
    qCDebug(lcQuickAsk) << "Quick Ask panel shaped to" << mask().boundingRect() << "of" << size();
}

void AskDialogPanel::paintEvent(QPaintEvent *event)
{
    if (m_translucent) {
        QWidget::paintEvent(event);
        return;
    }
    QPainter painter(this);
    const QWidget *source = m_content ? m_content : this;
    painter.fillRect(rect(), source->palette().color(QPalette::Window));
}

void AskDialogPanel::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    scheduleShapeUpdate();
}

void AskDialogPanel::setContentHeight(int height)
{
    const int panelHeight = std::max(minimumHeight, height);
    // The content may look different at the same height (the answer replaced the dots).
    scheduleShapeUpdate();
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
