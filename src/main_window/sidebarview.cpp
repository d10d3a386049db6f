#include "main_window/sidebarview.h"

#include "chat/chatlist.h"
#include "chat/conversationcontroller.h"
#include "chat/sidebargroup.h"
#include "main_window/sidebaremptystate.h"
#include "main_window/sidebarglassbutton.h"
#include "main_window/sidebarheader.h"
#include "main_window/sidebarlistview.h"
#include "main_window/sidebarmodel.h"
#include "main_window/sidebarrenamefield.h"
#include "main_window/sidebarrow.h"
#include "main_window/sidebarrowdelegate.h"
#include "main_window/sidebarsearchfield.h"
#include "main_window/sidebarsearchlist.h"
#include "widgets/animations.h"
#include "widgets/appcolors.h"
#include "widgets/symbols.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QStackedLayout>
#include <QVBoxLayout>

#include <limits>

using namespace Qt::StringLiterals;

namespace {

// The translucent "ultra-thin material" of the column: the window's background shows
// through, a little frosted.
QColor materialColor(bool dark)
{
    QColor color = dark ? AppColors::surface1(true) : QColor(Qt::white);
    color.setAlphaF(dark ? 0.55f : 0.45f);
    return color;
}

QColor destructiveColor(bool dark)
{
    return dark ? QColor(0xff, 0x45, 0x3a) : QColor(0xff, 0x3b, 0x30);
}

} // namespace

SidebarView::SidebarView(ConversationController &controller, QWidget *parent)
    : QWidget(parent)
    , m_controller(controller)
    , m_clock([] { return QDateTime::currentDateTime(); })
    , m_newChatAction(new QAction(tr("New Chat"), this))
    , m_header(new SidebarHeader(m_newChatAction, this))
    , m_model(new SidebarModel(this))
    , m_delegate(new SidebarRowDelegate(this))
    , m_list(new SidebarListView(m_model, m_delegate, this))
    , m_emptyState(new SidebarEmptyState(this))
    , m_searchField(new SidebarSearchField(this))
    , m_searchList(new SidebarSearchList(this))
    , m_searchEmpty(new SidebarEmptyState(tr("No chats match"), tr("Try other words."),
                                          u"magnifyingglass"_s, this))
    , m_pages(nullptr)
{
    setFixedWidth(columnWidth);

    m_newChatAction->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_N));
    m_newChatAction->setShortcutContext(Qt::WindowShortcut);
    addAction(m_newChatAction);
    connect(m_newChatAction, &QAction::triggered, this, [this] { m_controller.startNewChat(); });
    connect(m_header, &SidebarHeader::settingsRequested, this, &SidebarView::settingsRequested);

    // The empty state lies over the list, so rows that leave finish their animation under it.
    auto *body = new QWidget(this);
    auto *stack = new QStackedLayout(body);
    stack->setStackingMode(QStackedLayout::StackAll);
    stack->addWidget(m_list);
    stack->addWidget(m_emptyState);
    stack->setCurrentWidget(m_emptyState);

    auto *searchBody = new QWidget(this);
    auto *searchStack = new QStackedLayout(searchBody);
    searchStack->setStackingMode(QStackedLayout::StackAll);
    searchStack->addWidget(m_searchList);
    searchStack->addWidget(m_searchEmpty);
    searchStack->setCurrentWidget(m_searchEmpty);

    auto *pages = new QWidget(this);
    m_pages = new QStackedLayout(pages);
    m_pages->addWidget(body);
    m_pages->addWidget(searchBody);

    auto *searchRow = new QWidget(this);
    auto *searchLayout = new QHBoxLayout(searchRow);
    searchLayout->setContentsMargins(12, 10, 12, 4);
    searchLayout->addWidget(m_searchField);

    auto *layout = new QVBoxLayout(this);
    // The trailing pixel is the divider's.
    layout->setContentsMargins(0, 0, 1, 0);
    layout->setSpacing(0);
    layout->addWidget(m_header);
    layout->addWidget(searchRow);
    layout->addWidget(pages, 1);
    setTabOrder(m_header->settingsButton(), m_searchField);
    setTabOrder(m_searchField, m_searchList);

    m_searchDelay.setSingleShot(true);
    m_searchDelay.setInterval(searchDelayMs);
    connect(&m_searchDelay, &QTimer::timeout, this, &SidebarView::runSearch);
    connect(m_searchField, &QLineEdit::textChanged, this, &SidebarView::onSearchTextChanged);
    connect(m_searchField, &SidebarSearchField::moveRequested, m_searchList,
            &SidebarSearchList::moveCurrent);
    connect(m_searchField, &SidebarSearchField::openRequested, this, [this] {
        // Return before the pause is over searches at once.
        if (m_searchDelay.isActive()) {
            m_searchDelay.stop();
            runSearch();
        }
        m_searchList->openCurrent();
    });
    connect(m_searchField, &SidebarSearchField::closeRequested, this, &SidebarView::closeSearch);
    connect(m_searchList, &SidebarSearchList::closeRequested, this, &SidebarView::closeSearch);
    connect(m_searchList, &SidebarSearchList::resultOpened, this, &SidebarView::openSearchResult);
    m_searchField->installEventFilter(this);

    connect(m_list, &SidebarListView::sessionClicked, this,
            [this](const QUuid &id) { m_controller.selectSession(id); });
    connect(m_list, &SidebarListView::menuRequested, this, &SidebarView::showRowMenu);

    m_midnight.setSingleShot(true);
    connect(&m_midnight, &QTimer::timeout, this, &SidebarView::reload);

    connect(&m_controller, &ConversationController::sessionsChanged, this, &SidebarView::reload);
    connect(&m_controller, &ConversationController::sidebarItemChanged, this,
            &SidebarView::syncSelection);
    connect(&m_controller, &ConversationController::renamingItemIdChanged, this,
            &SidebarView::syncRename);
    reload();
    syncSelection();
}

