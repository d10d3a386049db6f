#pragma once

#include <QAccessible>
#include <QRect>
#include <QString>

class QWidget;

// What a custom-painted row of choices (the settings window's tabs, a segmented picker) tells
// assistive technology: the row is one object with a child per choice, each with its name,
// its place, whether it is the chosen one, and a press action. Without it a screen reader
// finds a single unnamed block. The widget derives from this beside QWidget.
class AccessibleChoices
{
public:
    virtual ~AccessibleChoices() = default;

    virtual int choiceCount() const = 0;
    virtual QString choiceName(int index) const = 0;
    // In the widget's coordinates.
    virtual QRect choiceRect(int index) const = 0;
    // -1 when none is chosen.
    virtual int currentChoice() const = 0;
    // As the user's click on it.
    virtual void pickChoice(int index) = 0;

    // Every widget of class `className` (as its Q_OBJECT names it, and deriving from this)
    // becomes a `role` whose choices have `choiceRole`: PageTabList and PageTab, or Grouping
    // and RadioButton.
    static void install(const char *className, QAccessible::Role role,
                        QAccessible::Role choiceRole);
    // Says that the chosen one changed, so that a screen reader on the row reads the new one.
    static void notifyChosen(QWidget *widget);
};
