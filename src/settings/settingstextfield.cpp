#include "settings/settingstextfield.h"

#include "app/appcolors.h"
#include "app/typestyles.h"

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
    // The field draws its own rounded background; the style's square one must not show.
    const QPalette window = parentWidget() ? parentWidget()->palette() : palette();
    QPalette own;
    own.setColor(QPalette::Base, Qt::transparent);
    own.setColor(QPalette::PlaceholderText, AppColors::secondaryText(window));
    setPalette(own);
}

void SettingsTextField::paintEvent(QPaintEvent *event)
{
    {
        const bool dark = AppColors::isDark(this);
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF rect = QRectF(this->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        const QColor fill = dark ? QColor(0x15, 0x16, 0x1b) : QColor(0xff, 0xff, 0xff);
        QColor border = AppColors::named(NamedColor::AskDialogStroke, dark);
        qreal borderWidth = 1;
        if (hasFocus()) {
            border = AppColors::named(NamedColor::AskAccent, dark);
            borderWidth = 1.5;
        }
        painter.setPen(QPen(border, borderWidth));
        painter.setBrush(fill);
        if (!isEnabled())
            painter.setOpacity(0.5);
        painter.drawRoundedRect(rect, radius, radius);
    }
    QLineEdit::paintEvent(event);
}
