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
    setPlaceholderText(tr("Search chats"));
    setAccessibleName(tr("Search chats"));
    setFont(TypeStyles::font(TypeStyle::Label));
    // A symbol of the kit rather than the style's clear button, which ignores the scheme.
    // Escape does the same from the keyboard.
    m_clear = new QAction(tr("Clear"), this);
    m_clear->setToolTip(tr("Clear"));
    m_clear->setVisible(false);
    addAction(m_clear, QLineEdit::TrailingPosition);
    connect(m_clear, &QAction::triggered, this, &QLineEdit::clear);
    connect(this, &QLineEdit::textChanged, m_clear,
            [this](const QString &text) { m_clear->setVisible(!text.isEmpty()); });
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
    // The symbols follow the scheme: they are drawn again in the secondary text colour.
    if (!m_symbol) {
        // Only a picture, but the line edit makes every action a button: a screen reader
        // reads this one's name.
        m_symbol = new QAction(tr("Search"), this);
        addAction(m_symbol, QLineEdit::LeadingPosition);
    }
    const QColor secondary = AppColors::secondaryText(p);
    m_symbol->setIcon(Symbols::icon(u"magnifyingglass", secondary, Symbols::Weight::Medium));
    m_clear->setIcon(Symbols::icon(u"xmark", secondary, Symbols::Weight::Medium));
}
