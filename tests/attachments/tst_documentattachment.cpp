#include "attachments/documentattachment.h"
#include "support/testregistry.h"

#include <QTest>

using namespace Qt::Literals::StringLiterals;

namespace {

// A PDF of one page per entry, each showing its text in Helvetica (a standard font, so the
// file needs no font of its own), with a correct cross-reference table. `encrypt` adds the
// standard security handler with a user password, which an empty password does not open.
QByteArray pdf(const QList<QByteArray> &pageTexts, bool encrypt = false)
{
    QList<QByteArray> objects;
    const qsizetype fontObject = 3 + 2 * pageTexts.size();
    QByteArray kids;
    for (qsizetype page = 0; page < pageTexts.size(); ++page)
        kids += QByteArray::number(3 + 2 * page) + " 0 R ";
    objects.append("<< /Type /Catalog /Pages 2 0 R >>");
    objects.append("<< /Type /Pages /Kids [" + kids + "] /Count "
                   + QByteArray::number(pageTexts.size()) + " >>");
    for (qsizetype page = 0; page < pageTexts.size(); ++page) {
        objects.append("<< /Type /Page /Parent 2 0 R /MediaBox [0 0 300 200] /Resources "
                       "<< /Font << /F1 "
                       + QByteArray::number(fontObject) + " 0 R >> >> /Contents "
                       + QByteArray::number(4 + 2 * page) + " 0 R >>");
        const QByteArray content = pageTexts[page].isEmpty()
            ? QByteArray()
            : "BT /F1 12 Tf 20 150 Td (" + pageTexts[page] + ") Tj ET";
        objects.append("<< /Length " + QByteArray::number(content.size()) + " >>\nstream\n"
                       + content + "\nendstream");
    }
    objects.append("<< /Type /Font /Subtype /Type1 /BaseFont /Helvetica >>");
    if (encrypt) {
        objects.append("<< /Filter /Standard /V 1 /R 2 /P -4 /O <" + QByteArray(64, 'a') + "> /U <"
                       + QByteArray(64, 'b') + "> >>");
    }

    QByteArray file = "%PDF-1.4\n";
    QList<qsizetype> offsets;
    for (qsizetype index = 0; index < objects.size(); ++index) {
        offsets.append(file.size());
        file += QByteArray::number(index + 1) + " 0 obj\n" + objects[index] + "\nendobj\n";
    }
    const qsizetype xref = file.size();
    file += "xref\n0 " + QByteArray::number(objects.size() + 1) + "\n0000000000 65535 f \n";
    for (const qsizetype offset : offsets)
        file += QByteArray::number(offset).rightJustified(10, '0') + " 00000 n \n";
    file += "trailer\n<< /Size " + QByteArray::number(objects.size() + 1) + " /Root 1 0 R";
    if (encrypt) {
        file += " /Encrypt " + QByteArray::number(objects.size()) + " 0 R /ID [<"
            + QByteArray(32, 'c') + "> <" + QByteArray(32, 'c') + ">]";
    }
    file += " >>\nstartxref\n" + QByteArray::number(xref) + "\n%%EOF\n";
    return file;
}

Attachment document(const QString &name, const QString &text)
{
    Attachment attachment;
    attachment.name = name;
    attachment.text = text;
    return attachment;
}

} // namespace

