#include "settings/settingstextfield.h"

#include "settings/fieldframe.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QPainter>
#include <QScopedValueRollback>

namespace {

constexpr int fieldHeight = 28;
constexpr qreal radius = 7;

} // namespace

SettingsTextField::SettingsTextField(const QString &placeholder, int width, QWidget *parent)
    : QLineEdit(parent)
{
    setPlaceholderText(placeholder);
    setFixedSize(width, fieldHeight);
    setFrame(false);
    setTextMargins(8, 0, 8, 0);
    setFont(TypeStyles::font(TypeStyle::Label));
    setAttribute(Qt::WA_MacShowFocusRect, false);
    updateColors();
}

void SettingsTextField::changeEvent(QEvent *event)
{
    QLineEdit::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        updateColors();
}

void SettingsTextField::updateColors()
{
    if (m_updatingColors)
        return;
    const QScopedValueRollback guard(m_updatingColors, true);
    setPalette(FieldFrame::palette(this));
}

void SettingsTextField::paintEvent(QPaintEvent *event)
{
    {
        QPainter painter(this);
        FieldFrame::paint(&painter, rect(), radius, this);
    }
    QLineEdit::paintEvent(event);
}
