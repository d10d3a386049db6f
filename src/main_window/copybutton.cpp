#include "main_window/copybutton.h"

#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/keyboardbutton.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEnterEvent>
#include <QFontMetrics>
#include <QPainter>
#include <QTimer>
#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 11;
constexpr int symbolGap = 4;
constexpr int horizontalPadding = 6;
constexpr int verticalPadding = 4;

QFont labelFont()
{
    return TypeStyles::face(u"Inter18pt-Medium", 11);
}

} // namespace

CopyButton::CopyButton(QWidget *parent)
    : QAbstractButton(parent)
{
    setFocusPolicy(Qt::TabFocus);
    setCursor(Qt::PointingHandCursor);
    setFont(labelFont());
    setText(tr("Copy"));
    setToolTip(tr("Copy"));
    KeyboardButton::install(this);
    setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Fixed);
}

void CopyButton::showCopied()
{
    setCopied(true);
    QTimer::singleShot(copiedDurationMs, this, [this] { setCopied(false); });
}

void CopyButton::setCopied(bool copied)
{
    if (copied == m_copied)
        return;
    m_copied = copied;
    setText(copied ? tr("Copied") : tr("Copy"));
    setToolTip(copied ? tr("Copied!") : tr("Copy"));
    Animations::animate(this, "copiedProgress", copied ? 1.0 : 0.0, Animations::hoverSpring());
    Q_EMIT copiedChanged(copied);
}

void CopyButton::setRevealed(bool revealed)
{
    if (revealed == m_revealed)
        return;
    m_revealed = revealed;
    // Kept in the layout when concealed, but the pointer passes it by.
    setAttribute(Qt::WA_TransparentForMouseEvents, !revealed);
    Animations::animate(this, "revealProgress", revealed ? 1.0 : 0.0, Animations::quickEase());
}

void CopyButton::setCopiedProgress(qreal progress)
{
    m_copiedProgress = progress;
    update();
}

void CopyButton::setRevealProgress(qreal progress)
{
    m_revealProgress = progress;
    update();
}

QSize CopyButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    const int textWidth
        = std::max(metrics.horizontalAdvance(tr("Copy")), metrics.horizontalAdvance(tr("Copied")));
    return {horizontalPadding * 2 + symbolSize + symbolGap + textWidth,
            verticalPadding * 2 + std::max(symbolSize, metrics.height())};
}

void CopyButton::paintEvent(QPaintEvent *)
{
    const qreal shown = hasFocus() ? 1.0 : m_revealProgress;
    if (shown <= 0)
        return;
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setOpacity(shown);
    if (m_hovered || isDown()) {
        QColor fill = AppColors::primaryText(palette());
        fill.setAlphaF(isDown() ? 0.10f : 0.06f);
        painter.setPen(Qt::NoPen);
        painter.setBrush(fill);
        painter.drawRoundedRect(QRectF(rect()), 6, 6);
    }
    if (hasFocus())
        KeyboardButton::paintFocusRing(painter, QRectF(rect()), 6, this);
    // The two labels cross-fade, so the spring's overshoot never shows as a jump.
    const qreal progress = std::clamp(m_copiedProgress, 0.0, 1.0);
    if (progress < 1)
        paintLabel(painter, u"doc.on.doc"_s, tr("Copy"), shown * (1 - progress));
    if (progress > 0)
        paintLabel(painter, u"checkmark"_s, tr("Copied"), shown * progress);
}

void CopyButton::paintLabel(QPainter &painter, const QString &symbol, const QString &text,
                            qreal opacity)
{
    painter.setOpacity(opacity);
    const QColor color
        = m_hovered ? AppColors::primaryText(palette()) : AppColors::secondaryText(palette());
    const QRect content = rect().adjusted(horizontalPadding, 0, -horizontalPadding, 0);
    const QPixmap icon
        = Symbols::pixmap(symbol, symbolSize, color, devicePixelRatioF(), Symbols::Weight::Medium);
    painter.drawPixmap(content.left(), (height() - symbolSize) / 2, icon);
    painter.setPen(color);
    painter.setFont(font());
    painter.drawText(content.adjusted(symbolSize + symbolGap, 0, 0, 0),
                     Qt::AlignLeft | Qt::AlignVCenter, text);
}

void CopyButton::enterEvent(QEnterEvent *event)
{
    m_hovered = true;
    update();
    QAbstractButton::enterEvent(event);
}

void CopyButton::leaveEvent(QEvent *event)
{
    m_hovered = false;
    update();
    QAbstractButton::leaveEvent(event);
}
