#pragma once

#include "markdown/mdspan.h"

#include <QString>
#include <QStringList>
#include <QStringView>

// How inline code and links look in native text; colours are "#rrggbb" names.
struct NativeTextStyle
{
    QString accentColor;
    QString codeFontFamily;
    int codePixelSize = 13;
};

// Qt rich text for a block's text. Every span's text is escaped, so an answer holding "<b>",
// "<img src=…>" or "&amp;" shows exactly those characters. Links are styled but carry no
// anchor: native text is not clickable. A formula is an image named formulaImageName(n), the
// n-th of formulas(), which the view draws in its place; no model text can make one.
namespace NativeText {

// "&" first, then "<", ">", the double quote and the apostrophe, so nothing is escaped twice.
QString htmlEscape(QStringView text);

QString spansHTML(const QList<MDSpan> &spans, const NativeTextStyle &style);

// The TeX of each formula among `spans`, in order.
QStringList formulas(const QList<MDSpan> &spans);
QString formulaImageName(qsizetype index);
// The index an image name stands for, or -1 for any other name.
qsizetype formulaIndex(QStringView imageName);

} // namespace NativeText
