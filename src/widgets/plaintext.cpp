#include "widgets/plaintext.h"

#include <QTextDocument>

using namespace Qt::StringLiterals;

namespace PlainText {

QString toolTip(const QString &text)
{
    if (!Qt::mightBeRichText(text))
        return text;
    return u"<p style=\"white-space:pre-wrap\">"_s + text.toHtmlEscaped() + u"</p>"_s;
}

QString menuText(QString text)
{
    return text.replace(u'&', u"&&"_s);
}

} // namespace PlainText
