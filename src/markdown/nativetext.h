#pragma once

#include "markdown/mdspan.h"

#include <QString>

// How inline code and links look in native text; colours are "#rrggbb" names.
struct NativeTextStyle
{
    QString accentColor;
    QString codeFontFamily;
    int codePixelSize = 13;
};

// Qt rich text for the blocks drawn natively (no math). Every span's text is escaped, so an
// answer holding "<b>", "<img src=…>" or "&amp;" shows exactly those characters. Links are
// styled but carry no anchor: native text is not clickable.
namespace NativeText {

QString spansHTML(const QList<MDSpan> &spans, const NativeTextStyle &style);

} // namespace NativeText
