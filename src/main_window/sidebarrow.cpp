#include "main_window/sidebarrow.h"

#include "base/textutil.h"

using namespace Qt::StringLiterals;

namespace {

// Far more than a 240-pixel column shows; the rest is elided when drawn anyway.
constexpr qsizetype maximumTitleLength = 160;

} // namespace

QList<SidebarRow> SidebarRow::fromGroups(const QList<SidebarGroup> &groups)
{
    QList<SidebarRow> rows;
    if (groups.isEmpty())
        return rows;
    bool first = true;
    for (const SidebarGroup &group : groups) {
        rows.append({Kind::Header, u"header:"_s + group.label, group.label.toUpper(), {}, first});
        first = false;
        for (const ChatSession &session : group.sessions)
            rows.append({Kind::Session, u"session:"_s + session.id.toString(QUuid::WithoutBraces),
                         oneLine(session.title()), session.id, false});
    }
    return rows;
}

QString SidebarRow::oneLine(const QString &title)
{
    // No title this short in code units can be longer in characters.
    QString line = title.size() > maximumTitleLength
        ? TextUtil::leftGraphemes(title, maximumTitleLength)
        : title;
    for (QChar &c : line) {
        if (c == u'\n' || c == u'\r' || c == u'\t' || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return line.trimmed();
}
