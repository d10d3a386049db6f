#include "main_window/sidebarsearchlist.h"

#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/typestyles.h"

#include <QAccessible>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScrollBar>
#include <QTextLayout>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Geometry in logical pixels, matching the list of chats.
constexpr int sideInset = 8;
constexpr int textInset = 10;
constexpr int topPadding = 7;
constexpr int titleHeight = 18;
constexpr int snippetGap = 2;
constexpr int snippetLines = 2;
constexpr int bottomPadding = 7;
constexpr qreal cornerRadius = 8;
constexpr int tagPadding = 5;
constexpr int metaGap = 6;
// A match further into the snippet than this many characters is brought forward, so the
// two lines show it.
constexpr qsizetype leadCharacters = 24;
constexpr qsizetype leadContext = 14;

QFont snippetFont()
{
    QFont font = TypeStyles::font(TypeStyle::Caption);
    font.setWeight(QFont::Normal);
    return font;
}

int snippetLineHeight()
{
    return QFontMetrics(snippetFont()).lineSpacing();
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(std::min(1.0f, float(color.alphaF() * alpha)));
    return color;
}

struct MarkedText
{
    QString text;
    QList<TextSpan> marks;
};

// The snippet starting a little before its first mark, at a word, when the mark lies too
// far in for two short lines.
MarkedText leadingWithMatch(const ChatSearchHit &hit)
{
    // One flowing text: a line break or tab of the source would not draw as one. The
    // replacements keep every offset, and marks outside the text are left out.
    QString snippet = hit.snippet;
    for (QChar &c : snippet) {
        if (c == u'\n' || c == u'\r' || c == u'\t')
            c = u' ';
    }
    QList<TextSpan> marks;
    for (const TextSpan &span : hit.marks) {
        if (span.start >= 0 && span.length > 0 && span.start + span.length <= snippet.size())
            marks.append(span);
    }
    MarkedText out{snippet, marks};
    if (marks.isEmpty() || marks.constFirst().start <= leadCharacters)
        return out;
    const qsizetype mark = marks.constFirst().start;
    qsizetype from = snippet.lastIndexOf(u' ', mark - leadContext) + 1;
    if (from <= 0 || mark - from > leadCharacters)
        from = mark - leadContext;
    const QString ellipsis = u"…"_s;
    out.text = ellipsis + snippet.mid(from);
    out.marks.clear();
    for (const TextSpan &span : std::as_const(marks)) {
        if (span.start >= from)
            out.marks.append({span.start - from + ellipsis.size(), span.length});
    }
    return out;
}

// Lays `marked` out in at most `lines` lines of `width`, the first indented by
// `firstLineIndent`, the last ending in an ellipsis when text is left over, and draws it at
// `topLeft`.
void drawMarkedText(QPainter *painter, const MarkedText &marked, const QPointF &topLeft,
                    qreal width, qreal firstLineIndent, int lines, const QColor &color,
                    const QColor &markColor, const QColor &markBackground)
{
    const QFont font = snippetFont();
    QTextLayout layout(marked.text, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    QList<QTextLayout::FormatRange> formats;
    for (const TextSpan &span : marked.marks) {
        QTextLayout::FormatRange range;
        range.start = int(span.start);
        range.length = int(span.length);
        range.format.setFontWeight(QFont::DemiBold);
        range.format.setForeground(markColor);
        range.format.setBackground(markBackground);
        formats.append(range);
    }
    layout.setFormats(formats);

    const QFontMetricsF metrics(font);
    const qreal ellipsisWidth = metrics.horizontalAdvance(u"…"_s);
    layout.beginLayout();
    qreal y = 0;
    bool cut = false;
    for (int line = 0; line < lines; ++line) {
        QTextLine textLine = layout.createLine();
        if (!textLine.isValid())
            break;
        const qreal indent = line == 0 ? firstLineIndent : 0;
        textLine.setLineWidth(width - indent);
        const bool last = line == lines - 1;
        if (last && textLine.textStart() + textLine.textLength() < marked.text.size()) {
            textLine.setLineWidth(width - indent - ellipsisWidth);
            cut = true;
        }
        textLine.setPosition(QPointF(indent, y));
        y += metrics.lineSpacing();
    }
    layout.endLayout();

    painter->setPen(color);
    painter->setFont(font);
    for (int line = 0; line < layout.lineCount(); ++line)
        layout.lineAt(line).draw(painter, topLeft);
    if (cut && layout.lineCount() > 0) {
        const QTextLine last = layout.lineAt(layout.lineCount() - 1);
        painter->setPen(color);
        painter->drawText(
            QPointF(topLeft.x() + last.naturalTextWidth(), topLeft.y() + last.y() + last.ascent()),
            u"…"_s);
    }
}

} // namespace

int SidebarSearchModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_results.size());
}

QVariant SidebarSearchModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || index.row() >= m_results.size())
        return {};
    const Result &result = m_results.at(index.row());
    switch (role) {
    case Qt::DisplayRole:
        return result.hit.title;
    case Qt::AccessibleTextRole: {
        QString text = result.hit.title;
        if (!result.hit.messageId.isNull())
            text += u": "_s + result.hit.snippet;
        return text;
    }
    case Qt::AccessibleDescriptionRole:
        //: Read by screen readers after a search hit's date group, as "Yesterday, archived"
        return result.hit.isArchived ? tr("%1, archived").arg(result.group) : result.group;
    default:
        return {};
    }
}

void SidebarSearchModel::setResults(const QList<Result> &results)
{
    beginResetModel();
    m_results = results;
    endResetModel();
}

SidebarSearchDelegate::SidebarSearchDelegate(QObject *parent)
    : QAbstractItemDelegate(parent)
{ }

void SidebarSearchDelegate::setCurrentRow(int row, bool focused)
{
    m_currentRow = row;
    m_focused = focused;
}

int SidebarSearchDelegate::rowHeight()
{
    return topPadding + titleHeight + snippetGap + snippetLines * snippetLineHeight()
        + bottomPadding;
}

QSize SidebarSearchDelegate::sizeHint(const QStyleOptionViewItem &option,
                                      const QModelIndex &index) const
{
    Q_UNUSED(index)
    return QSize(option.rect.width(), rowHeight());
}

void SidebarSearchDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                                  const QModelIndex &index) const
{
    const auto *model = qobject_cast<const SidebarSearchModel *>(index.model());
    if (!model)
        return;
    const SidebarSearchModel::Result &result = model->result(index.row());
    const ChatSearchHit &hit = result.hit;
    const QPalette &palette = option.palette;
    const bool dark = AppColors::isDark(palette);
    const bool selected = m_selectedId == hit.chatId;
    const bool current = index.row() == m_currentRow;
    const bool hovered = option.state & QStyle::State_MouseOver;
    const QRectF pill = QRectF(option.rect).adjusted(sideInset, 1, -sideInset, -1);

    painter->save();
    painter->setRenderHint(QPainter::Antialiasing);
    painter->setClipRect(option.rect);
    if (selected) {
        GlassSurface::paint(*painter, pill, cornerRadius, dark);
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(AppColors::named(NamedColor::AskAccent, dark), 0.5));
        painter->drawRoundedRect(pill, cornerRadius, cornerRadius);
    } else if (hovered || (current && m_focused)) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(AppColors::named(NamedColor::AskBgHover, dark));
        painter->drawRoundedRect(pill, cornerRadius, cornerRadius);
    }
    if (current && m_focused) {
        painter->setPen(QPen(AppColors::named(NamedColor::AskAccent, dark), 1.5));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(pill.adjusted(0.75, 0.75, -0.75, -0.75), cornerRadius,
                                 cornerRadius);
    }

    const QColor primary = AppColors::primaryText(palette);
    const QColor secondary = AppColors::secondaryText(palette);
    const QRectF text = pill.adjusted(textInset, topPadding - 1, -textInset, -bottomPadding);
    const QRectF titleLine(text.left(), text.top(), text.width(), titleHeight);

    // The date group takes the right end of the first line, the title what is left.
    const QFont captionFont = TypeStyles::font(TypeStyle::Caption);
    const QFontMetricsF caption(captionFont);
    const qreal groupWidth = caption.horizontalAdvance(result.group);
    painter->setFont(captionFont);
    painter->setPen(withAlpha(secondary, 0.85));
    painter->drawText(
        QRectF(titleLine.right() - groupWidth, titleLine.top(), groupWidth, titleHeight),
        Qt::AlignRight | Qt::AlignVCenter, result.group);

    painter->setFont(TypeStyles::font(TypeStyle::Label));
    painter->setPen(primary);
    const QRectF titleRect(titleLine.left(), titleLine.top(),
                           std::max<qreal>(0, titleLine.width() - groupWidth - metaGap),
                           titleHeight);
    painter->drawText(
        titleRect, Qt::AlignLeft | Qt::AlignVCenter,
        painter->fontMetrics().elidedText(hit.title, Qt::ElideRight, int(titleRect.width())));

    // An archived chat's snippet begins with the "Archived" tag.
    const QPointF snippetAt(text.left(), titleLine.bottom() + snippetGap);
    qreal indent = 0;
    if (hit.isArchived) {
        const QFont tagFont = TypeStyles::font(TypeStyle::Overline);
        const QString tag = tr("Archived");
        const qreal lineHeight = snippetLineHeight();
        const QRectF tagRect(snippetAt.x(), snippetAt.y() + 1,
                             QFontMetricsF(tagFont).horizontalAdvance(tag) + 2 * tagPadding,
                             lineHeight - 1);
        painter->setPen(QPen(withAlpha(secondary, 0.6), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(tagRect.adjusted(0.5, 0.5, -0.5, -0.5), 4, 4);
        painter->setFont(tagFont);
        painter->setPen(secondary);
        painter->drawText(tagRect, Qt::AlignCenter, tag);
        indent = tagRect.width() + metaGap;
    }
    drawMarkedText(painter, leadingWithMatch(hit), snippetAt, text.width(), indent, snippetLines,
                   secondary, primary,
                   withAlpha(AppColors::named(NamedColor::AskAccent, dark), 0.3));
    painter->restore();
}

SidebarSearchList::SidebarSearchList(QWidget *parent)
    : QListView(parent)
    , m_model(new SidebarSearchModel(this))
    , m_delegate(new SidebarSearchDelegate(this))
{
    setModel(m_model);
    setItemDelegate(m_delegate);
    setAccessibleName(tr("Search results"));
    setFrameShape(QFrame::NoFrame);
    setSelectionMode(QAbstractItemView::NoSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUniformItemSizes(true);
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
    viewport()->setAttribute(Qt::WA_Hover);
    setAutoFillBackground(false);
    viewport()->setAutoFillBackground(false);
    setContentsMargins(0, 0, 0, 0);
    setSpacing(0);
    verticalScrollBar()->setSingleStep(16);
}

void SidebarSearchList::setResults(const QList<SidebarSearchModel::Result> &results,
                                   bool keepCurrent)
{
    // The same search again (the chats changed) keeps the row the keys were on; a new one
    // starts at the best match, for Return right after typing.
    const QModelIndex previous = currentIndex();
    const QUuid currentChat
        = keepCurrent && previous.isValid() ? m_model->result(previous.row()).hit.chatId : QUuid();
    m_model->setResults(results);
    int row = 0;
    for (int at = 0; at < results.size(); ++at) {
        if (!currentChat.isNull() && results.at(at).hit.chatId == currentChat)
            row = at;
    }
    if (!results.isEmpty())
        setCurrentIndex(m_model->index(row));
    syncCurrent();
}

void SidebarSearchList::moveCurrent(int step)
{
    const int rows = m_model->rowCount();
    if (rows == 0)
        return;
    const int row = std::clamp(currentRow() + step, 0, rows - 1);
    setCurrentIndex(m_model->index(row));
    scrollTo(currentIndex());
}

void SidebarSearchList::openCurrent()
{
    const QModelIndex index = currentIndex();
    if (index.isValid())
        Q_EMIT resultOpened(m_model->result(index.row()).hit);
}

void SidebarSearchList::setFieldFocused(bool focused)
{
    m_fieldFocused = focused;
    syncCurrent();
}

void SidebarSearchList::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Space:
        event->accept();
        openCurrent();
        return;
    case Qt::Key_Escape:
        event->accept();
        Q_EMIT closeRequested();
        return;
    default:
        QListView::keyPressEvent(event);
    }
}

void SidebarSearchList::mousePressEvent(QMouseEvent *event)
{
    // The item view's own press handling would start drags and selections.
    event->accept();
    if (event->button() != Qt::LeftButton)
        return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid())
        return;
    setCurrentIndex(index);
    openCurrent();
}

void SidebarSearchList::mouseReleaseEvent(QMouseEvent *event)
{
    event->accept();
}

void SidebarSearchList::mouseDoubleClickEvent(QMouseEvent *event)
{
    event->accept();
}

void SidebarSearchList::focusInEvent(QFocusEvent *event)
{
    QListView::focusInEvent(event);
    syncCurrent();
}

void SidebarSearchList::focusOutEvent(QFocusEvent *event)
{
    QListView::focusOutEvent(event);
    syncCurrent();
}

void SidebarSearchList::currentChanged(const QModelIndex &current, const QModelIndex &previous)
{
    QListView::currentChanged(current, previous);
    syncCurrent();
    // The list tells assistive technology itself only while it has the keyboard; moved from
    // the field, the result reached is announced the same way.
    if (QAccessible::isActive() && current.isValid() && m_fieldFocused && !hasFocus()) {
        QAccessibleEvent event(this, QAccessible::Focus);
        event.setChild(current.row());
        QAccessible::updateAccessibility(&event);
    }
}

void SidebarSearchList::syncCurrent()
{
    m_delegate->setCurrentRow(currentRow(), hasFocus() || m_fieldFocused);
    viewport()->update();
}