SidebarView::~SidebarView()
{
    // The menu lives in a window of its own; its actions refer to this view.
    delete m_menu;
}

void SidebarView::setClock(Clock clock)
{
    m_clock = clock ? std::move(clock) : Clock([] { return QDateTime::currentDateTime(); });
    reload();
}

QSize SidebarView::sizeHint() const
{
    return QSize(columnWidth, QWidget::sizeHint().height());
}

void SidebarView::paintEvent(QPaintEvent *event)
{
    Q_UNUSED(event)
    QPainter painter(this);
    const bool dark = AppColors::isDark(this);
    painter.fillRect(rect().adjusted(0, 0, -1, 0), materialColor(dark));
    painter.fillRect(QRect(width() - 1, 0, 1, height()),
                     AppColors::named(NamedColor::AskDialogStroke, dark));
}

void SidebarView::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    // The day may have turned while the column was hidden.
    reload();
    if (std::exchange(m_focusSearchWhenShown, false))
        focusSearch();
}

bool SidebarView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_searchField
        && (event->type() == QEvent::FocusIn || event->type() == QEvent::FocusOut))
        m_searchList->setFieldFocused(event->type() == QEvent::FocusIn);
    return QWidget::eventFilter(watched, event);
}

bool SidebarView::isSearching() const
{
    return m_pages->currentIndex() == 1;
}

void SidebarView::focusSearch()
{
    if (!isVisible()) {
        m_focusSearchWhenShown = true;
        return;
    }
    m_searchField->setFocus(Qt::ShortcutFocusReason);
    m_searchField->selectAll();
}

void SidebarView::closeSearch()
{
    m_searchField->clear();
    m_controller.focusComposerSoon(std::chrono::milliseconds(0));
}

void SidebarView::onSearchTextChanged(const QString &text)
{
    if (text.trimmed().isEmpty()) {
        m_searchDelay.stop();
        m_searchList->setResults({});
        m_lastQuery.clear();
        m_pages->setCurrentIndex(0);
        return;
    }
    m_searchDelay.start();
}

void SidebarView::runSearch()
{
    const QString query = m_searchField->text();
    if (query.trimmed().isEmpty())
        return;
    const QDateTime now = m_clock();
    QList<SidebarSearchModel::Result> results;
    for (const ChatSearchHit &hit : m_controller.chatList().search(query, searchLimit))
        results.append({hit, sidebarGroupLabel(hit.updatedAt, now)});
    m_searchList->setResults(results, query == std::exchange(m_lastQuery, query));
    m_searchEmpty->setVisible(results.isEmpty());
    m_pages->setCurrentIndex(1);
}

void SidebarView::openSearchResult(const ChatSearchHit &hit)
{
    // As the archive opens a chat: an archived one opens and stays archived, with its banner.
    m_controller.openSession(hit.chatId);
    Q_EMIT searchResultOpened(hit.chatId, hit.messageId);
}

