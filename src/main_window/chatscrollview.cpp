#include "main_window/chatscrollview.h"

#include "main_window/assistantmessagerow.h"
#include "main_window/messageaccessibility.h"
#include "main_window/messagerow.h"
#include "main_window/searchingrow.h"
#include "main_window/thinkingrow.h"
#include "main_window/thoughtrow.h"
#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/focusoutline.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QGraphicsOpacityEffect>
#include <QLayout>
#include <QPainter>
#include <QScrollBar>
#include <QVariantAnimation>

#include <algorithm>
#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int scrollDurationMs = 200;
// Rows within this many viewport heights of the visible part are built; rows beyond the
// second distance are released.
constexpr int buildDistance = 1;
constexpr int releaseDistance = 3;
// Estimates for rows not built yet: the copy button's line, the bubble's padding.
constexpr int copyLineHeight = 22;
constexpr int bubblePadding = 20;
constexpr int paragraphGap = 8;
// New rows rise into place from this far below.
constexpr int entranceRise = 16;
constexpr int fadeOutMs = 200;

// A revealed row shows this far below the top, clear of the floating title.
constexpr int revealTopMargin = 56;
constexpr int highlightMs = 1500;
constexpr int highlightOutset = 8;
constexpr qreal highlightAlpha = 0.22;

// Rows come in with this spring when the number of messages changes.
DampedSpring entranceSpring()
{
    return {0.3, 0.85};
}

// The tint behind a row that a search opened at. It lies under the rows and lets the
// pointer through to them.
class RowHighlight : public QWidget
{
public:
    explicit RowHighlight(QWidget *parent)
        : QWidget(parent)
    {
        setAttribute(Qt::WA_TransparentForMouseEvents);
    }

    void setStrength(qreal strength)
    {
        m_strength = strength;
        update();
    }

protected:
    void paintEvent(QPaintEvent *event) override
    {
        Q_UNUSED(event)
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        QColor tint = AppColors::named(NamedColor::AskAccent, this);
        tint.setAlphaF(float(highlightAlpha * std::clamp(m_strength, 0.0, 1.0)));
        painter.setPen(Qt::NoPen);
        painter.setBrush(tint);
        painter.drawRoundedRect(QRectF(rect()), 12, 12);
    }

private:
    qreal m_strength = 1;
};

} // namespace

ChatScrollView::ChatScrollView(QWidget *parent)
    : QScrollArea(parent)
    , m_content(new QWidget)
{
    setFrameShape(QFrame::NoFrame);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setWidgetResizable(false);
    setWidget(m_content);
    // A list of messages to assistive technology.
    m_content->setObjectName(u"messageList"_s);
    // F6 or Tab brings the keyboard to the list itself, which a screen reader announces as
    // the conversation; the keys it leaves (Page Up, the arrows) scroll this view. Only the
    // keyboard stops here, and it sees a ring around the conversation while it does.
    setAccessibleName(tr("Conversation"));
    setFocusPolicy(Qt::NoFocus);
    m_content->setFocusPolicy(Qt::TabFocus);
    setFocusProxy(m_content);
    new FocusOutline(m_content, this);
    MessageAccessibility::install();
    // The window's background shows through.
    viewport()->setAutoFillBackground(false);
    m_content->setAutoFillBackground(false);
    verticalScrollBar()->setStyleSheet(
        u"QScrollBar:vertical { background: transparent; width: 10px; margin: 2px 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 90); min-height: 32px;"
        " border-radius: 3px; margin: 0 2px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s);

    m_scrollWork.setSingleShot(true);
    m_scrollWork.setInterval(0);
    connect(&m_scrollWork, &QTimer::timeout, this, &ChatScrollView::performScroll);
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this,
            &ChatScrollView::onScrollValueChanged);
    m_highlightTimer.setSingleShot(true);
    m_highlightTimer.setInterval(highlightMs);
    connect(&m_highlightTimer, &QTimer::timeout, this, &ChatScrollView::clearHighlight);

    const QFontMetricsF metrics(TypeStyles::font(TypeStyle::Body));
    m_averageCharWidth = std::max(1.0, metrics.averageCharWidth());
    m_lineHeight = int(std::ceil(metrics.lineSpacing() * 1.18));
}

