#include "attachments/attachmentreader.h"
#include "attachments/documentattachment.h"
#include "cli/askhome.h"
#include "support/testregistry.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTest>

using namespace Qt::StringLiterals;

namespace {

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray png(QColor colour)
{
    QImage image(32, 24, QImage::Format_RGB32);
    image.fill(colour);
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, "PNG");
    return bytes;
}

// The user's message of the last streamed request, as the server received it.
QByteArray lastUserMessage(FakeModelServer &model)
{
    for (qsizetype i = model.http().requests().size() - 1; i >= 0; --i) {
        const FakeRequest &request = model.http().requests().at(i);
        if (request.path() != u"/v1/chat/completions"_s)
            continue;
        const QJsonArray messages
            = QJsonDocument::fromJson(request.body).object().value(u"messages").toArray();
        return QJsonDocument(QJsonArray{messages.last()}).toJson(QJsonDocument::Compact);
    }
    return {};
}

} // namespace

// `velm ask --attach`: files read and checked before anything is sent, and sent in the
// OpenAI content-parts form.
class TestAskAttach : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void sentAsContentParts_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<QByteArray>("message"); // %IMAGE1%, %IMAGE2%, %DOCUMENTS%

        QTest::newRow("no attachment: a plain string as before")
            << QStringList() << QByteArray(R"([{"content":"What is this?","role":"user"}])");
        QTest::newRow("one image")
            << QStringList{u"red.png"_s}
            << QByteArray(R"([{"content":[{"text":"What is this?","type":"text"},)"
                          R"({"image_url":{"url":"%IMAGE1%"},"type":"image_url"}],)"
                          R"("role":"user"}])");
        QTest::newRow("two images and a document")
            << QStringList{u"red.png"_s, u"notes.md"_s, u"blue.png"_s}
            << QByteArray(R"([{"content":[{"text":"What is this?%DOCUMENTS%","type":"text"},)"
                          R"({"image_url":{"url":"%IMAGE1%"},"type":"image_url"},)"
                          R"({"image_url":{"url":"%IMAGE2%"},"type":"image_url"}],)"
                          R"("role":"user"}])");
        QTest::newRow("a document alone: still a plain string")
            << QStringList{u"notes.md"_s}
            << QByteArray(R"([{"content":"What is this?%DOCUMENTS%","role":"user"}])");
    }

    void sentAsContentParts()
    {
        QFETCH(QStringList, files);
        QFETCH(QByteArray, message);
        AskHome s;
        QVERIFY(s.listening);
        s.model.setStream({u"Colours."_s});
        QVERIFY(writeFile(s.home.path() + u"/red.png"_s, png(Qt::red)));
        QVERIFY(writeFile(s.home.path() + u"/blue.png"_s, png(Qt::blue)));
        QVERIFY(writeFile(s.home.path() + u"/notes.md"_s, "# Notes\n\nBuy \"milk\".\n"));
        QStringList arguments;
        for (const QString &file : files)
            arguments += {u"--attach"_s, s.home.path() + u'/' + file};

        const VelmRun run
            = s.home.run(s.arguments(u"never"_s, arguments + QStringList{u"What is this?"_s}));
        QCOMPARE(run.errText(), QString());
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(run.outText(), u"Colours.\n"_s);

        // The images as they are prepared, the documents as they are written into the text.
        const auto attached = [&s](const QString &name) {
            return AttachmentReader::read(s.home.path() + u'/' + name).value();
        };
        const QByteArray documents
            = QJsonDocument(
                  QJsonArray{u"\n\n"_s + DocumentAttachment::promptText({attached(u"notes.md"_s)})})
                  .toJson(QJsonDocument::Compact)
                  .chopped(2)
                  .mid(2);
        message.replace("%IMAGE1%", attached(u"red.png"_s).dataUrl().toLatin1());
        message.replace("%IMAGE2%", attached(u"blue.png"_s).dataUrl().toLatin1());
        message.replace("%DOCUMENTS%", documents);
        QCOMPARE(lastUserMessage(s.model), message);
    }

    void refusedBeforeAnythingIsSent_data()
    {
        QTest::addColumn<QStringList>("files");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QString>("message");

        QTest::newRow("missing") << QStringList{u"gone.png"_s} << 2
                                 << u"velm ask: gone.png could not be read"_s;
        QTest::newRow("an archive") << QStringList{u"red.png"_s, u"archive.zip"_s} << 2
                                    << u"velm ask: archive.zip is not a document or an image"_s;
        QTest::newRow("eleven") << QStringList(11, u"red.png"_s) << 2
                                << u"velm ask: at most 10 files can be attached"_s;
    }

    void refusedBeforeAnythingIsSent()
    {
        QFETCH(QStringList, files);
        QFETCH(int, exitCode);
        QFETCH(QString, message);
        AskHome s;
        QVERIFY(s.listening);
        QVERIFY(writeFile(s.home.path() + u"/red.png"_s, png(Qt::red)));
        QVERIFY(
            writeFile(s.home.path() + u"/archive.zip"_s,
                      QByteArray("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10) + QByteArray(64, 1)));
        QStringList arguments;
        for (const QString &file : files)
            arguments += {u"--attach"_s, s.home.path() + u'/' + file};

        const VelmRun run = s.home.run(s.arguments(u"never"_s, arguments + QStringList{u"Hi"_s}));
        QCOMPARE(run.exitCode, exitCode);
        QCOMPARE(run.outText(), QString());
        QVERIFY2(run.errText().startsWith(message), run.err.constData());
        QCOMPARE(s.model.http().requests().size(), 0);
    }

    // llama.cpp without a projector refuses images with a 500 and its reason in JSON.
    void textOnlyModelSaysWhy()
    {
        AskHome s;
        QVERIFY(s.listening);
        FakeResponse refusal = FakeResponse::json(
            R"({"error":{"code":500,"message":"image input is not supported - hint: if this is )"
            R"(unexpected, you may need to provide the mmproj","type":"server_error"}})");
        refusal.status = 500;
        s.model.setStreamResponse(refusal);
        QVERIFY(writeFile(s.home.path() + u"/red.png"_s, png(Qt::red)));

        const VelmRun run = s.home.run(s.arguments(
            u"never"_s, {u"--attach"_s, s.home.path() + u"/red.png"_s, u"What is this?"_s}));
        QCOMPARE(run.exitCode, 1);
        QCOMPARE(run.errText(),
                 u"velm: image input is not supported - hint: if this is unexpected, you may "
                 "need to provide the mmproj. This model may not accept images.\n"_s);
    }
};

VELM_TEST_MAIN(TestAskAttach)
#include "tst_askattach.moc"
