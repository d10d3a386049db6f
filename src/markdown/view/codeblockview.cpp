#include "markdown/view/codeblockview.h"

#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolButton>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

enum class Symbol { DocOnDoc, Checkmark };

constexpr int iconSize = 10;
constexpr int codePadding = 12;
// Outside the panel: 4 above, 4 below and a further 8.
constexpr int spaceAbove = 4;
constexpr int spaceBelow = 12;
// Keeps the code's scroll bar inside the panel's outline.
constexpr int inset = 1;

// The two symbols of the copy button ("doc.on.doc", "checkmark"), drawn as strokes in the
// given colour so they follow the theme and stay crisp at any scale.
QIcon symbolIcon(Symbol symbol, const QColor &color, qreal devicePixelRatio)
{
    QPixmap pixmap(QSize(iconSize, iconSize) * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(Qt::transparent);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::Antialiasing);
    QPen pen(color, 1.1);
    pen.setCapStyle(Qt::RoundCap);
    pen.setJoinStyle(Qt::RoundJoin);
    painter.setPen(pen);
    if (symbol == Symbol::DocOnDoc) {
        const QRectF front(3.4, 0.6, 6.0, 6.6);
        const QRectF back(0.6, 2.8, 6.0, 6.6);
        painter.drawRoundedRect(front, 1.4, 1.4);
        // The sheet behind shows only where the front one does not cover it.
        QPainterPath visible;
        visible.addRect(QRectF(0, 0, iconSize, iconSize));
        QPainterPath cover;
        cover.addRoundedRect(front.adjusted(-1, -1, 1, 1), 2, 2);
        painter.setClipPath(visible.subtracted(cover));
        painter.drawRoundedRect(back, 1.4, 1.4);
    } else {
        painter.drawPolyline(QPolygonF({{1.2, 5.4}, {3.9, 8.1}, {8.8, 1.9}}));
    }
    painter.end();
    return QIcon(pixmap);
}

} // namespace

CodeBlockView::CodeBlockView(QWidget *parent)
    : QWidget(parent)
    , m_languageLabel(new QLabel(this))
    , m_copyButton(new QToolButton(this))
    , m_scrollArea(new QScrollArea(this))
    , m_codeLabel(new QLabel)
{
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(inset, spaceAbove, inset, spaceBelow + inset);
    outer->setSpacing(0);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(codePadding - inset, 8, 8 - inset, 0);
    header->addWidget(m_languageLabel);
    header->addStretch(1);
    header->addWidget(m_copyButton);
    outer->addLayout(header);

    m_languageLabel->setTextFormat(Qt::PlainText);

    m_copyButton->setAutoRaise(true);
    m_copyButton->setCursor(Qt::PointingHandCursor);
    m_copyButton->setFocusPolicy(Qt::TabFocus);
    m_copyButton->setIconSize(QSize(iconSize, iconSize));
    m_copyButton->setToolTip(tr("Copy code"));
    // Only a symbol until it is pressed: a screen reader reads this name.
    m_copyButton->setAccessibleName(tr("Copy code"));
    connect(m_copyButton, &QToolButton::clicked, this, [this] { Q_EMIT copyRequested(m_code); });

    m_codeLabel->setTextFormat(Qt::PlainText);
    m_codeLabel->setWordWrap(false);
    m_codeLabel->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard);
    m_codeLabel->setContentsMargins(codePadding, codePadding, codePadding, codePadding);
    m_codeLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    m_codeLabel->setFont(TypeStyles::monospace(12));
    m_codeLabel->setAutoFillBackground(false);

    m_scrollArea->setFrameShape(QFrame::NoFrame);
    // Not a stop of its own: the code's text and the Copy button are what the keyboard wants.
    m_scrollArea->setFocusPolicy(Qt::NoFocus);
    m_scrollArea->setWidgetResizable(true);
    m_scrollArea->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_scrollArea->setHorizontalScrollBarPolicy(Qt::ScrollBarAsNeeded);
    m_scrollArea->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    m_scrollArea->viewport()->setAutoFillBackground(false);
    m_scrollArea->setAutoFillBackground(false);
    m_scrollArea->setWidget(m_codeLabel);
    outer->addWidget(m_scrollArea);

    updateColors();
    updateCopyButton();
}

QString CodeBlockView::labelForLanguage(const QString &language)
{
    return language.isEmpty() ? u"code"_s : language.toLower();
}

void CodeBlockView::setCode(const QString &code, const QString &language)
{
    m_languageLabel->setText(labelForLanguage(language));
    if (code == m_code)
        return;
    m_code = code;
    m_codeLabel->setText(code);
    updateCodeHeight();
}

QString CodeBlockView::languageLabel() const
{
    return m_languageLabel->text();
}

void CodeBlockView::setCodeFont(const QFont &font)
{
    QFont codeFont = font;
    codeFont.setPixelSize(12);
    m_codeLabel->setFont(codeFont);
    updateCodeHeight();
}

void CodeBlockView::setCopied(bool copied)
{
    if (copied == m_copied)
        return;
    m_copied = copied;
    updateCopyButton();
}

void CodeBlockView::updateCopyButton()
{
    const QColor color = m_copied ? AppColors::named(NamedColor::AskAccent, this)
                                  : AppColors::secondaryText(palette());
    QPalette buttonPalette = m_copyButton->palette();
    buttonPalette.setColor(QPalette::ButtonText, color);
    buttonPalette.setColor(QPalette::WindowText, color);
    m_copyButton->setPalette(buttonPalette);
    m_copyButton->setIcon(
        symbolIcon(m_copied ? Symbol::Checkmark : Symbol::DocOnDoc, color, devicePixelRatioF()));
    m_copyButton->setText(m_copied ? tr("Copied!") : QString());
    m_copyButton->setToolButtonStyle(m_copied ? Qt::ToolButtonTextBesideIcon
                                              : Qt::ToolButtonIconOnly);
}

void CodeBlockView::updateColors()
{
    QPalette labelPalette = m_languageLabel->palette();
    labelPalette.setColor(QPalette::WindowText, AppColors::secondaryText(palette()));
    m_languageLabel->setPalette(labelPalette);
    QPalette codePalette = m_codeLabel->palette();
    codePalette.setColor(QPalette::WindowText, AppColors::primaryText(palette()));
    m_codeLabel->setPalette(codePalette);
}

void CodeBlockView::updateCodeHeight()
{
    const QSize code = m_codeLabel->sizeHint();
    const bool scrolls = code.width() > m_scrollArea->width();
    const int bar = scrolls ? m_scrollArea->horizontalScrollBar()->sizeHint().height() : 0;
    m_scrollArea->setFixedHeight(code.height() + bar);
}

void CodeBlockView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRectF panel = QRectF(rect().marginsRemoved({0, spaceAbove, 0, spaceBelow}))
                             .adjusted(0.25, 0.25, -0.25, -0.25);
    QColor stroke = AppColors::primaryText(palette());
    stroke.setAlphaF(0.22f);
    painter.setPen(QPen(stroke, 0.5));
    painter.setBrush(Qt::NoBrush);
    painter.drawRoundedRect(panel, 10, 10);
}

void CodeBlockView::resizeEvent(QResizeEvent *event)
{
    QWidget::resizeEvent(event);
    updateCodeHeight();
}

void CodeBlockView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange) {
        updateColors();
        updateCopyButton();
    }
}
