#include "markdown/view/katexwebviewcoordinator.h"

#include <QWidget>

#include <cmath>

namespace {

std::optional<qreal> numberIn(const QVariant &value)
{
    switch (value.metaType().id()) {
    case QMetaType::Double:
    case QMetaType::Float:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
    case QMetaType::Short:
    case QMetaType::UShort: {
        const qreal number = value.toDouble();
        if (std::isfinite(number))
            return number;
        return std::nullopt;
    }
    default:
        return std::nullopt;
    }
}

bool differs(qreal a, qreal b)
{
    return std::abs(a - b) > 0.5;
}

} // namespace

KaTeXWebViewCoordinator::KaTeXWebViewCoordinator(qreal initialHeight, QObject *parent)
    : QObject(parent)
    , m_height(initialHeight)
{ }

bool KaTeXWebViewCoordinator::shouldLoad(const QString &html)
{
    if (html == m_currentHTML)
        return false;
    m_currentHTML = html;
    return true;
}

void KaTeXWebViewCoordinator::report(const QVariant &height)
{
    const std::optional<qreal> number = numberIn(height);
    if (!number)
        return;
    // A widget cannot be taller than this; a page claiming more is clamped rather than
    // allowed to break the layout.
    const qreal rounded = std::clamp(std::ceil(*number), qreal(1), qreal(QWIDGETSIZE_MAX / 2));
    if (!differs(rounded, m_height)) {
        m_pendingHeight.reset();
        return;
    }
    m_pendingHeight = rounded;
    if (m_hasScheduledHeightUpdate)
        return;
    m_hasScheduledHeightUpdate = true;
    QMetaObject::invokeMethod(this, &KaTeXWebViewCoordinator::applyPendingHeight,
                              Qt::QueuedConnection);
}

void KaTeXWebViewCoordinator::applyPendingHeight()
{
    m_hasScheduledHeightUpdate = false;
    if (!m_pendingHeight)
        return;
    const qreal height = *m_pendingHeight;
    m_pendingHeight.reset();
    if (!differs(height, m_height))
        return;
    m_height = height;
    Q_EMIT heightChanged(height);
}
