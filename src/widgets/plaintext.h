#pragma once

#include <QString>

// Text from outside (a model's id, a chat's title, a web page's address) where Qt would read
// markup: a tooltip shows rich text whenever its first line holds something like a tag, and a
// menu item takes "&" for the start of a shortcut. These keep such text as it is.
namespace PlainText {

// `text` for setToolTip: unchanged unless Qt would take it for markup, then escaped.
QString toolTip(const QString &text);
// `text` for a menu item or button, every "&" shown as itself.
QString menuText(QString text);

} // namespace PlainText
