#include "main_window/sidebarrowdelegate.h"

#include "main_window/sidebarmodel.h"
#include "main_window/sidebarrenamefield.h"
#include "widgets/appcolors.h"
#include "widgets/glasssurface.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QApplication>
#include <QFontDatabase>
#include <QPainter>
#include <QPainterPath>
#include <QWidget>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

// Geometry in logical pixels.
constexpr int sideInset = 8;
constexpr int groupGap = 16;
constexpr int headerTextHeight = 20;
constexpr int headerBelowRule = 6;
constexpr int rowHeight = 32;
constexpr int rowCornerRadius = 8;
constexpr int titleInset = 10;
constexpr int ellipsisSize = 22;
constexpr int ellipsisInset = 4;
constexpr int ellipsisSymbolSize = 14;
constexpr qreal selectedAccentAlpha = 0.5;

int headerHeight(bool firstGroup)
{
    return (firstGroup ? 0 : groupGap) + headerTextHeight + 1 + headerBelowRule;
}

int fullHeight(SidebarRow::Kind kind, bool firstGroup)
{
    switch (kind) {
    case SidebarRow::Kind::Header:
        return headerHeight(firstGroup);
    case SidebarRow::Kind::Session:
        break;
    }
    return rowHeight;
}

QFont headerFont()
{
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPixelSize(10);
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::AbsoluteSpacing, 0.7);
    return font;
}

QColor withAlpha(QColor color, qreal alpha)
{
    color.setAlphaF(std::min(1.0f, float(color.alphaF() * alpha)));
    return color;
}

qreal clamped(qreal value)
{
    return std::clamp(value, 0.0, 1.0);
}

} // namespace

SidebarRowDelegate::SidebarRowDelegate(QObject *parent)
    : QAbstractItemDelegate(parent)
{ }

void SidebarRowDelegate::setHover(std::optional<QUuid> id, qreal progress, bool onButton)
{
    m_hoveredId = id;
    m_hoverProgress = progress;
    m_hoverOnButton = onButton;
}

QRect SidebarRowDelegate::pillRect(const QRect &rowRect)
{
    return QRect(rowRect.x() + sideInset, rowRect.y() + 1, rowRect.width() - 2 * sideInset,
                 rowRect.height() - 2);
}

QRect SidebarRowDelegate::ellipsisRect(const QRect &rowRect)
{
    const QRect pill = pillRect(rowRect);
    return QRect(pill.right() - ellipsisInset - ellipsisSize + 1,
                 pill.center().y() - ellipsisSize / 2 + 1, ellipsisSize, ellipsisSize);
}

int SidebarRowDelegate::sessionRowHeight()
{
    return rowHeight;
}

QSize SidebarRowDelegate::sizeHint(const QStyleOptionViewItem &option,
                                   const QModelIndex &index) const
{
    const auto kind = SidebarRow::Kind(index.data(SidebarModel::KindRole).toInt());
    const int full = fullHeight(kind, index.data(SidebarModel::FirstGroupRole).toBool());
    const qreal presence = clamped(index.data(SidebarModel::PresenceRole).toReal());
    return QSize(option.rect.width(), qRound(full * presence));
}

void SidebarRowDelegate::paint(QPainter *painter, const QStyleOptionViewItem &option,
                               const QModelIndex &index) const
{
    const auto kind = SidebarRow::Kind(index.data(SidebarModel::KindRole).toInt());
    if (kind != SidebarRow::Kind::Header && kind != SidebarRow::Kind::Session)
        return;
    const bool firstGroup = index.data(SidebarModel::FirstGroupRole).toBool();
    const qreal presence = index.data(SidebarModel::PresenceRole).toReal();
    const bool leaving = index.data(SidebarModel::LeavingRole).toBool();
    const int full = fullHeight(kind, firstGroup);

    painter->save();
    painter->setClipRect(option.rect);
    painter->setOpacity(painter->opacity() * clamped(presence));
    QRectF content(option.rect.x(), option.rect.y(), option.rect.width(), full);
    if (leaving) {
        // Leaving rows shrink a little about their centre while they fade.
        const qreal scale = 0.95 + 0.05 * clamped(presence);
        content.moveCenter(QRectF(option.rect).center());
        painter->translate(content.center());
        painter->scale(scale, scale);
        painter->translate(-content.center());
    } else {
        // Entering rows come down from the top edge as their room opens up.
        content.moveBottom(option.rect.y() + option.rect.height());
    }

    if (kind == SidebarRow::Kind::Header)
        paintHeader(painter, content, index.data(Qt::DisplayRole).toString(), option.palette,
                    firstGroup);
    else
        paintSession(painter, content, index, option);
    painter->restore();
}

void SidebarRowDelegate::paintHeader(QPainter *painter, const QRectF &rect, const QString &label,
                                     const QPalette &palette, bool firstGroup) const
{
    const bool dark = AppColors::isDark(palette);
    const qreal top = rect.y() + (firstGroup ? 0 : groupGap);
    const QRectF text(rect.x() + sideInset + titleInset, top,
                      rect.width() - 2 * (sideInset + titleInset), headerTextHeight);
    painter->setFont(headerFont());
    painter->setPen(withAlpha(AppColors::secondaryText(palette), 0.85));
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(label, Qt::ElideRight, int(text.width())));
    painter->fillRect(
        QRectF(rect.x() + sideInset, top + headerTextHeight, rect.width() - 2 * sideInset, 1),
        AppColors::named(NamedColor::AskRuleSubtle, dark));
}

