#include "markdown/markdownplaintext.h"

#include "markdown/markdownparser.h"

#include <QCoreApplication>
#include <QStringList>

using namespace Qt::StringLiterals;

namespace MarkdownPlainText {

namespace {

QString spansText(const QList<MDSpan> &spans)
{
    QString text;
    for (const MDSpan &span : spans)
        text += span.text();
    return text;
}

} // namespace

QString fromMarkdown(const QString &markdown)
{
    QStringList lines;
    for (const MDBlock &block : MarkdownParser::parseBlocks(markdown)) {
        switch (block.kind()) {
        case MDBlock::Kind::Paragraph:
        case MDBlock::Kind::Heading:
        case MDBlock::Kind::Blockquote:
            lines.append(spansText(block.spans()));
            break;
        case MDBlock::Kind::ListItem:
            lines.append(block.marker() + u' ' + spansText(block.spans()));
            break;
        case MDBlock::Kind::CodeBlock:
            //: Read by screen readers before a block of code; %1 is its language
            lines.append(block.language().isEmpty()
                             ? QCoreApplication::translate("MarkdownPlainText", "Code:")
                             : QCoreApplication::translate("MarkdownPlainText", "Code (%1):")
                                   .arg(block.language()));
            lines.append(block.code());
            break;
        case MDBlock::Kind::MathBlock:
            lines.append(block.latex());
            break;
        case MDBlock::Kind::Divider:
            break;
        }
    }
    return lines.join(u'\n');
}

} // namespace MarkdownPlainText
