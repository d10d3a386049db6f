#include "main_window/thoughtrow.h"

#include "main_window/thoughttoggle.h"
#include "markdown/view/markdownview.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QFontMetricsF>
#include <QPainter>
#include <QPlainTextDocumentLayout>
#include <QPlainTextEdit>
#include <QScrollBar>
#include <QTextBlock>
#include <QTimer>
#include <QVBoxLayout>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int bottomGap = 6;
constexpr qreal ruleWidth = 1.5;

QFont thoughtFont()
{
    return TypeStyles::face(u"Inter18pt-Regular", 13);
}

// Whole seconds, at least one; none for a time that cannot be told.
std::optional<int> wholeSeconds(std::optional<double> seconds)
{
    if (!seconds || !std::isfinite(*seconds))
        return std::nullopt;
    return std::max(1, int(std::min(std::round(*seconds), 1e9)));
}

} // namespace

ThoughtRow::ThoughtRow(QWidget *parent)
    : QWidget(parent)
    , m_toggle(new ThoughtToggle(this))
    , m_body(new QWidget(this))
    , m_liveView(new QPlainTextEdit(m_body))
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, bottomGap);
    layout->setSpacing(0);
    layout->addWidget(m_toggle, 0, Qt::AlignLeft);
    auto *body = new QVBoxLayout(m_body);
    body->setContentsMargins(bodyIndent, 2, 0, 2);
    body->setSpacing(0);
    layout->addWidget(m_body);

    m_toggle->setObjectName(u"thoughtToggle"_s);
    connect(m_toggle, &QAbstractButton::clicked, this, [this] { setExpanded(!isExpanded()); });

    m_liveView->setObjectName(u"liveThought"_s);
    m_liveView->setAccessibleName(tr("Thought so far"));
    m_liveView->setReadOnly(true);
    // Its text is only ever appended to, in a stream of thousands of pieces.
    m_liveView->setUndoRedoEnabled(false);
    m_liveView->setFocusPolicy(Qt::NoFocus);
    m_liveView->setTextInteractionFlags(Qt::TextSelectableByMouse);
    m_liveView->setFrameShape(QFrame::NoFrame);
    m_liveView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_liveView->setWordWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_liveView->document()->setDocumentMargin(0);
    m_liveView->viewport()->setAutoFillBackground(false);
    m_liveView->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_liveView->setFont(thoughtFont());
    m_liveView->verticalScrollBar()->setStyleSheet(
        u"QScrollBar:vertical { background: transparent; width: 8px; margin: 0; }"
        "QScrollBar::handle:vertical { background: rgba(128, 128, 128, 80); min-height: 16px;"
        " border-radius: 3px; margin: 0 1px; }"
        "QScrollBar::add-line:vertical, QScrollBar::sub-line:vertical { height: 0; }"
        "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"_s);
    m_liveView->installEventFilter(this);
    QScrollBar *bar = m_liveView->verticalScrollBar();
    // The range grows as lines are laid out and the view grows, often well after the text
    // came.
    connect(bar, &QScrollBar::rangeChanged, this, &ThoughtRow::followNewestLine);
    connect(bar, &QScrollBar::valueChanged, this, [this, bar](int value) {
        if (!m_following)
            m_followsNewest = value >= bar->maximum();
    });
    body->addWidget(m_liveView);
    fitLiveView();

    applyColors();
    setThought(QString(), std::nullopt, false);
}

QString ThoughtRow::summary(std::optional<double> seconds)
{
    const std::optional<int> whole = wholeSeconds(seconds);
    if (!whole)
        return tr("Thought");
    if (*whole == 1)
        return tr("Thought for 1 second");
    if (*whole < 60)
        return tr("Thought for %n seconds", nullptr, *whole);
    const int rest = *whole % 60;
    if (rest == 0)
        //: Minutes, under an hour as a rule: "Thought for 3 min"
        return tr("Thought for %1 min").arg(*whole / 60);
    //: Minutes and seconds: "Thought for 3 min 12 s"
    return tr("Thought for %1 min %2 s").arg(*whole / 60).arg(rest);
}

QString ThoughtRow::spokenSummary(std::optional<double> seconds)
{
    const std::optional<int> whole = wholeSeconds(seconds);
    if (!whole)
        return tr("Thought");
    const int minutes = *whole / 60;
    const int rest = *whole % 60;
    QStringList parts;
    if (minutes > 0)
        parts.append(minutes == 1 ? tr("1 minute") : tr("%n minutes", nullptr, minutes));
    if (rest != 0)
        parts.append(rest == 1 ? tr("1 second") : tr("%n seconds", nullptr, rest));
    //: Read by screen readers; %1 is how long, as "2 minutes 5 seconds"
    return tr("Thought for %1").arg(parts.join(u' '));
}

void ThoughtRow::setThought(const QString &reasoning, std::optional<double> seconds, bool live)
{
    const bool wasLive = std::exchange(m_live, live);
    if (live) {
        showLiveText(reasoning);
    } else if (!m_liveSource.isEmpty() || wasLive) {
        m_liveSource.clear();
        m_liveView->clear();
        m_followsNewest = true;
    }
    m_reasoning = reasoning;
    m_toggle->setEnabled(!live);
    const QString label = live ? tr("Thinking…") : summary(seconds);
    if (m_toggle->text() != label) {
        m_toggle->setText(label);
        m_toggle->setAccessibleName(live ? tr("Thinking") : spokenSummary(seconds));
        m_toggle->updateGeometry();
    }
    showBody();
}

