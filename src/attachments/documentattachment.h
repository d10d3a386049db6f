#pragma once

#include "attachments/attachment.h"
#include "base/result.h"

#include <QByteArray>
#include <QList>
#include <QString>

// Documents as text for the model: plain text, Markdown, source code, CSV, JSON, XML, HTML
// (its text only) and PDF (its text, page by page).
namespace DocumentAttachment {

// How much of the attachments' text goes into one question, in characters.
constexpr qsizetype defaultMaxCharacters = 100000;

// The type of a file from its content, as accepts() and prepare() take it. The name only
// says which kind of text a text is (Markdown, CSV, JSON, C++ rather than C, HTML without a
// tag the content alone would show): it never makes text of an image or a binary, nor the
// reverse. An empty file is text.
QString contentType(const QByteArray &bytes, const QString &name);

// Whether a file of this type (found from its content) is read as a document: any text type
// (every type the MIME database derives from text/plain: source code, scripts, CSV, JSON,
// XML, HTML, Markdown…) and PDF. Images are never documents, not even SVG, so that a file
// is one or the other.
bool accepts(const QString &mimeType);

// Why a file that is neither a document nor an image is not attached, naming its type:
// "archive.zip is not a document or an image velm can read (Zip archive)".
QString refusal(const QString &name, const QString &mimeType);

// The document in `bytes` as an attachment of kind Document; why not when its text cannot
// be read (a binary file, a damaged or password-protected PDF, a PDF without text). A PDF of
// several pages has each under a line "--- Page 2 of 5 ---".
Result<Attachment, QString> prepare(const QByteArray &bytes, const QString &name,
                                    const QString &mimeType);

// What the documents add to the user's message: each in a fenced block under its name, in
// order. Their text is held to `maxCharacters` in all: the document that crosses the limit
// is cut there and those after it are left out, each with a note saying so.
QString promptText(const QList<Attachment> &documents,
                   qsizetype maxCharacters = defaultMaxCharacters);

} // namespace DocumentAttachment
