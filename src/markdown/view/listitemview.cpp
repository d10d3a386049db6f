#include "markdown/view/listitemview.h"

#include "widgets/appcolors.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>

namespace {

constexpr int indentStep = 20;
constexpr int spaceBelow = 3;

} // namespace

ListItemView::ListItemView(QWidget *parent)
    : QWidget(parent)
    , m_layout(new QHBoxLayout(this))
    , m_marker(new QLabel(this))
{
    m_layout->setContentsMargins(0, 0, 0, spaceBelow);
    m_layout->setSpacing(8);
    m_marker->setTextFormat(Qt::PlainText);
    m_marker->setMinimumWidth(16);
    m_marker->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_marker->setSizePolicy(QSizePolicy::Minimum, QSizePolicy::Preferred);
    m_layout->addWidget(m_marker, 0, Qt::AlignTop);
    updateColors();
}

void ListItemView::setIndent(int indent)
{
    m_indent = std::max(0, indent);
    m_layout->setContentsMargins(m_indent * indentStep, 0, 0, spaceBelow);
}

void ListItemView::setMarker(const QString &marker)
{
    m_marker->setText(marker);
}

QString ListItemView::marker() const
{
    return m_marker->text();
}

void ListItemView::setContent(QWidget *content)
{
    if (content == m_content)
        return;
    delete m_content;
    m_content = content;
    if (m_content)
        m_layout->addWidget(m_content, 1, Qt::AlignTop);
}

void ListItemView::setMarkerFont(const QFont &font)
{
    m_marker->setFont(font);
}

void ListItemView::updateColors()
{
    QPalette markerPalette = m_marker->palette();
    markerPalette.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_marker->setPalette(markerPalette);
}

void ListItemView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateColors();
}