ChatScrollView::~ChatScrollView() = default;

void ChatScrollView::setRows(const QList<MessageListRow> &rows, const QList<ChatMessage> &messages)
{
    // Rows new to a conversation already on screen come in animated; a conversation that
    // opens appears as it is.
    const bool continues
        = std::any_of(rows.cbegin(), rows.cend(),
                      [this](const MessageListRow &row) { return m_indexOf.contains(row.id); });
    QList<Slot> slots;
    slots.reserve(rows.size());
    QHash<QUuid, qsizetype> indexOf;
    indexOf.reserve(rows.size());
    for (const MessageListRow &row : rows) {
        Slot slot;
        const auto previous = m_indexOf.constFind(row.id);
        if (previous != m_indexOf.constEnd())
            slot = std::exchange(m_slots[*previous], Slot());
        else
            slot.entering = continues && Animations::enabled();
        slot.row = row;
        if (row.kind == MessageListRow::Kind::Message) {
            const ChatMessage &message = messages.at(row.messageIndex);
            // What the estimate of a row not built reads.
            const bool reshaped = message.text != slot.message.text
                || message.reasoning.isEmpty() != slot.message.reasoning.isEmpty();
            slot.message = message;
            if (reshaped && !slot.widget)
                slot.measuredWidth = -1;
            // The row redraws only what differs.
            if (slot.widget)
                showInWidget(slot);
        }
        indexOf.insert(row.id, slots.size());
        slots.append(std::move(slot));
    }
    // A conversation that opens is read from its end: build the rows there, not at the
    // place the previous one was scrolled to.
    if (!continues) {
        m_openAtEnd = true;
        m_revealId = QUuid();
        clearHighlight();
    }
    for (Slot &gone : m_slots) {
        // The searching and thinking rows fade out where they were.
        if (gone.widget && gone.row.kind != MessageListRow::Kind::Message && Animations::enabled())
            fadeOut(std::exchange(gone.widget, nullptr));
        releaseWidget(gone);
    }
    m_slots = std::move(slots);
    m_indexOf = std::move(indexOf);
    relayout();
}

void ChatScrollView::updateMessage(const ChatMessage &message)
{
    const auto index = m_indexOf.constFind(message.id);
    if (index == m_indexOf.constEnd())
        return;
    Slot &slot = m_slots[*index];
    slot.message = message;
    if (slot.widget)
        showInWidget(slot);
    else
        slot.measuredWidth = -1;
    relayout();
}

void ChatScrollView::setShowsThoughts(bool shows)
{
    if (shows == m_showsThoughts)
        return;
    m_showsThoughts = shows;
    for (Slot &slot : m_slots) {
        if (slot.widget)
            showInWidget(slot);
        else if (!slot.message.reasoning.isEmpty())
            slot.measuredWidth = -1;
    }
    relayout();
}

void ChatScrollView::scheduleScroll(bool jump)
{
    m_jumpPending = m_jumpPending || jump;
    // Restarting replaces the pending scroll: one scroll per turn however many asked.
    m_scrollWork.start();
}

void ChatScrollView::revealRow(const QUuid &id)
{
    if (!m_indexOf.contains(id))
        return;
    m_revealId = id;
    m_scrollWork.start();
}

QUuid ChatScrollView::highlightedRow() const
{
    return m_highlightId;
}

QList<MessageListRow> ChatScrollView::rows() const
{
    QList<MessageListRow> list;
    list.reserve(m_slots.size());
    for (const Slot &slot : m_slots)
        list.append(slot.row);
    return list;
}

QWidget *ChatScrollView::rowWidget(const QUuid &id) const
{
    const auto index = m_indexOf.constFind(id);
    return index == m_indexOf.constEnd() ? nullptr : m_slots.at(*index).widget;
}

