#include "attachments/documentattachment.h"

#include "attachments/htmltext.h"

#include <QCoreApplication>
#include <QLocale>
#include <QMimeDatabase>
#include <QRectF>
#include <QStringDecoder>

#include <poppler-qt6.h>

#include <algorithm>
#include <memory>

using namespace Qt::Literals::StringLiterals;

namespace DocumentAttachment {

namespace {

const QString pdfType = u"application/pdf"_s;

// Why a document's text cannot be read, told apart from the text by its type.
struct Refusal
{
    QString reason;
};

bool isHtml(const QMimeType &type)
{
    return type.inherits(u"text/html"_s) || type.inherits(u"application/xhtml+xml"_s);
}

// Lines end in "\n" alone: a model reads them the same, and "\r" would only cost characters.
QString withUnixLineEnds(QString text)
{
    text.replace(u"\r\n"_s, u"\n"_s);
    text.replace(u'\r', u'\n');
    return text;
}

// Text in the encoding its byte order mark names, else UTF-8. Text that is not valid UTF-8
// was most likely written on Windows in Western Europe, and Windows-1252 (a superset of
// Latin-1 for what is printable) reads it right; any other code page comes out readable for
// its ASCII and wrong only in its accented letters, which beats refusing the file. A NUL byte
// means binary data, not text in an unexpected encoding.
Result<QString, Refusal> decodeText(const QByteArray &bytes, const QString &name)
{
    if (const auto encoding = QStringConverter::encodingForData(bytes)) {
        QStringDecoder decoder(*encoding);
        return withUnixLineEnds(decoder.decode(bytes));
    }
    QStringDecoder utf8(QStringConverter::Utf8);
    QString text = utf8.decode(bytes);
    if (!utf8.hasError())
        return withUnixLineEnds(std::move(text));
    if (bytes.contains('\0'))
        return Refusal{
            QCoreApplication::translate("DocumentAttachment",
                                        "%1 is not text velm can read: it holds binary data")
                .arg(name)};
    QStringDecoder windows("windows-1252");
    if (!windows.isValid())
        windows = QStringDecoder(QStringConverter::Latin1);
    return withUnixLineEnds(windows.decode(bytes));
}

// Poppler reports each fault of a damaged file on the console; the refusal says it once.
void silencePoppler()
{
    static const bool silenced = [] {
        Poppler::setDebugErrorFunction([](const QString &, const QVariant &) {}, QVariant());
        return true;
    }();
    Q_UNUSED(silenced);
}

// Poppler lays the text out with spaces as the page places it; the indent of centred titles
// and margins would cost the model's characters and tell it nothing.
QString trimmedLines(const QString &text)
{
    QStringList lines = withUnixLineEnds(text).split(u'\n');
    for (QString &line : lines)
        line = line.trimmed();
    return lines.join(u'\n').trimmed();
}

// The text of every page, each under a line "--- Page 2 of 5 ---" when there are several,
// so that the model can say where something stands.
Result<QString, Refusal> pdfText(const QByteArray &bytes, const QString &name)
{
    silencePoppler();
    const std::unique_ptr<Poppler::Document> document = Poppler::Document::loadFromData(bytes);
    if (!document)
        return Refusal{QCoreApplication::translate("DocumentAttachment",
                                                   "%1 cannot be read: the PDF is damaged")
                           .arg(name)};
    if (document->isLocked())
        return Refusal{
            QCoreApplication::translate("DocumentAttachment",
                                        "%1 is protected by a password, so velm cannot read it")
                .arg(name)};
    const int pageCount = document->numPages();
    if (pageCount <= 0)
        return Refusal{QCoreApplication::translate("DocumentAttachment",
                                                   "%1 cannot be read: the PDF is damaged")
                           .arg(name)};

    QStringList pages;
    bool anyText = false;
    for (int index = 0; index < pageCount; ++index) {
        const std::unique_ptr<Poppler::Page> page(document->page(index));
        QString text = page ? trimmedLines(page->text(QRectF())) : QString();
        anyText = anyText || !text.isEmpty();
        if (pageCount == 1) {
            pages.append(text);
            break;
        }
        // A page of a figure or a scan, said so, rather than a gap the model might misread.
        if (text.isEmpty())
            text = u"[no text on this page]"_s;
        pages.append(u"--- Page %1 of %2 ---\n%3"_s.arg(index + 1).arg(pageCount).arg(text));
    }
    if (!anyText) {
        return Refusal{u"%1 has no text to read: its pages are probably scanned images. Attach "
                       "them as images instead"_s.arg(name)};
    }
    return pages.join(u"\n\n"_s);
}

// A name that cannot break the line it heads.
QString shownName(const QString &name)
{
    QString shown = name;
    for (QChar &c : shown) {
        if (c.category() == QChar::Other_Control || c == QChar::LineSeparator
            || c == QChar::ParagraphSeparator)
            c = u' ';
    }
    return shown;
}

// A backtick fence longer than any run of backticks in the text, which therefore cannot end
// the block early.
QString fenceFor(const QString &text)
{
    qsizetype longest = 0;
    qsizetype run = 0;
    for (const QChar c : text) {
        run = c == u'`' ? run + 1 : 0;
        longest = std::max(longest, run);
    }
    return QString(std::max<qsizetype>(3, longest + 1), u'`');
}

QString fenced(const QString &name, const QString &text)
{
    const QString fence = fenceFor(text);
    const bool endsLine = text.isEmpty() || text.endsWith(u'\n');
    return name + u'\n' + fence + u'\n' + text + (endsLine ? QString() : u"\n"_s) + fence;
}

// "12,345": the notes are English, like the rest of what velm tells the model.
QString count(qsizetype number)
{
    return QLocale(QLocale::English, QLocale::UnitedStates).toString(number);
}

} // namespace

QString contentType(const QByteArray &bytes, const QString &name)
{
    const QMimeDatabase database;
    QMimeType type = database.mimeTypeForData(bytes);
    if (bytes.isEmpty())
        type = database.mimeTypeForName(u"text/plain"_s);
    if (!type.inherits(u"text/plain"_s))
        return type.name();
    // "#include" says C, the name says C++; "<p>" alone says nothing, ".html" says HTML.
    const QMimeType named = database.mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    if (named.inherits(type.name()) && !named.name().startsWith(u"image/"_s))
        return named.name();
    return type.name();
}

bool accepts(const QString &mimeType)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    if (!type.isValid())
        return mimeType.startsWith(u"text/"_s);
    if (type.name().startsWith(u"image/"_s))
        return false;
    return type.name() == pdfType || type.inherits(u"text/plain"_s);
}

