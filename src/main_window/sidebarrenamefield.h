#pragma once

#include <QLineEdit>

// The field that replaces a conversation's title while it is renamed: plain, without a
// frame, placeholder "Chat name". Return submits it and Escape cancels it; both end the
// rename, so it takes those keys before any shortcut of the window can.
class SidebarRenameField : public QLineEdit
{
    Q_OBJECT

public:
    explicit SidebarRenameField(QWidget *parent = nullptr);

Q_SIGNALS:
    void submitted();
    void cancelled();

protected:
    bool event(QEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    void applyColors();
};
