#pragma once

// What a screen reader hears of the conversation: the message list is a list, each message
// an item that names who spoke ("You", "velm") and carries its whole text (an answer's
// Markdown as plain text, formulas as their TeX source, code introduced with its language),
// readable through the text interface as well as its description. The list holds every
// message of the chat, those whose rows are not built as items made from the message.
namespace MessageAccessibility {

// Installs the interfaces, once; the rows and the list call it as they are made.
void install();

} // namespace MessageAccessibility
