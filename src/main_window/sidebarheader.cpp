#include "main_window/sidebarheader.h"

#include "main_window/sidebarglassbutton.h"
#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"

#include <QAction>
#include <QHBoxLayout>
#include <QPainter>

using namespace Qt::StringLiterals;

SidebarHeader::SidebarHeader(QAction *newChatAction, QWidget *parent)
    : QWidget(parent)
    , m_newChat(new SidebarGlassButton(u"square.and.pencil"_s, tr("New Chat"), this))
    , m_settings(new SidebarGlassButton(u"gearshape"_s, QString(), this))
{
    m_newChat->setToolTip(tr("New Chat"));
    m_newChat->setAccessibleName(tr("New Chat"));
    m_newChat->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Fixed);
    PressableButtonStyle::apply(m_newChat, 0.97, 0.85);
    connect(m_newChat, &QAbstractButton::clicked, newChatAction, &QAction::trigger);

    m_settings->setToolTip(tr("Settings"));
    m_settings->setAccessibleName(tr("Settings"));
    m_settings->setSymbolSize(14);
    m_settings->setSymbolWeight(Symbols::Weight::Medium);
    m_settings->setSecondarySymbol(true);
    PressableButtonStyle::apply(m_settings, 0.94, 0.85);
    connect(m_settings, &QAbstractButton::clicked, this, &SidebarHeader::settingsRequested);

    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(12, 8, 12, 8);
    layout->setSpacing(8);
    layout->addWidget(m_newChat);
    layout->addWidget(m_settings);
}

void SidebarHeader::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    // A half-point rule: a hairline on HiDPI screens, a faint full pixel otherwise.
    painter.setPen(QPen(AppColors::named(NamedColor::AskRuleSubtle, this), 0.5));
    const qreal y = height() - 0.25;
    painter.drawLine(QPointF(0, y), QPointF(width(), y));
}
