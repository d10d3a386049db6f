#pragma once

#include <QLineEdit>

// The "Search chats" field at the top of the sidebar. It keeps the keys that steer the
// results below it while the text stays where it is: Up and Down move through them, Return
// opens the one chosen, Escape closes the search.
class SidebarSearchField : public QLineEdit
{
    Q_OBJECT

public:
    explicit SidebarSearchField(QWidget *parent = nullptr);

    QSize sizeHint() const override;

Q_SIGNALS:
    // -1 for Up, +1 for Down.
    void moveRequested(int step);
    void openRequested();
    void closeRequested();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void paintEvent(QPaintEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();

    QAction *m_symbol = nullptr;
    QAction *m_clear = nullptr;
};
