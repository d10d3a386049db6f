#pragma once

#include <QStringList>

class QWidget;

// What a screen reader and a keyboard meet in a window, for the tests of each screen.
namespace KeyboardAudit {

// Everything a screen reader would stumble on among the shown objects of window's accessible
// tree: a control without a name, a keyboard stop that says nothing of what it is, a message
// without its text, a hidden widget that reports itself shown. One line per problem, naming
// the object, so that a failing comparison with an empty list says what to fix.
QStringList accessibilityProblems(QWidget *window);

// The names of the widgets the keyboard visits when Tab is pressed from the current focus
// (the focus widget's accessible name, or its class when it has none), until the focus comes
// back to where it started or after maxSteps presses. The starting widget comes first.
QStringList tabOrder(int maxSteps = 40, bool backwards = false);

// The focused widget's accessible name, or its class and object name when it has none.
QString focusName();

// What the windows say to a screen reader while it lives (the notifications the app shows
// to announce an answer or a state), in order.
class Announcements
{
public:
    Announcements();
    ~Announcements();
    Announcements(const Announcements &) = delete;
    Announcements &operator=(const Announcements &) = delete;

    QStringList texts() const;
};

} // namespace KeyboardAudit