class TestDocumentAttachment : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typeFromContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("type");
        QTest::addColumn<bool>("document");

        const QByteArray png("\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\0\x01\0\0\0\x01\x08\x06\0\0\0", 25);
        QTest::newRow("PNG named .txt") << png << u"photo.txt"_s << u"image/png"_s << false;
        QTest::newRow("text named .png")
            << "just some words\n"_ba << u"words.png"_s << u"text/plain"_s << true;
        QTest::newRow("JSON") << "{\"a\": [1, 2]}\n"_ba << u"data.json"_s << u"application/json"_s
                              << true;
        QTest::newRow("CSV") << "a,b,c\n1,2,3\n"_ba << u"table.csv"_s << u"text/csv"_s << true;
        QTest::newRow("Markdown") << "# Title\n\nSome *text*\n"_ba << u"notes.md"_s
                                  << u"text/markdown"_s << true;
        QTest::newRow("HTML by its content")
            << "<!DOCTYPE html><html><body><p>x</p></body></html>"_ba << u"page"_s << u"text/html"_s
            << true;
        QTest::newRow("HTML fragment by its name")
            << "<p>hello <b>x</b></p>\n"_ba << u"part.html"_s << u"text/html"_s << true;
        QTest::newRow("XML") << "<?xml version=\"1.0\"?><r/>"_ba << u"data.xml"_s
                             << u"application/xml"_s << true;
        QTest::newRow("C++") << "#include <vector>\nclass A {};\n"_ba << u"a.cpp"_s
                             << u"text/x-c++src"_s << true;
        QTest::newRow("Python by its first line")
            << "#!/usr/bin/env python3\nprint(1)\n"_ba << u"tool"_s << u"text/x-python3"_s << true;
        QTest::newRow("shell script")
            << "#!/bin/sh\necho hi\n"_ba << u"run"_s << u"application/x-shellscript"_s << true;
        QTest::newRow("Rust") << "fn main() {}\n"_ba << u"main.rs"_s << u"text/rust"_s << true;
        QTest::newRow("empty file") << QByteArray() << u"empty"_s << u"text/plain"_s << true;
        QTest::newRow("PDF") << pdf({"x"}) << u"paper"_s << u"application/pdf"_s << true;
        QTest::newRow("SVG is an image") << "<svg xmlns=\"http://www.w3.org/2000/svg\"/>"_ba
                                         << u"drawing.txt"_s << u"image/svg+xml"_s << false;
        QTest::newRow("ZIP named .txt")
            << "PK\x03\x04\x14\0\0\0\0\0"_ba << u"archive.txt"_s << u"application/zip"_s << false;
        QTest::newRow("binary") << QByteArray("\x01\x02\x03\0\xff\xfe\x80\x81", 8) << u"x.md"_s
                                << u"application/octet-stream"_s << false;
    }

    void typeFromContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(QString, type);
        QFETCH(bool, document);
        QCOMPARE(DocumentAttachment::contentType(bytes, name), type);
        QCOMPARE(DocumentAttachment::accepts(type), document);
    }

    void refusal_data()
    {
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");

        QTest::newRow("ZIP") << u"application/zip"_s
                             << u"archive.zip is not a document or an image velm can read "
                                "(Zip archive)"_s;
        QTest::newRow("unknown") << u"application/octet-stream"_s
                                 << u"archive.zip is not a document or an image velm can read "
                                    "(data of an unknown type)"_s;
    }

    void refusal()
    {
        QFETCH(QString, type);
        QFETCH(QString, expected);
        QCOMPARE(DocumentAttachment::refusal(u"archive.zip"_s, type), expected);
    }

    void text_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");

        QTest::newRow("UTF-8") << "caf\xc3\xa9 \xf0\x9f\x98\x80\n"_ba << u"text/plain"_s
                               << u"café \U0001F600\n"_s;
        QTest::newRow("UTF-8 with a byte order mark")
            << "\xef\xbb\xbf# caf\xc3\xa9"_ba << u"text/markdown"_s << u"# café"_s;
        QTest::newRow("UTF-16 with a byte order mark")
            << QByteArray("\xff\xfeh\0\xe9\0", 6) << u"text/plain"_s << u"hé"_s;
        QTest::newRow("not UTF-8: Windows-1252")
            << "caf\xe9 \x93quoted\x94 \x80"_ba << u"text/plain"_s << u"café “quoted” €"_s;
        QTest::newRow("Windows line ends") << "a\r\nb\rc\n"_ba << u"text/csv"_s << u"a\nb\nc\n"_s;
        QTest::newRow("HTML, its text only")
            << "<html><head><title>T</title></head><body><p>Hi &amp; bye</p>"
               "<script>alert(1)</script></body></html>"_ba
            << u"text/html"_s << u"Hi & bye"_s;
        QTest::newRow("two-page PDF")
            << pdf({"First page text", "Second (page) text"}) << u"application/pdf"_s
            << u"--- Page 1 of 2 ---\nFirst page text\n\n--- Page 2 of 2 ---\nSecond (page) text"_s;
        QTest::newRow("one-page PDF, no page line")
            << pdf({"Only page"}) << u"application/pdf"_s << u"Only page"_s;
        QTest::newRow("PDF with a page without text")
            << pdf({"", "Second"}) << u"application/pdf"_s
            << u"--- Page 1 of 2 ---\n[no text on this page]\n\n--- Page 2 of 2 ---\nSecond"_s;
    }

    void text()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, type);
        QFETCH(QString, expected);
        const auto attachment = DocumentAttachment::prepare(bytes, u"file"_s, type);
        QVERIFY2(attachment.ok(), attachment.ok() ? "" : qPrintable(attachment.error()));
        QCOMPARE(attachment.value().text, expected);
        QCOMPARE(attachment.value().kind, Attachment::Kind::Document);
        QCOMPARE(attachment.value().size, bytes.size());
    }

    void refused_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("reason");

        QTest::newRow("binary data as text")
            << QByteArray("ab\xff\0cd", 6) << u"text/plain"_s
            << u"report.pdf is not text velm can read: it holds binary data"_s;
        QTest::newRow("damaged PDF") << "%PDF-1.4\n1 0 obj garbage"_ba << u"application/pdf"_s
                                     << u"report.pdf cannot be read: the PDF is damaged"_s;
        QTest::newRow("password-protected PDF")
            << pdf({"Secret"}, true) << u"application/pdf"_s
            << u"report.pdf is protected by a password, so velm cannot read it"_s;
        QTest::newRow("PDF without text")
            << pdf({"", ""}) << u"application/pdf"_s
            << u"report.pdf has no text to read: its pages are probably scanned images. "
               "Attach them as images instead"_s;
    }

    void refused()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, type);
        QFETCH(QString, reason);
        const auto attachment = DocumentAttachment::prepare(bytes, u"report.pdf"_s, type);
        QVERIFY(!attachment.ok());
        QCOMPARE(attachment.error(), reason);
    }

    void promptText_data()
    {
        QTest::addColumn<QList<Attachment>>("documents");
        QTest::addColumn<qsizetype>("maxCharacters");
        QTest::addColumn<QString>("expected");

        QTest::newRow("all in order")
            << QList{document(u"a.md"_s, u"alpha\n"_s), document(u"b.txt"_s, u"beta"_s)}
            << qsizetype(100) << u"a.md\n```\nalpha\n```\n\nb.txt\n```\nbeta\n```"_s;
        QTest::newRow("one cut, the next left out")
            << QList{document(u"a.md"_s, u"12345"_s), document(u"report.pdf"_s, u"abcdefgh"_s),
                     document(u"notes.md"_s, u"xyz"_s)}
            << qsizetype(9)
            << u"a.md\n```\n12345\n```\n\nreport.pdf\n```\nabcd\n```\n"
               "[report.pdf was cut after 4 of 8 characters]\n\n"
               "[notes.md was left out: the attachments are longer than 9 characters]"_s;
        QTest::newRow("figures grouped")
            << QList{document(u"big.txt"_s, QString(12345, u'x'))} << qsizetype(1000)
            << u"big.txt\n```\n"_s + QString(1000, u'x')
                + u"\n```\n[big.txt was cut after 1,000 of 12,345 characters]"_s;
        QTest::newRow("never half a surrogate pair")
            << QList{document(u"e.txt"_s, u"ab\U0001F600cd"_s)} << qsizetype(3)
            << u"e.txt\n```\nab\n```\n[e.txt was cut after 2 of 6 characters]"_s;
        QTest::newRow("a fence the content cannot close")
            << QList{document(u"r.md"_s, u"```\ncode\n```\n````x"_s)} << qsizetype(100)
            << u"r.md\n`````\n```\ncode\n```\n````x\n`````"_s;
        QTest::newRow("a name cannot break its line")
            << QList{document(u"a\nb.txt"_s, u"x"_s)} << qsizetype(100)
            << u"a b.txt\n```\nx\n```"_s;
    }

    void promptText()
    {
        QFETCH(QList<Attachment>, documents);
        QFETCH(qsizetype, maxCharacters);
        QFETCH(QString, expected);
        QCOMPARE(DocumentAttachment::promptText(documents, maxCharacters), expected);
    }
};

VELM_TEST_MAIN(TestDocumentAttachment)
#include "tst_documentattachment.moc"
