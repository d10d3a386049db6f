#include "attachments/attachmentreader.h"
#include "attachments/imageattachment.h"
#include "support/testregistry.h"

#include <QBuffer>
#include <QImage>
#include <QTest>
#include <QtEndian>

using namespace Qt::StringLiterals;

namespace {

QByteArray encoded(const QImage &image, const char *format)
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    image.save(&buffer, format);
    return bytes;
}

QImage filled(int width, int height, QColor colour, QImage::Format format = QImage::Format_RGB32)
{
    QImage image(width, height, format);
    image.fill(colour);
    return image;
}

quint32 crc32(QByteArrayView bytes)
{
    quint32 crc = 0xffffffff;
    for (const char byte : bytes) {
        crc ^= quint8(byte);
        for (int bit = 0; bit < 8; ++bit)
            crc = (crc >> 1) ^ (0xedb88320 & (0 - (crc & 1)));
    }
    return ~crc;
}

QByteArray pngChunk(const QByteArray &type, const QByteArray &data)
{
    QByteArray chunk(4, '\0');
    qToBigEndian(quint32(data.size()), chunk.data());
    QByteArray crc(4, '\0');
    qToBigEndian(crc32(type + data), crc.data());
    return chunk + type + data + crc;
}

// A PNG of a few bytes whose header claims `width` × `height` pixels, as a decompression
// bomb does.
QByteArray claimedPng(quint32 width, quint32 height)
{
    QByteArray header(8, '\0');
    qToBigEndian(width, header.data());
    qToBigEndian(height, header.data() + 4);
    header += QByteArray("\x08\x02\x00\x00\x00", 5); // 8-bit RGB
    return QByteArray("\x89PNG\r\n\x1a\n", 8) + pngChunk("IHDR", header)
        + pngChunk("IDAT", qCompress(QByteArray(64, '\0')).mid(4)) + pngChunk("IEND", {});
}

} // namespace

class TestImageAttachment : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void typeComesFromTheContent_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("name");
        QTest::addColumn<bool>("image");
        QTest::addColumn<QString>("mimeType");

        const QByteArray png = encoded(filled(8, 8, Qt::red), "PNG");
        QTest::newRow("a PNG named .txt") << png << u"notes.txt"_s << true << u"image/png"_s;
        QTest::newRow("a text named .png")
            << QByteArray("just some words\n") << u"photo.png"_s << false << u"text/plain"_s;
        QTest::newRow("JPEG") << encoded(filled(8, 8, Qt::blue), "JPEG") << u"a"_s << true
                              << u"image/jpeg"_s;
        QTest::newRow("WebP") << encoded(filled(8, 8, Qt::green), "WEBP") << u"b.webp"_s << true
                              << u"image/webp"_s;
        QTest::newRow("BMP") << encoded(filled(8, 8, Qt::gray), "BMP") << u"c.bmp"_s << true
                             << u"image/bmp"_s;
    }

    void typeComesFromTheContent()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, name);
        QFETCH(bool, image);
        QFETCH(QString, mimeType);
        const Result<Attachment, QString> read = AttachmentReader::read(bytes, name);
        QVERIFY2(read, read ? "" : qPrintable(read.error()));
        QCOMPARE(read.value().kind == Attachment::Kind::Image, image);
        QCOMPARE(read.value().mimeType, mimeType);
        QCOMPARE(read.value().name, name);
        QCOMPARE(read.value().size, bytes.size());
    }

    void unknownBinaryIsRefusedByItsType()
    {
        const QByteArray zip("PK\x03\x04\x14\x00\x00\x00\x08\x00", 10);
        const Result<Attachment, QString> read
            = AttachmentReader::read(zip + QByteArray(64, '\x01'), u"archive.bin"_s);
        QVERIFY(!read);
        QVERIFY2(read.error().startsWith(u"archive.bin is not a document or an image"_s),
                 qPrintable(read.error()));
        QVERIFY2(read.error().contains(u"Zip"_s, Qt::CaseInsensitive), qPrintable(read.error()));
    }

    void decompressionBombIsRefused()
    {
        const Result<Attachment, QString> read
            = AttachmentReader::read(claimedPng(100000, 100000), u"bomb.png"_s);
        QVERIFY(!read);
        QVERIFY2(read.error().startsWith(u"bomb.png is too large to open"_s),
                 qPrintable(read.error()));
    }

    void preparedForSending_data()
    {
        QTest::addColumn<QImage>("image");
        QTest::addColumn<QSize>("sent");
        QTest::addColumn<QString>("type");

        QTest::newRow("small and opaque: JPEG, as it is")
            << filled(640, 480, Qt::darkCyan) << QSize(640, 480) << u"image/jpeg"_s;
        QTest::newRow("a photo's size: scaled to 2048 on the longer side")
            << filled(4000, 3000, Qt::darkCyan) << QSize(2048, 1536) << u"image/jpeg"_s;
        QTest::newRow("tall") << filled(1000, 5000, Qt::darkCyan) << QSize(409, 2048)
                              << u"image/jpeg"_s;
        QImage transparent = filled(300, 200, Qt::transparent, QImage::Format_ARGB32);
        QTest::newRow("transparency kept: PNG") << transparent << QSize(300, 200) << u"image/png"_s;
        QTest::newRow("an alpha channel, all opaque: JPEG")
            << filled(300, 200, Qt::red, QImage::Format_ARGB32) << QSize(300, 200)
            << u"image/jpeg"_s;
    }

    void preparedForSending()
    {
        QFETCH(QImage, image);
        QFETCH(QSize, sent);
        QFETCH(QString, type);
        const Result<Attachment, QString> read
            = AttachmentReader::read(encoded(image, "PNG"), u"shot.png"_s);
        QVERIFY2(read, read ? "" : qPrintable(read.error()));
        const Attachment &attachment = read.value();
        QCOMPARE(attachment.dataMimeType, type);
        QVERIFY(attachment.dataUrl().startsWith(u"data:"_s + type + u";base64,"_s));
        const QImage decoded = QImage::fromData(attachment.data);
        QCOMPARE(decoded.size(), sent);
        if (type == u"image/png"_s)
            QCOMPARE(qAlpha(decoded.pixel(0, 0)), 0);
    }
};

VELM_TEST_MAIN(TestImageAttachment)
#include "tst_imageattachment.moc"