qsizetype ChatScrollView::rowOfWidget(const QWidget *widget) const
{
    for (qsizetype i = 0; i < m_slots.size(); ++i) {
        if (m_slots.at(i).widget == widget)
            return i;
    }
    return -1;
}

MessageRow *ChatScrollView::messageRow(const QUuid &id) const
{
    return qobject_cast<MessageRow *>(rowWidget(id));
}

QRect ChatScrollView::rowGeometry(const QUuid &id) const
{
    const auto index = m_indexOf.constFind(id);
    if (index == m_indexOf.constEnd())
        return {};
    const Slot &slot = m_slots.at(*index);
    return {rowLeft(), slot.top, rowWidth(), slot.height};
}

int ChatScrollView::builtRowCount() const
{
    return int(std::count_if(m_slots.cbegin(), m_slots.cend(),
                             [](const Slot &slot) { return slot.widget != nullptr; }));
}

double ChatScrollView::scrollProgress() const
{
    return MessageListRows::scrollProgress(-verticalScrollBar()->value());
}

void ChatScrollView::resizeEvent(QResizeEvent *event)
{
    QScrollArea::resizeEvent(event);
    relayout();
}

bool ChatScrollView::viewportEvent(QEvent *event)
{
    const bool handled = QScrollArea::viewportEvent(event);
    // The scroll bar came or went.
    if (event->type() == QEvent::Resize)
        relayout();
    return handled;
}

bool ChatScrollView::eventFilter(QObject *watched, QEvent *event)
{
    // A built row changed its size (new text, a formula that reported its height).
    if (watched == m_content && event->type() == QEvent::LayoutRequest)
        relayout();
    return QScrollArea::eventFilter(watched, event);
}

int ChatScrollView::rowWidth() const
{
    // Measured against the whole area, so the scroll bar coming and going never rewraps.
    const int available = width() - 2 * sideInset - verticalScrollBar()->sizeHint().width();
    return std::clamp(available, 1, maximumRowWidth);
}

int ChatScrollView::rowLeft() const
{
    return std::max(0, (viewport()->width() - rowWidth()) / 2);
}

QWidget *ChatScrollView::createWidget(const Slot &slot)
{
    switch (slot.row.kind) {
    case MessageListRow::Kind::Searching:
        return new SearchingRow(m_content);
    case MessageListRow::Kind::Thinking:
        return new ThinkingRow(m_content);
    case MessageListRow::Kind::Message:
        break;
    }
    MessageRow *row = MessageRow::create(slot.message, m_content);
    connect(row, &MessageRow::editRequested, this, &ChatScrollView::editRequested);
    connect(row, &MessageRow::editSubmitted, this, &ChatScrollView::editSubmitted);
    connect(row, &MessageRow::editCancelled, this, &ChatScrollView::editCancelled);
    connect(row, &MessageRow::regenerateRequested, this, &ChatScrollView::regenerateRequested);
    connect(row, &MessageRow::versionRequested, this, &ChatScrollView::versionRequested);
    return row;
}

void ChatScrollView::showInWidget(Slot &slot)
{
    auto *row = qobject_cast<MessageRow *>(slot.widget);
    if (!row)
        return;
    if (auto *answer = qobject_cast<AssistantMessageRow *>(row))
        answer->setShowsThought(m_showsThoughts);
    row->setMessage(slot.message, slot.row.isFirstInGroup, slot.row.isStreaming);
    row->setActions(slot.row);
}

void ChatScrollView::releaseWidget(Slot &slot)
{
    if (!slot.widget)
        return;
    QWidget *widget = std::exchange(slot.widget, nullptr);
    // Its entrance, if any, goes with it.
    slot.entrance = 1;
    // Later, not now: the release may come from a signal of the row itself.
    widget->hide();
    widget->deleteLater();
}

