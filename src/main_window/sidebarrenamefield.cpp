#include "main_window/sidebarrenamefield.h"

#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QKeyEvent>

using namespace Qt::StringLiterals;

namespace {

bool endsRename(const QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Escape:
        return true;
    default:
        return false;
    }
}

} // namespace

SidebarRenameField::SidebarRenameField(QWidget *parent)
    : QLineEdit(parent)
{
    setFrame(false);
    setPlaceholderText(tr("Chat name"));
    setFont(TypeStyles::font(TypeStyle::Label));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    applyColors();
}

bool SidebarRenameField::event(QEvent *event)
{
    if (event->type() == QEvent::ShortcutOverride && endsRename(static_cast<QKeyEvent *>(event))) {
        event->accept();
        return true;
    }
    return QLineEdit::event(event);
}

void SidebarRenameField::keyPressEvent(QKeyEvent *event)
{
    if (!endsRename(event)) {
        QLineEdit::keyPressEvent(event);
        return;
    }
    event->accept();
    if (event->key() == Qt::Key_Escape)
        Q_EMIT cancelled();
    else
        Q_EMIT submitted();
}

void SidebarRenameField::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        applyColors();
}

void SidebarRenameField::applyColors()
{
    // The row's own background shows through.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    p.setColor(QPalette::Text, AppColors::primaryText(p));
    if (p != palette())
        setPalette(p);
}