void SidebarView::reload()
{
    const QList<SidebarGroup> groups = sidebarGroups(m_controller.sessions(), m_clock());
    // Only a list on screen animates; a hidden one (or the first fill) just takes the rows.
    const bool animated = Animations::enabled() && isVisible() && m_model->rowCount() > 0;
    m_model->setRows(SidebarRow::fromGroups(groups), animated);
    syncSelection();
    m_emptyState->setVisible(groups.isEmpty());
    syncRename();
    scheduleMidnightReload();
    // Results follow the chats (a rename, a deletion, a new answer) and the day.
    if (isSearching())
        m_searchDelay.start();
}

void SidebarView::syncSelection()
{
    m_delegate->setSelectedId(m_controller.sidebarItem());
    m_list->viewport()->update();
    // The delegate draws the open chat's look; the selection tells a screen reader.
    const std::optional<QUuid> open = m_controller.sidebarItem();
    const int openRow = open ? m_model->rowOfSession(*open) : -1;
    if (openRow >= 0)
        m_list->selectionModel()->select(m_model->index(openRow),
                                         QItemSelectionModel::ClearAndSelect);
    else
        m_list->selectionModel()->clearSelection();
    m_searchList->searchDelegate()->setSelectedId(m_controller.sidebarItem());
    m_searchList->viewport()->update();
}

void SidebarView::syncRename()
{
    const std::optional<QUuid> id = m_controller.renamingItemId();
    // A rename moved to another row, or ended: the old field goes without committing.
    if (m_renameField && (!id || *id != m_renameId || !m_renameIndex.isValid()))
        closeRenameField();
    m_delegate->setRenamingId(id);
    m_list->setRenamingId(id);
    m_list->viewport()->update();
    if (!id || m_renameField)
        return;
    const int row = m_model->rowOfSession(*id);
    const std::optional<ChatSession> session = m_controller.session(*id);
    if (row < 0 || !session)
        return;

    const QModelIndex index = m_model->index(row);
    m_list->scrollTo(index);
    m_list->openPersistentEditor(index);
    auto *field = qobject_cast<SidebarRenameField *>(m_list->indexWidget(index));
    if (!field)
        return;
    m_renameField = field;
    m_renameIndex = index;
    m_renameId = *id;
    field->setText(session->title());
    field->setCursorPosition(0);
    connect(field, &SidebarRenameField::submitted, this,
            [this, field, id = *id] { commitRename(id, field->text()); });
    connect(field, &SidebarRenameField::cancelled, this, [this, id = *id] {
        // Escape keeps the name as shown, and makes it the chat's own.
        const std::optional<ChatSession> current = m_controller.session(id);
        commitRename(id, current ? current->title() : QString());
    });
    // Focus on the next turn, once the field is in place and shown.
    QTimer::singleShot(0, field, [field] {
        field->setFocus(Qt::OtherFocusReason);
        field->selectAll();
    });
}

void SidebarView::closeRenameField()
{
    if (m_renameIndex.isValid())
        m_list->closePersistentEditor(m_renameIndex);
    else if (m_renameField)
        m_renameField->deleteLater();
    m_renameField.clear();
    m_renameIndex = QPersistentModelIndex();
    m_renameId = QUuid();
}

void SidebarView::commitRename(const QUuid &id, const QString &text)
{
    m_controller.commitRename(id, text);
}

void SidebarView::showRowMenu(const QUuid &id, const QPoint &globalPos)
{
    delete m_menu;
    const bool dark = AppColors::isDark(this);
    const QColor iconColor = AppColors::primaryText(palette());
    auto *menu = new QMenu(this);
    menu->setAttribute(Qt::WA_DeleteOnClose);
    // Each action works on the row the menu was opened for, whichever row is selected.
    ConversationController &controller = m_controller;
    menu->addAction(Symbols::icon(u"pencil", iconColor), tr("Rename"), this,
                    [&controller, id] { controller.beginRename(id); });
    menu->addAction(Symbols::icon(u"archivebox", iconColor), tr("Archive"), this,
                    [&controller, id] { controller.setArchived(id, true); });
    menu->addSeparator();
    menu->addAction(Symbols::icon(u"trash", destructiveColor(dark)), tr("Delete"), this,
                    [&controller, id] { controller.deleteSession(id); });
    connect(menu, &QMenu::aboutToHide, m_list, &SidebarListView::refreshHover);
    m_menu = menu;
    menu->popup(globalPos);
}

void SidebarView::scheduleMidnightReload()
{
    const QDateTime now = m_clock().toLocalTime();
    const QDateTime next(now.date().addDays(1), QTime(0, 0, 1));
    const qint64 ms = now.msecsTo(next);
    if (ms > 0 && ms < std::numeric_limits<int>::max())
        m_midnight.start(int(ms));
}