int ChatScrollView::estimatedHeight(const Slot &slot, int width) const
{
    switch (slot.row.kind) {
    case MessageListRow::Kind::Searching:
    case MessageListRow::Kind::Thinking:
        return 30;
    case MessageListRow::Kind::Message:
        break;
    }
    const bool user = slot.message.role == ChatMessage::Role::User;
    const qreal textWidth = user ? width * 0.8 - 2 * 16 : width;
    const qreal charsPerLine = std::max(8.0, textWidth / m_averageCharWidth);
    const QString &text = slot.message.text;
    int lines = 0;
    int gaps = 0;
    qsizetype start = 0;
    while (start <= text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        if (end == -1)
            end = text.size();
        const qsizetype length = end - start;
        if (length == 0)
            ++gaps;
        else
            lines += int(std::ceil(length / charsPerLine));
        start = end + 1;
    }
    if (user)
        return (slot.row.isFirstInGroup ? 20 : 4) + std::max(1, lines) * m_lineHeight
            + bubblePadding + copyLineHeight + 4;
    const int thought
        = m_showsThoughts && !slot.message.reasoning.isEmpty() ? ThoughtRow::foldedHeight : 0;
    return 8 + thought + lines * m_lineHeight + gaps * paragraphGap
        + (text.isEmpty() ? 0 : copyLineHeight);
}

int ChatScrollView::measuredHeight(QWidget *widget, int width) const
{
    const int height = widget->hasHeightForWidth() ? widget->heightForWidth(width) : -1;
    return height >= 0 ? height : widget->sizeHint().height();
}

void ChatScrollView::relayout()
{
    if (m_inRelayout) {
        m_relayoutPending = true;
        return;
    }
    m_inRelayout = true;
    QScrollBar *bar = verticalScrollBar();
    // Whatever changes above it, the first visible row stays where it is on screen.
    const int value = bar->value();
    // A list read at its end stays at its end, as rows above settle and the last one grows.
    const bool atEnd = std::exchange(m_openAtEnd, false) || (value > 0 && value >= bar->maximum());
    qsizetype anchor = -1;
    int anchorOffset = 0;
    if (value > 0 && !atEnd) {
        const auto first = std::find_if(m_slots.cbegin(), m_slots.cend(), [value](const Slot &s) {
            return s.top + s.height > value;
        });
        if (first != m_slots.cend()) {
            anchor = first - m_slots.cbegin();
            anchorOffset = value - first->top;
        }
    }
    int current = value;
    // Building rows replaces estimates by real heights, which can bring further rows near.
    for (int pass = 0; pass < 6; ++pass) {
        layoutSlots();
        if (atEnd)
            setScrollValue(bar->maximum());
        else if (anchor != -1)
            setScrollValue(m_slots.at(anchor).top + anchorOffset);
        current = bar->value();
        if (!buildRowsNear(current))
            break;
    }
    releaseFarRows(current);
    m_inRelayout = false;
    if (std::exchange(m_relayoutPending, false))
        QMetaObject::invokeMethod(this, &ChatScrollView::relayout, Qt::QueuedConnection);
}

bool ChatScrollView::buildRowsNear(int value)
{
    const int reach = buildDistance * viewport()->height();
    const int from = value - reach;
    const int to = value + viewport()->height() + reach;
    bool built = false;
    for (Slot &slot : m_slots) {
        if (slot.widget)
            continue;
        // The indicators are small and always last: they are built at once, so that their
        // animation runs from the moment they appear.
        const bool near = slot.top < to && slot.top + slot.height > from;
        if (!near && slot.row.kind == MessageListRow::Kind::Message)
            continue;
        slot.widget = createWidget(slot);
        showInWidget(slot);
        if (std::exchange(slot.entering, false))
            startEntrance(slot);
        built = true;
    }
    return built;
}

void ChatScrollView::releaseFarRows(int value)
{
    const int reach = releaseDistance * viewport()->height();
    const int from = value - reach;
    const int to = value + viewport()->height() + reach;
    for (Slot &slot : m_slots) {
        if (!slot.widget || slot.row.kind != MessageListRow::Kind::Message)
            continue;
        if (slot.top >= to || slot.top + slot.height <= from)
            releaseWidget(slot);
    }
}