QString refusal(const QString &name, const QString &mimeType)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    QString described = type.isValid() ? type.comment() : mimeType;
    if (!type.isValid() || type.isDefault() || described.isEmpty())
        described = QCoreApplication::translate("DocumentAttachment", "data of an unknown type");
    //: %1 is the file's name, %2 the kind of file it is
    return QCoreApplication::translate("DocumentAttachment",
                                       "%1 is not a document or an image velm can read (%2)")
        .arg(name, described);
}

Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType)
{
    const QMimeType type = QMimeDatabase().mimeTypeForName(mimeType);
    Result<QString, Refusal> text = QString();
    if (type.isValid() && type.name() == pdfType) {
        text = pdfText(bytes, name);
    } else {
        text = decodeText(bytes, name);
        if (text.ok() && type.isValid() && isHtml(type))
            text = HtmlText::plainText(text.value());
    }
    if (!text.ok())
        return text.error().reason;

    Attachment attachment;
    attachment.kind = Attachment::Kind::Document;
    attachment.name = name;
    attachment.mimeType = mimeType;
    attachment.size = bytes.size();
    attachment.data = bytes;
    attachment.dataMimeType = mimeType;
    attachment.text = std::move(text).value();
    return attachment;
}

QString promptText(const QList<Attachment> &documents, qsizetype maxCharacters)
{
    QStringList blocks;
    qsizetype left = std::max<qsizetype>(0, maxCharacters);
    for (const Attachment &document : documents) {
        if (document.kind != Attachment::Kind::Document)
            continue;
        const QString name = shownName(document.name);
        const qsizetype length = document.text.size();
        if (length <= left) {
            blocks.append(fenced(name, document.text));
            left -= length;
            continue;
        }
        qsizetype cut = left;
        // Never half of a character outside the Basic Multilingual Plane.
        if (cut > 0 && document.text.at(cut - 1).isHighSurrogate())
            --cut;
        left = 0;
        if (cut == 0) {
            blocks.append(u"[%1 was left out: the attachments are longer than %2 characters]"_s.arg(
                name, count(maxCharacters)));
            continue;
        }
        blocks.append(
            fenced(name, document.text.left(cut)) + u'\n'
            + u"[%1 was cut after %2 of %3 characters]"_s.arg(name, count(cut), count(length)));
    }
    return blocks.join(u"\n\n"_s);
}

} // namespace DocumentAttachment
