#include "settings/settingsview.h"

#include "settings/appearancesettingstab.h"
#include "settings/chatmanagementtab.h"
#include "settings/generalsettingstab.h"
#include "settings/modelsettingstab.h"
#include "settings/settingstabbar.h"
#include "settings/websearchsettingstab.h"

#include <QEvent>
#include <QGuiApplication>
#include <QPainter>
#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int pageMarginX = 22;
constexpr int pageMarginTop = 20;
constexpr int pageMarginBottom = 24;
// Room the window frame and the desktop's panels take beyond the available height.
constexpr int screenReserve = 60;

} // namespace

SettingsView::SettingsView(Settings &settings, AppEvents &events, ChatList &chats,
                           QNetworkAccessManager &network, QWidget *parent)
    : QWidget(parent)
{
    setAutoFillBackground(false);
    setFixedWidth(contentWidth);
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    m_tabBar = new SettingsTabBar(this);
    m_tabBar->addTab(tr("General"), u"person.crop.circle"_s);
    m_tabBar->addTab(tr("Appearance"), u"paintbrush"_s);
    m_tabBar->addTab(tr("Web Search"), u"globe"_s);
    m_tabBar->addTab(tr("Model"), u"cpu"_s);
    m_tabBar->addTab(tr("Chats"), u"bubble.left.and.bubble.right"_s);
    layout->addWidget(m_tabBar);

    m_scroll = new QScrollArea(this);
    m_scroll->setFrameShape(QFrame::NoFrame);
    m_scroll->setWidgetResizable(true);
    m_scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Tab brings what it reaches into view; a stop of its own would be an unnamed blank.
    m_scroll->setFocusPolicy(Qt::NoFocus);
    m_scroll->viewport()->setAutoFillBackground(false);
    m_pagesContainer = new QWidget(m_scroll);
    m_pagesContainer->setAutoFillBackground(false);
    m_pagesLayout = new QVBoxLayout(m_pagesContainer);
    m_pagesLayout->setContentsMargins(pageMarginX, pageMarginTop, pageMarginX, pageMarginBottom);
    m_pagesLayout->setSpacing(0);

    m_general = new GeneralSettingsTab(settings, events, m_pagesContainer);
    m_appearance = new AppearanceSettingsTab(settings, m_pagesContainer);
    m_webSearch = new WebSearchSettingsTab(settings, &network, m_pagesContainer);
    m_model = new ModelSettingsTab(settings, &network, m_pagesContainer);
    m_chats = new ChatManagementTab(chats, events, m_pagesContainer);
    m_pages = {m_general, m_appearance, m_webSearch, m_model, m_chats};
    for (QWidget *page : std::as_const(m_pages)) {
        m_pagesLayout->addWidget(page);
        page->hide();
    }
    m_scroll->setWidget(m_pagesContainer);
    layout->addWidget(m_scroll);
    // Pages that grow or shrink (a section shown, a status line) resize the window.
    m_pagesContainer->installEventFilter(this);

    connect(m_tabBar, &SettingsTabBar::currentChanged, this, &SettingsView::showPage);
    showPage(m_tabBar->currentIndex());
}

int SettingsView::currentIndex() const
{
    return m_tabBar->currentIndex();
}

void SettingsView::setCurrentIndex(int index)
{
    m_tabBar->setCurrentIndex(index);
}

void SettingsView::showPage(int index)
{
    forgetTestResults();
    for (int i = 0; i < m_pages.size(); ++i)
        m_pages.at(i)->setVisible(i == index);
    m_scroll->verticalScrollBar()->setValue(0);
    updateGeometry();
}

void SettingsView::forgetTestResults()
{
    m_webSearch->forgetTestResult();
    m_model->forgetTestResult();
}

int SettingsView::pagesHeight() const
{
    QLayout *layout = m_pagesContainer->layout();
    return layout->hasHeightForWidth() ? layout->totalHeightForWidth(contentWidth)
                                       : layout->totalSizeHint().height();
}

QSize SettingsView::sizeHint() const
{
    int height = m_tabBar->sizeHint().height() + pagesHeight();
    const QScreen *screen = this->screen() ? this->screen() : QGuiApplication::primaryScreen();
    if (screen)
        height = qMin(height, screen->availableGeometry().height() - screenReserve);
    return {contentWidth, height};
}

bool SettingsView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_pagesContainer && event->type() == QEvent::LayoutRequest)
        updateGeometry();
    return QWidget::eventFilter(watched, event);
}

void SettingsView::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.fillRect(rect(), palette().color(QPalette::Window));
}