void SidebarRowDelegate::paintSession(QPainter *painter, const QRectF &rect,
                                      const QModelIndex &index,
                                      const QStyleOptionViewItem &option) const
{
    const QPalette &palette = option.palette;
    const bool dark = AppColors::isDark(palette);
    const QUuid id = index.data(SidebarModel::SessionIdRole).toUuid();
    const bool leaving = index.data(SidebarModel::LeavingRole).toBool();
    const bool selected = m_selectedId == id;
    const bool renaming = m_renamingId == id && !leaving;
    const qreal hover = (m_hoveredId == id && !renaming && !leaving) ? clamped(m_hoverProgress) : 0;
    const QRectF pill = pillRect(rect.toRect());

    painter->setRenderHint(QPainter::Antialiasing);
    if (selected) {
        GlassSurface::paint(*painter, pill, rowCornerRadius, dark);
        painter->setPen(Qt::NoPen);
        painter->setBrush(
            withAlpha(AppColors::named(NamedColor::AskAccent, dark), selectedAccentAlpha));
        painter->drawRoundedRect(pill, rowCornerRadius, rowCornerRadius);
    } else if (hover > 0) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(AppColors::named(NamedColor::AskBgHover, dark), hover));
        painter->drawRoundedRect(pill, rowCornerRadius, rowCornerRadius);
    }
    // The row the keyboard is on, while the list has the focus.
    if ((option.state & QStyle::State_HasFocus) && !renaming && !leaving) {
        painter->setPen(QPen(AppColors::named(NamedColor::AskAccent, dark), 2));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(pill.adjusted(1, 1, -1, -1), rowCornerRadius - 1,
                                 rowCornerRadius - 1);
    }
    if (renaming) {
        // The field has no frame of its own; a quiet ring says the row is being edited.
        painter->setPen(QPen(withAlpha(AppColors::named(NamedColor::AskAccent, dark), 0.7), 1));
        painter->setBrush(Qt::NoBrush);
        painter->drawRoundedRect(pill.adjusted(0.5, 0.5, -0.5, -0.5), rowCornerRadius,
                                 rowCornerRadius);
        return;
    }

    const QColor textColor
        = selected ? AppColors::primaryText(palette) : AppColors::secondaryText(palette);
    QRectF text = pill.adjusted(titleInset, 0, -titleInset, 0);
    if (hover > 0)
        text.setRight(ellipsisRect(rect.toRect()).left() - 4);
    painter->setFont(TypeStyles::font(TypeStyle::Label));
    painter->setPen(textColor);
    const QString title = index.data(Qt::DisplayRole).toString();
    painter->drawText(text, Qt::AlignLeft | Qt::AlignVCenter,
                      painter->fontMetrics().elidedText(title, Qt::ElideRight, int(text.width())));

    if (hover <= 0)
        return;
    // The ellipsis button fades in and grows from 0.8 of its size.
    const QRectF button = ellipsisRect(rect.toRect());
    const qreal scale = 0.8 + 0.2 * hover;
    painter->save();
    painter->setOpacity(painter->opacity() * hover);
    painter->translate(button.center());
    painter->scale(scale, scale);
    painter->translate(-button.center());
    if (m_hoverOnButton) {
        painter->setPen(Qt::NoPen);
        painter->setBrush(withAlpha(AppColors::named(NamedColor::AskBgHover, dark), 2.0));
        painter->drawEllipse(button);
    }
    const qreal dpr = option.widget ? option.widget->devicePixelRatioF() : qApp->devicePixelRatio();
    const QPixmap symbol = Symbols::pixmap(u"ellipsis", ellipsisSymbolSize, textColor, dpr,
                                           Symbols::Weight::Semibold);
    const QPointF at = button.center() - QPointF(ellipsisSymbolSize, ellipsisSymbolSize) / 2;
    painter->drawPixmap(at, symbol);
    painter->restore();
}

QWidget *SidebarRowDelegate::createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                                          const QModelIndex &index) const
{
    Q_UNUSED(option)
    Q_UNUSED(index)
    return new SidebarRenameField(parent);
}

void SidebarRowDelegate::setEditorData(QWidget *editor, const QModelIndex &index) const
{
    Q_UNUSED(editor)
    Q_UNUSED(index)
}

void SidebarRowDelegate::setModelData(QWidget *editor, QAbstractItemModel *model,
                                      const QModelIndex &index) const
{
    // Renaming goes through the controller when the field is submitted, not through the model.
    Q_UNUSED(editor)
    Q_UNUSED(model)
    Q_UNUSED(index)
}

void SidebarRowDelegate::updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                                              const QModelIndex &index) const
{
    Q_UNUSED(index)
    // The field's text sits where the title was (a frameless line edit indents by 2).
    const QRect pill = pillRect(option.rect);
    editor->setGeometry(pill.adjusted(titleInset - 2, 3, -titleInset + 2, -3));
}
