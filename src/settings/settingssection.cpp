#include "settings/settingssection.h"

#include "widgets/appcolors.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QPainterPath>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int boxRadius = 10;
constexpr int rowPaddingX = 14;
constexpr int rowPaddingY = 9;
constexpr int headerSymbolSize = 14;

// Paints the box of a section and the hairlines between its rows. A filter rather than a
// subclass keeps the section one class.
class BoxPainter : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() != QEvent::Paint)
            return false;
        auto *box = static_cast<QWidget *>(watched);
        const bool dark = AppColors::isDark(box);
        QPainter painter(box);
        painter.setRenderHint(QPainter::Antialiasing);
        const QRectF rect = QRectF(box->rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(AppColors::named(NamedColor::AskDialogStroke, dark), 1));
        painter.setBrush(AppColors::surface2(dark));
        painter.drawRoundedRect(rect, boxRadius, boxRadius);

        // Hairlines start at the text, as grouped forms draw them.
        painter.setRenderHint(QPainter::Antialiasing, false);
        painter.setPen(QPen(AppColors::named(NamedColor::AskRuleSubtle, dark), 1));
        const auto *layout = box->layout();
        bool first = true;
        for (int i = 0; layout && i < layout->count(); ++i) {
            const QWidget *row = layout->itemAt(i)->widget();
            if (!row || row->isHidden())
                continue;
            if (!first) {
                const int y = row->geometry().top();
                painter.drawLine(rowPaddingX, y, box->width() - 1, y);
            }
            first = false;
        }
        return false;
    }
};

} // namespace

SettingsSection::SettingsSection(const QString &symbol, const QString &title, QWidget *parent)
    : QWidget(parent)
    , m_symbol(symbol)
{
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(6);

    auto *header = new QHBoxLayout;
    header->setContentsMargins(4, 0, 0, 0);
    header->setSpacing(7);
    m_icon = new QLabel(this);
    m_icon->setFixedSize(headerSymbolSize, headerSymbolSize);
    m_title = new QLabel(title, this);
    m_title->setTextFormat(Qt::PlainText);
    QFont titleFont = TypeStyles::font(TypeStyle::Label);
    titleFont.setWeight(QFont::DemiBold);
    m_title->setFont(titleFont);
    header->addWidget(m_icon);
    header->addWidget(m_title);
    header->addStretch();
    layout->addLayout(header);

    m_box = new QWidget(this);
    m_box->setObjectName(u"settingsSectionBox"_s);
    m_box->installEventFilter(new BoxPainter(m_box));
    m_rows = new QVBoxLayout(m_box);
    m_rows->setContentsMargins(0, 0, 0, 0);
    m_rows->setSpacing(0);
    layout->addWidget(m_box);

    m_footnote = new QLabel(this);
    m_footnote->setTextFormat(Qt::PlainText);
    m_footnote->setWordWrap(true);
    m_footnote->setFont(TypeStyles::font(TypeStyle::Caption));
    m_footnote->setContentsMargins(4, 0, 4, 0);
    m_footnote->hide();
    layout->addWidget(m_footnote);

    updateColors();
}

QString SettingsSection::title() const
{
    return m_title->text();
}

QString SettingsSection::footnote() const
{
    return m_footnote->text();
}

void SettingsSection::addRow(const QString &label, QWidget *field)
{
    auto *row = new QWidget(m_box);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPaddingX, rowPaddingY, rowPaddingX, rowPaddingY);
    layout->setSpacing(12);
    auto *text = new QLabel(label, row);
    text->setTextFormat(Qt::PlainText);
    text->setFont(TypeStyles::font(TypeStyle::Label));
    text->setBuddy(field);
    layout->addWidget(text);
    layout->addStretch();
    layout->addWidget(field, 0, Qt::AlignVCenter);
    addRowWidget(row);
}

void SettingsSection::addRow(const QString &title, const QString &subtitle, QWidget *field)
{
    auto *row = new QWidget(m_box);
    auto *layout = new QHBoxLayout(row);
    layout->setContentsMargins(rowPaddingX, rowPaddingY, rowPaddingX, rowPaddingY);
    layout->setSpacing(12);
    auto *texts = new QVBoxLayout;
    texts->setSpacing(2);
    auto *titleLabel = new QLabel(title, row);
    titleLabel->setTextFormat(Qt::PlainText);
    titleLabel->setFont(TypeStyles::font(TypeStyle::Label));
    auto *subtitleLabel = new QLabel(subtitle, row);
    subtitleLabel->setObjectName(u"settingsSecondary"_s);
    subtitleLabel->setTextFormat(Qt::PlainText);
    subtitleLabel->setWordWrap(true);
    subtitleLabel->setFont(TypeStyles::font(TypeStyle::Caption));
    texts->addWidget(titleLabel);
    texts->addWidget(subtitleLabel);
    layout->addLayout(texts, 1);
    layout->addWidget(field, 0, Qt::AlignVCenter);
    addRowWidget(row);
    updateColors();
}

void SettingsSection::addWidget(QWidget *widget)
{
    auto *row = new QWidget(m_box);
    auto *layout = new QVBoxLayout(row);
    layout->setContentsMargins(rowPaddingX, rowPaddingY + 2, rowPaddingX, rowPaddingY + 2);
    layout->addWidget(widget);
    addRowWidget(row);
    updateColors();
}

void SettingsSection::setFootnote(const QString &text)
{
    m_footnote->setText(text);
    m_footnote->setVisible(!text.isEmpty());
}

void SettingsSection::addRowWidget(QWidget *row)
{
    m_rows->addWidget(row);
    m_box->update();
}

void SettingsSection::changeEvent(QEvent *event)
{
    if (event->type() == QEvent::PaletteChange)
        updateColors();
    QWidget::changeEvent(event);
}

void SettingsSection::updateColors()
{
    const QColor secondary = AppColors::secondaryText(palette());
    m_icon->setPixmap(Symbols::pixmap(m_symbol, headerSymbolSize, secondary, devicePixelRatioF(),
                                      Symbols::Weight::Semibold));
    // Only the text colour is set, so every other role keeps following the window.
    QPalette secondaryPalette;
    secondaryPalette.setColor(QPalette::WindowText, secondary);
    m_footnote->setPalette(secondaryPalette);
    m_title->setPalette(secondaryPalette);
    for (QLabel *label : findChildren<QLabel *>(u"settingsSecondary"_s))
        label->setPalette(secondaryPalette);
}
