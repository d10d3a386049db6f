#include "main_window/mainwindow.h"

#include "chat/appevents.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QAction>
#include <QLabel>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

QWidget *makePlaceholder()
{
    auto *placeholder = new QWidget;
    placeholder->setObjectName(u"mainWindowPlaceholder"_s);
    auto *layout = new QVBoxLayout(placeholder);
    auto *label = new QLabel(u"velm"_s, placeholder);
    label->setTextFormat(Qt::PlainText);
    label->setAlignment(Qt::AlignCenter);
    label->setFont(TypeStyles::font(TypeStyle::HeroTitle));
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, AppColors::secondaryText(palette));
    label->setPalette(palette);
    layout->addWidget(label);
    return placeholder;
}

} // namespace

MainWindow::MainWindow(AppEvents &events, QWidget *parent)
    : QMainWindow(parent)
    , m_events(events)
{
    setObjectName(u"mainWindow"_s);
    setWindowTitle(u"velm"_s);
    setMinimumSize(minimumContentSize);
    resize(defaultSize);
    setCentralWidget(makePlaceholder());

    for (const QKeySequence &shortcut : closeToMenuBarShortcuts()) {
        auto *action = new QAction(tr("Close to Menu Bar"), this);
        action->setShortcut(shortcut);
        // Anywhere in the window, also while a text field has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this] { m_events.postHideToMenuBar(); });
        addAction(action);
        m_closeActions.append(action);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::setContent(QWidget *content)
{
    // Deleted now rather than later, so that nothing of it (its timers) outlives it.
    QWidget *previous = takeCentralWidget();
    setCentralWidget(content);
    if (previous != content)
        delete previous;
}

QWidget *MainWindow::content() const
{
    return centralWidget();
}

QWidget *MainWindow::takeContent()
{
    QWidget *content = takeCentralWidget();
    if (content) {
        content->hide();
        content->setParent(this);
    }
    return content;
}

QList<QKeySequence> MainWindow::closeToMenuBarShortcuts()
{
    // Qt::CTRL is Command on macOS, where Qt::META is Control; elsewhere Control-Q is
    // already the first binding, and a second action on the same keys would make both
    // ambiguous so that neither fires.
    QList<QKeySequence> shortcuts{QKeySequence(Qt::CTRL | Qt::Key_Q)};
#ifdef Q_OS_MACOS
    shortcuts.append(QKeySequence(Qt::META | Qt::Key_Q));
#endif
    return shortcuts;
}
