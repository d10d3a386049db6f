#include "main_window/archivedbanner.h"

#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

using namespace Qt::StringLiterals;

namespace {

constexpr int symbolSize = 12;

} // namespace

ArchivedBanner::ArchivedBanner(QWidget *parent)
    : QWidget(parent)
    , m_symbol(new QLabel(this))
    , m_text(new QLabel(tr("This chat is archived"), this))
    , m_restore(new QPushButton(tr("Restore"), this))
{
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 6, 0, 6);
    layout->setSpacing(6);
    layout->addStretch();
    layout->addWidget(m_symbol);
    layout->addWidget(m_text);
    layout->addSpacing(4);
    layout->addWidget(m_restore);
    layout->addStretch();

    m_symbol->setFixedSize(symbolSize, symbolSize);
    m_text->setTextFormat(Qt::PlainText);
    m_text->setFont(TypeStyles::font(TypeStyle::Caption));
    m_restore->setFlat(true);
    m_restore->setCursor(Qt::PointingHandCursor);
    m_restore->setFont(TypeStyles::font(TypeStyle::Label));
    PressableButtonStyle::apply(m_restore, 0.94, 0.85);
    connect(m_restore, &QPushButton::clicked, this, &ArchivedBanner::restoreRequested);
    restyle();
}

void ArchivedBanner::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        restyle();
}

void ArchivedBanner::restyle()
{
    const QColor secondary = AppColors::secondaryText(palette());
    m_symbol->setPixmap(Symbols::pixmap(u"archivebox", symbolSize, secondary, devicePixelRatioF(),
                                        Symbols::Weight::Medium));
    QPalette textPalette = m_text->palette();
    textPalette.setColor(QPalette::WindowText, secondary);
    m_text->setPalette(textPalette);
    QPalette buttonPalette = m_restore->palette();
    buttonPalette.setColor(QPalette::ButtonText, AppColors::named(NamedColor::AskAccent, this));
    m_restore->setPalette(buttonPalette);
}
