#include "main_window/mainwindow.h"

#include "chat/appevents.h"
#include "widgets/appcolors.h"
#include "widgets/typestyles.h"

#include <QAction>
#include <QGuiApplication>
#include <QLabel>
#include <QOpenGLWidget>
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

MainWindow::MainWindow(AppEvents *events, QWidget *parent)
    : QMainWindow(parent)
    , m_events(events)
{
    setObjectName(u"mainWindow"_s);
    setWindowTitle(u"velm"_s);
    setMinimumSize(minimumContentSize);
    resize(defaultSize);
    setCentralWidget(makePlaceholder());
    prepareForWebViews();

    for (const QKeySequence &shortcut : closeToMenuBarShortcuts()) {
        auto *action = new QAction(u"Close to Menu Bar"_s, this);
        action->setShortcut(shortcut);
        // Anywhere in the window, also while a text field has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        connect(action, &QAction::triggered, this, [this] {
            if (m_events)
                m_events->postHideToMenuBar();
        });
        addAction(action);
        m_closeActions.append(action);
    }
}

MainWindow::~MainWindow() = default;

void MainWindow::prepareForWebViews()
{
    // The first math view would turn this window into an OpenGL one after it exists, and
    // Qt does that by recreating the native window: it flickers and the keyboard focus is
    // lost mid-sentence. A GL widget made before the window is shown lets it start as an
    // OpenGL window. Platforms without OpenGL windows (the tests' offscreen one) skip it.
    const QString platform = QGuiApplication::platformName();
    if (platform != u"xcb"_s && !platform.startsWith(u"wayland"_s))
        return;
    auto *surface = new QOpenGLWidget(this);
    surface->setObjectName(u"openGLSurface"_s);
    surface->setAttribute(Qt::WA_TransparentForMouseEvents);
    surface->setGeometry(0, 0, 1, 1);
    surface->hide();
}

void MainWindow::setContent(QWidget *content)
{
    // Deleted now rather than later, so that nothing of it (timers, a web view) outlives it.
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
