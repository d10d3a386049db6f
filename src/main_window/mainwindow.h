#pragma once

#include <QKeySequence>
#include <QList>
#include <QMainWindow>
#include <QSize>

class AppEvents;
class QAction;

// The top-level chat window, titled "velm". Its content (the chat, or onboarding) is set by
// whoever builds it; until then a quiet placeholder fills it. The quit keys do not quit
// here: they post "hideToMenuBar", and the shell decides what that means.
class MainWindow : public QMainWindow
{
    Q_OBJECT

public:
    static constexpr QSize defaultSize{1100, 760};
    static constexpr QSize minimumContentSize{820, 560};

    explicit MainWindow(AppEvents &events, QWidget *parent = nullptr);
    ~MainWindow() override;

    // Replaces the content (the placeholder first); the window takes ownership.
    void setContent(QWidget *content);
    QWidget *content() const;
    // Removes the content without deleting it: it stays a hidden child of the window, to be
    // set again later (the chat keeps its state while onboarding shows). Null when there is
    // no content.
    QWidget *takeContent();

    // The "Close to Menu Bar" commands, in order: Ctrl+Q (Command-Q on macOS), and on
    // macOS also Control-Q, which elsewhere is the same keys as the first.
    const QList<QAction *> &closeToMenuBarActions() const { return m_closeActions; }
    static QList<QKeySequence> closeToMenuBarShortcuts();

private:
    AppEvents &m_events;
    QList<QAction *> m_closeActions;
};
