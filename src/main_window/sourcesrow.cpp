#include "main_window/sourcesrow.h"

#include "main_window/faviconloader.h"
#include "main_window/sourcecard.h"
#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int linkSymbolSize = 10;
constexpr int headerGap = 5;

QFont headerFont()
{
    return TypeStyles::font(TypeStyle::Caption);
}

QFont countFont()
{
    return TypeStyles::font(TypeStyle::Overline);
}

} // namespace

SourcesRow::SourcesRow(const QList<SearchResult> &sources, QWidget *parent)
    : SourcesRow(sources, FaviconLoader::shared(), parent)
{ }

SourcesRow::SourcesRow(const QList<SearchResult> &sources, FaviconLoader *favicons, QWidget *parent)
    : QWidget(parent)
    , m_sources(sources)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);

    m_cards.reserve(sources.size());
    for (qsizetype i = 0; i < sources.size(); ++i)
        m_cards.append(new SourceCard(int(i) + 1, sources.at(i), favicons, this));
}

int SourcesRow::columnCount(int width)
{
    return qMax(1, (width + spacing) / (minimumColumnWidth + spacing));
}

int SourcesRow::headerHeight() const
{
    return qMax(QFontMetrics(headerFont()).height(), linkSymbolSize);
}

int SourcesRow::cardHeight() const
{
    return m_cards.isEmpty() ? 0 : m_cards.first()->sizeHint().height();
}

int SourcesRow::heightForWidth(int width) const
{
    if (m_cards.isEmpty())
        return 0;
    const int columns = columnCount(width);
    const int rows = int((m_cards.size() + columns - 1) / columns);
    return headerHeight() + spacing + rows * cardHeight() + (rows - 1) * spacing;
}

QSize SourcesRow::sizeHint() const
{
    const int width = 2 * minimumColumnWidth + spacing;
    return {width, heightForWidth(width)};
}

QSize SourcesRow::minimumSizeHint() const
{
    // Narrower than one column still shows one, squeezed, rather than overflowing.
    const int width = m_cards.isEmpty() ? 0 : m_cards.first()->minimumSizeHint().width();
    return {width, heightForWidth(width)};
}

void SourcesRow::layoutCards()
{
    if (m_cards.isEmpty())
        return;
    const int columns = columnCount(width());
    const qreal columnWidth = qreal(width() - (columns - 1) * spacing) / columns;
    const int top = headerHeight() + spacing;
    const int rowHeight = cardHeight();
    for (qsizetype i = 0; i < m_cards.size(); ++i) {
        const int row = int(i / columns);
        const int column = int(i % columns);
        // Rounded edges rather than a rounded width, so the gaps stay even and the last
        // column ends flush with the row.
        const int left = qRound(column * (columnWidth + spacing));
        const int right = qRound(column * (columnWidth + spacing) + columnWidth);
        m_cards.at(i)->setGeometry(left, top + row * (rowHeight + spacing), right - left,
                                   rowHeight);
    }
}

void SourcesRow::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    layoutCards();
}

void SourcesRow::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) {
        updateGeometry();
        layoutCards();
    }
}

void SourcesRow::paintEvent(QPaintEvent *)
{
    if (m_cards.isEmpty())
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QColor secondary = AppColors::secondaryText(palette());
    const int height = headerHeight();
    int x = 2;

    const QPixmap link = Symbols::pixmap(u"link", linkSymbolSize, secondary, devicePixelRatioF(),
                                         Symbols::Weight::Semibold);
    painter.drawPixmap(QPointF(x, (height - linkSymbolSize) / 2.0), link);
    x += linkSymbolSize + headerGap;

    const QString title = tr("Sources");
    painter.setFont(headerFont());
    painter.setPen(secondary);
    const int titleWidth = QFontMetrics(headerFont()).horizontalAdvance(title);
    painter.drawText(QRect(x, 0, titleWidth, height), Qt::AlignLeft | Qt::AlignVCenter, title);
    x += titleWidth + headerGap + 1;

    // The count sits on a small capsule, quieter than the word.
    const QString count = QString::number(m_cards.size());
    const QFontMetrics countMetrics(countFont());
    const QRectF capsule(x, (height - countMetrics.height()) / 2.0,
                         countMetrics.horizontalAdvance(count) + 10, countMetrics.height());
    QColor fill = AppColors::surface3(AppColors::isDark(this));
    fill.setAlphaF(0.6f);
    painter.setPen(Qt::NoPen);
    painter.setBrush(fill);
    painter.drawRoundedRect(capsule, capsule.height() / 2, capsule.height() / 2);
    painter.setFont(countFont());
    painter.setPen(secondary);
    painter.drawText(capsule, Qt::AlignCenter, count);
}
