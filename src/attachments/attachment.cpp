#include "attachments/attachment.h"

#include <QCryptographicHash>

QString Attachment::dataUrl() const
{
    return QStringLiteral("data:") + dataMimeType + QStringLiteral(";base64,")
        + QString::fromLatin1(data.toBase64());
}

bool Attachment::setDataUrl(QByteArrayView url)
{
    constexpr QByteArrayView scheme = "data:";
    constexpr QByteArrayView base64 = ";base64,";
    const qsizetype comma = url.indexOf(',');
    if (!url.startsWith(scheme) || comma < 0)
        return false;
    const QByteArrayView header = url.first(comma + 1);
    if (header.size() < scheme.size() + base64.size() || !header.endsWith(base64))
        return false;
    QByteArray::FromBase64Result decoded = QByteArray::fromBase64Encoding(
        url.sliced(comma + 1).toByteArray(), QByteArray::AbortOnBase64DecodingErrors);
    if (!decoded)
        return false;
    dataMimeType = QString::fromUtf8(
        header.sliced(scheme.size(), header.size() - scheme.size() - base64.size()));
    data = std::move(decoded.decoded);
    return true;
}

QString Attachment::kindName(Kind kind)
{
    return kind == Kind::Image ? QStringLiteral("image") : QStringLiteral("document");
}

std::optional<Attachment::Kind> Attachment::kindFromName(QStringView name)
{
    if (name == u"image")
        return Kind::Image;
    if (name == u"document")
        return Kind::Document;
    return std::nullopt;
}

QString Attachment::contentHash() const
{
    QCryptographicHash sha(QCryptographicHash::Sha256);
    sha.addData(kind == Kind::Image ? QByteArrayView("image\n") : QByteArrayView("document\n"));
    sha.addData(dataMimeType.toUtf8() + '\n');
    // The length first, so that no split between data and text hashes like another.
    sha.addData(QByteArray::number(data.size()) + '\n');
    sha.addData(data);
    sha.addData(text.toUtf8());
    return QString::fromLatin1(sha.result().toHex());
}
