#pragma once

#include <QString>
#include <QWidget>

// Says something to a screen reader without moving the keyboard: the end of an answer, that
// the model thinks or that the web is searched. Qt before 6.8 has no announcement event, so
// each window holds a tiny notification that is shown again with the new text; screen
// readers (Orca among them) read a notification as it appears. It is one pixel, clear, and
// lets the pointer through.
class Announcer : public QWidget
{
    Q_OBJECT

public:
    // Announces `text` from the window of `widget`; nothing for empty text.
    static void announce(QWidget *widget, const QString &text);

private:
    explicit Announcer(QWidget *window);
};
