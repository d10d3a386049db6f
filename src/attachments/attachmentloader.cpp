#include "attachments/attachmentloader.h"

#include "attachments/attachmentreader.h"
#include "attachments/attachmentthumbnail.h"

#include <QBuffer>
#include <QFileInfo>
#include <QFutureWatcher>
#include <QImage>
#include <QMimeData>
#include <QUrl>
#include <QtConcurrentRun>

#include <algorithm>
#include <array>

using namespace Qt::StringLiterals;

namespace {

// The image types a clipboard or a drop may carry as bytes, best first: taken as they are,
// they cost no encoding on the window's thread.
constexpr std::array imageFormats{"image/png", "image/jpeg", "image/webp", "image/gif",
                                  "image/bmp"};

} // namespace

AttachmentLoader::AttachmentLoader(QObject *parent)
    : QObject(parent)
{ }

AttachmentLoader::~AttachmentLoader() = default;

AttachmentLoader::Id AttachmentLoader::load(const Offered &offered)
{
    const Id id = ++m_next;
    // The watcher is a child: destroyed with the loader, it takes the result with it.
    auto *watcher = new QFutureWatcher<Result<Attachment, QString>>(this);
    connect(watcher, &QFutureWatcherBase::finished, this, [this, watcher, id] {
        const Result<Attachment, QString> read = watcher->result();
        watcher->deleteLater();
        if (read)
            Q_EMIT loaded(id, read.value());
        else
            Q_EMIT failed(id, read.error());
    });
    watcher->setFuture(QtConcurrent::run([offered] {
        Result<Attachment, QString> read = offered.path.isEmpty()
            ? AttachmentReader::read(offered.bytes, offered.name)
            : AttachmentReader::read(offered.path);
        // The chip's picture is made here too, so that showing it decodes nothing.
        if (read)
            AttachmentThumbnail::image(read.value(), AttachmentThumbnail::chipSide);
        return read;
    }));
    return id;
}

bool AttachmentLoader::offersFiles(const QMimeData &data)
{
    if (data.hasUrls()) {
        const QList<QUrl> urls = data.urls();
        if (std::any_of(urls.begin(), urls.end(),
                        [](const QUrl &url) { return url.isLocalFile(); }))
            return true;
    }
    return data.hasImage()
        || std::any_of(imageFormats.begin(), imageFormats.end(), [&data](const char *format) {
               return data.hasFormat(QString::fromLatin1(format));
           });
}

QList<AttachmentLoader::Offered> AttachmentLoader::offeredFiles(const QMimeData &data)
{
    QList<Offered> offered;
    if (data.hasUrls()) {
        for (const QUrl &url : data.urls()) {
            if (url.isLocalFile() && QFileInfo(url.toLocalFile()).isFile())
                offered.append({url.toLocalFile(), {}, {}});
        }
        if (!offered.isEmpty())
            return offered;
    }
    for (const char *format : imageFormats) {
        const QString type = QString::fromLatin1(format);
        if (data.hasFormat(type)) {
            const QString suffix = type.sliced(type.indexOf(u'/') + 1);
            return {{{}, data.data(type), u"Pasted image.%1"_s.arg(suffix)}};
        }
    }
    if (data.hasImage()) {
        // An image only in Qt's own form (another Qt application copied it).
        const QImage image = qvariant_cast<QImage>(data.imageData());
        QByteArray png;
        QBuffer buffer(&png);
        if (!image.isNull() && buffer.open(QIODevice::WriteOnly) && image.save(&buffer, "PNG"))
            return {{{}, png, u"Pasted image.png"_s}};
    }
    return {};
}
