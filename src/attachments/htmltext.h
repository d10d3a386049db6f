#pragma once

#include <QString>
#include <QStringView>

// The text a browser would show of an HTML page, for a model to read: never run, never
// fetching anything. Scripts, styles, the head and comments are dropped, block elements end
// their lines, character references are decoded and white space is collapsed as HTML does.
// A converter of its own rather than QTextDocument, which needs a QGuiApplication.
namespace HtmlText {

QString plainText(QStringView html);

} // namespace HtmlText
