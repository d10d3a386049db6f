#include "main_window/sidebarsearchfield.h"

#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QAction>
#include <QKeyEvent>
#include <QPainter>

using namespace Qt::StringLiterals;

namespace {

constexpr int fieldHeight = 28;
constexpr qreal cornerRadius = 8;

bool isSteeringKey(const QKeyEvent *event)
{
    if (event->modifiers() & ~(Qt::KeypadModifier | Qt::ShiftModifier))
        return false;
    switch (event->key()) {
    case Qt::Key_Up:
    case Qt::Key_Down:
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

SidebarSearchField::SidebarSearchField(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setPlaceholderText(u"Search chats"_s);
    setAccessibleName(u"Search chats"_s);
    setFont(TypeStyles::font(TypeStyle::Label));
    setClearButtonEnabled(true);
    setAttribute(Qt::WA_MacShowFocusRect, false);
    setTextMargins(2, 0, 2, 0);
    applyColors();
}

QSize SidebarSearchField::sizeHint() const
{
    return QSize(QLineEdit::sizeHint().width(), fieldHeight);
}

bool SidebarSearchField::event(QEvent *event)
{
    // Escape and Return belong to the field even where a window shortcut uses them.
    if (event->type() == QEvent::ShortcutOverride
        && isSteeringKey(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void SidebarSearchField::keyPressEvent(QKeyEvent *event)
{
    if (!isSteeringKey(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    switch (event->key()) {
    case Qt::Key_Up:
        Q_EMIT moveRequested(-1);
        break;
    case Qt::Key_Down:
        Q_EMIT moveRequested(1);
        break;
    case Qt::Key_Escape:
        Q_EMIT closeRequested();
        break;
    default:
        Q_EMIT openRequested();
        break;
    }
}

void SidebarSearchField::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool dark = AppColors::isDark(palette());
        const QRectF pill = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(hasFocus() ? QPen(AppColors::named(NamedColor::AskAccent, dark), 1.5)
                                  : QPen(AppColors::named(NamedColor::AskRuleSubtle, dark), 1));
        painter.setBrush(AppColors::named(NamedColor::AskBgHover, dark));
        painter.drawRoundedRect(pill, cornerRadius, cornerRadius);
    }
    QLineEdit::paintEvent(event);
}

void SidebarSearchField::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void SidebarSearchField::applyColors()
{
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, AppColors::primaryText(p));
    QColor placeholder = AppColors::secondaryText(p);
    placeholder.setAlphaF(0.8f);
    p.setColor(QPalette::PlaceholderText, placeholder);
    if (p != palette())
        setPalette(p);
    // The symbol follows the scheme: it is made again in the text colour.
    const QList<QAction *> old = actions();
    for (QAction *action : old) {
        if (action->objectName() == u"searchSymbol"_s) {
            removeAction(action);
            delete action;
        }
    }
    auto *symbol = new QAction(
        Symbols::icon(u"magnifyingglass", AppColors::secondaryText(p), Symbols::Weight::Medium),
        QString(), this);
    symbol->setObjectName(u"searchSymbol"_s);
    addAction(symbol, QLineEdit::LeadingPosition);
}