void ChatScrollView::layoutSlots()
{
    const int width = rowWidth();
    int y = topPadding;
    for (Slot &slot : m_slots) {
        if (slot.widget) {
            slot.height = measuredHeight(slot.widget, width);
            slot.measuredWidth = width;
        } else if (slot.measuredWidth == -1) {
            // Estimated again until it is built; -1 keeps it an estimate.
            slot.height = estimatedHeight(slot, width);
        }
        slot.top = y;
        y += slot.height;
    }
    m_content->resize(viewport()->width(), y + bottomPadding);
    placeWidgets();
}

void ChatScrollView::placeWidgets()
{
    const int width = rowWidth();
    const int left = rowLeft();
    for (const Slot &slot : std::as_const(m_slots)) {
        if (!slot.widget)
            continue;
        const int rise = slot.row.kind == MessageListRow::Kind::Message
            ? int(std::lround((1 - slot.entrance) * entranceRise))
            : 0;
        const QRect geometry(left, slot.top + rise, width, slot.height);
        if (slot.widget->geometry() != geometry)
            slot.widget->setGeometry(geometry);
        if (slot.widget->isHidden())
            slot.widget->show();
    }
    placeHighlight();
}

void ChatScrollView::startEntrance(Slot &slot)
{
    QWidget *widget = slot.widget;
    QPointer<QGraphicsOpacityEffect> effect = new QGraphicsOpacityEffect(widget);
    effect->setOpacity(0);
    widget->setGraphicsEffect(effect);
    slot.entrance = 0;
    auto *animation = new SpringAnimation(entranceSpring(), widget);
    animation->setStartValue(0.0);
    animation->setEndValue(1.0);
    const QUuid id = slot.row.id;
    auto apply = [this, id, effect](qreal progress) {
        if (effect)
            effect->setOpacity(std::clamp(progress, 0.0, 1.0));
        const auto index = m_indexOf.constFind(id);
        if (index == m_indexOf.constEnd())
            return;
        m_slots[*index].entrance = progress;
        placeWidgets();
    };
    connect(animation, &QVariantAnimation::valueChanged, this,
            [apply](const QVariant &value) { apply(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, this, [apply, widget] {
        apply(1);
        widget->setGraphicsEffect(nullptr);
    });
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

void ChatScrollView::fadeOut(QWidget *widget)
{
    auto *effect = new QGraphicsOpacityEffect(widget);
    widget->setGraphicsEffect(effect);
    auto *animation = new QVariantAnimation(widget);
    animation->setStartValue(1.0);
    animation->setEndValue(0.0);
    animation->setDuration(fadeOutMs);
    animation->setEasingCurve(QEasingCurve::OutQuad);
    connect(animation, &QVariantAnimation::valueChanged, effect,
            [effect](const QVariant &value) { effect->setOpacity(value.toDouble()); });
    connect(animation, &QVariantAnimation::finished, widget, &QObject::deleteLater);
    animation->start(QAbstractAnimation::DeleteWhenStopped);
}

int ChatScrollView::scrollTarget() const
{
    if (m_slots.isEmpty())
        return verticalScrollBar()->value();
    const Slot &last = m_slots.constLast();
    const int bottom = last.top + last.height + bottomPadding;
    return std::clamp(bottom - viewport()->height(), 0, verticalScrollBar()->maximum());
}

void ChatScrollView::performScroll()
{
    ++m_scrollCount;
    if (!m_revealId.isNull()) {
        m_jumpPending = false;
        performReveal();
        return;
    }
    const bool jump = std::exchange(m_jumpPending, false) || !Animations::enabled();
    if (m_slots.isEmpty())
        return;
    if (jump) {
        if (m_scrollAnimation)
            m_scrollAnimation->stop();
        // The rows built at the bottom bring their real heights; follow them down.
        for (int pass = 0; pass < 6; ++pass) {
            const int target = scrollTarget();
            if (verticalScrollBar()->value() == target)
                break;
            setScrollValue(target);
        }
        Q_EMIT scrollProgressChanged(scrollProgress());
        return;
    }
    if (!m_scrollAnimation) {
        m_scrollAnimation = new QVariantAnimation(this);
        m_scrollAnimation->setStartValue(0.0);
        m_scrollAnimation->setEndValue(1.0);
        m_scrollAnimation->setDuration(scrollDurationMs);
        m_scrollAnimation->setEasingCurve(QEasingCurve::OutQuad);
        // The target is read on every frame: rows may still grow while the scroll runs.
        connect(m_scrollAnimation, &QVariantAnimation::valueChanged, this,
                [this](const QVariant &progress) {
                    setScrollValue(
                        m_scrollStart
                        + int(std::lround((scrollTarget() - m_scrollStart) * progress.toDouble())));
                });
    }
    m_scrollAnimation->stop();
    m_scrollStart = verticalScrollBar()->value();
    m_scrollAnimation->start();
}

void ChatScrollView::performReveal()
{
    const QUuid id = std::exchange(m_revealId, QUuid());
    if (m_scrollAnimation)
        m_scrollAnimation->stop();
    // Rows built near the target bring their real heights; aim again until it holds.
    for (int pass = 0; pass < 6; ++pass) {
        const auto index = m_indexOf.constFind(id);
        if (index == m_indexOf.constEnd())
            return;
        const int target = std::clamp(m_slots.at(*index).top - revealTopMargin, 0,
                                      verticalScrollBar()->maximum());
        if (verticalScrollBar()->value() == target)
            break;
        setScrollValue(target);
    }
    Q_EMIT scrollProgressChanged(scrollProgress());
    startHighlight(id);
}

void ChatScrollView::startHighlight(const QUuid &id)
{
    m_highlightId = id;
    if (!m_highlight)
        m_highlight = new RowHighlight(m_content);
    auto *highlight = static_cast<RowHighlight *>(m_highlight);
    highlight->setStrength(1);
    highlight->lower();
    placeHighlight();
    highlight->show();
    if (m_highlightFade)
        m_highlightFade->stop();
    m_highlightTimer.start();
    if (!Animations::enabled())
        return;
    // It holds a moment for the eye to find it, then fades.
    auto *fade = new QVariantAnimation(this);
    fade->setStartValue(1.0);
    fade->setEndValue(0.0);
    fade->setDuration(highlightMs);
    fade->setEasingCurve(QEasingCurve::InQuad);
    connect(fade, &QVariantAnimation::valueChanged, highlight,
            [highlight](const QVariant &value) { highlight->setStrength(value.toDouble()); });
    m_highlightFade = fade;
    fade->start(QAbstractAnimation::DeleteWhenStopped);
}

void ChatScrollView::clearHighlight()
{
    m_highlightId = QUuid();
    m_highlightTimer.stop();
    if (m_highlightFade)
        m_highlightFade->stop();
    if (m_highlight)
        m_highlight->hide();
}

void ChatScrollView::placeHighlight()
{
    if (m_highlightId.isNull() || !m_highlight)
        return;
    const auto index = m_indexOf.constFind(m_highlightId);
    if (index == m_indexOf.constEnd()) {
        clearHighlight();
        return;
    }
    const Slot &slot = m_slots.at(*index);
    m_highlight->setGeometry(rowLeft() - highlightOutset, slot.top,
                             rowWidth() + 2 * highlightOutset, slot.height);
}

void ChatScrollView::setScrollValue(int value)
{
    verticalScrollBar()->setValue(value);
}

void ChatScrollView::onScrollValueChanged(int value)
{
    Q_EMIT scrollOffsetChanged(value);
    Q_EMIT scrollProgressChanged(scrollProgress());
    if (!m_inRelayout)
        relayout();
}