bool ThoughtRow::isExpanded() const
{
    return m_toggle->isExpanded();
}

void ThoughtRow::setExpanded(bool expanded)
{
    // The live thought shows anyway, and what it will end as is not known yet.
    if (m_live)
        return;
    m_toggle->setExpanded(expanded);
    showBody();
}

void ThoughtRow::showLiveText(const QString &reasoning)
{
    QTextDocument *document = m_liveView->document();
    QStringView added = reasoning;
    if (reasoning.startsWith(m_liveSource)) {
        added = added.sliced(m_liveSource.size());
    } else {
        // Not grown but changed (the answer so far turned out to be thought): anew.
        document->clear();
        m_followsNewest = true;
    }
    m_liveSource = reasoning;
    // Models like to open a thought with a blank line or two.
    if (document->isEmpty()) {
        while (!added.isEmpty() && added.front().isSpace())
            added = added.sliced(1);
    }
    if (added.isEmpty())
        return;
    QTextCursor end(document);
    end.movePosition(QTextCursor::End);
    end.insertText(added.toString());
    fitLiveView();
    followNewestLine();
}

void ThoughtRow::followNewestLine()
{
    if (!m_followsNewest)
        return;
    QScrollBar *bar = m_liveView->verticalScrollBar();
    m_following = true;
    bar->setValue(bar->maximum());
    m_following = false;
}

// As tall as its last lines, up to six, measured as laid out (a line with a symbol from
// another font is taller than the font's own); counted from the end, so a long thought costs
// no more than a short one.
void ThoughtRow::fitLiveView()
{
    QTextDocument *document = m_liveView->document();
    QAbstractTextDocumentLayout *layout = document->documentLayout();
    int lines = 0;
    qreal height = 0;
    for (QTextBlock block = document->lastBlock(); block.isValid() && lines < maximumLiveLines;
         block = block.previous()) {
        // Lays the block out at the view's width if it is not yet.
        const QRectF bounds = layout->blockBoundingRect(block);
        const QTextLayout *blockLayout = block.layout();
        if (blockLayout->lineCount() == 0) {
            height += bounds.height();
            ++lines;
            continue;
        }
        for (int line = blockLayout->lineCount() - 1; line >= 0 && lines < maximumLiveLines;
             --line, ++lines)
            height += blockLayout->lineAt(line).height();
    }
    if (lines == 0)
        height = QFontMetricsF(m_liveView->font()).lineSpacing();
    // The plain text view counts a line as shown only with a pixel or so to spare below it.
    const int fitted = int(std::ceil(height)) + 2;
    if (m_liveView->minimumHeight() != fitted || m_liveView->maximumHeight() != fitted)
        m_liveView->setFixedHeight(fitted);
}

void ThoughtRow::scheduleFit()
{
    // After the view has wrapped its text at the new width.
    QTimer::singleShot(0, this, [this] {
        if (m_live)
            fitLiveView();
    });
}

void ThoughtRow::showFullText()
{
    if (!m_fullView) {
        m_fullView = new MarkdownView(m_body);
        m_fullView->setObjectName(u"fullThought"_s);
        m_fullView->setBaseFont(thoughtFont());
        m_fullView->setCodeFont(TypeStyles::monospace(12));
        m_body->layout()->addWidget(m_fullView);
        applyColors();
    }
    if (m_fullView->text() != m_reasoning)
        m_fullView->setText(m_reasoning);
}

void ThoughtRow::showBody()
{
    const bool expanded = !m_live && isExpanded();
    if (expanded)
        showFullText();
    m_liveView->setVisible(m_live);
    if (m_fullView)
        m_fullView->setVisible(expanded);
    m_body->setVisible(m_live || expanded);
    update();
}

void ThoughtRow::applyColors()
{
    const QColor secondary = AppColors::secondaryText(palette());
    QPalette live;
    live.setColor(QPalette::Text, secondary);
    live.setColor(QPalette::Base, Qt::transparent);
    m_liveView->setPalette(live);
    if (m_fullView) {
        QPalette full;
        full.setColor(QPalette::WindowText, secondary);
        m_fullView->setPalette(full);
    }
}

void ThoughtRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

bool ThoughtRow::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_liveView && event->type() == QEvent::Resize)
        scheduleFit();
    return QWidget::eventFilter(watched, event);
}

// A rule from the chevron down the thought's side holds the two together.
void ThoughtRow::paintEvent(QPaintEvent *)
{
    if (m_body->isHidden())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    QColor color = AppColors::primaryText(palette());
    color.setAlphaF(0.12f);
    painter.setPen(QPen(color, ruleWidth, Qt::SolidLine, Qt::RoundCap));
    const qreal x
        = m_toggle->x() + ThoughtToggle::horizontalPadding + ThoughtToggle::symbolSize / 2.0;
    const QRect body = m_body->geometry();
    painter.drawLine(QPointF(x, body.top() + 2), QPointF(x, body.bottom() - 2));
}
