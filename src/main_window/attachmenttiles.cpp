#include "main_window/attachmenttiles.h"

#include "attachments/attachmentthumbnail.h"
#include "widgets/appcolors.h"
#include "widgets/plaintext.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QAbstractButton>
#include <QCoreApplication>
#include <QDesktopServices>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <QScreen>
#include <QScrollArea>
#include <QStandardPaths>
#include <QUrl>
#include <QVBoxLayout>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int pictureHeight = 120;
constexpr int pictureMaxWidth = 200;
constexpr int documentWidth = 200;
constexpr int documentHeight = 52;
constexpr int spacing = 6;
constexpr int radius = 12;

class AttachmentTile : public QAbstractButton
{
public:
    AttachmentTile(const Attachment &attachment, QWidget *parent)
        : QAbstractButton(parent)
        , m_attachment(attachment)
    {
        setFocusPolicy(Qt::TabFocus);
        setCursor(Qt::PointingHandCursor);
        setFont(TypeStyles::font(TypeStyle::Caption));
        const bool image = attachment.kind == Attachment::Kind::Image;
        //: %1 is the file's name, %2 its size
        setAccessibleName(
            image ? QCoreApplication::translate("AttachmentTiles", "Image %1").arg(attachment.name)
                  : QCoreApplication::translate("AttachmentTiles", "Document %1, %2")
                        .arg(attachment.name, QLocale().formattedDataSize(attachment.size)));
        setAccessibleDescription(
            image ? QCoreApplication::translate("AttachmentTiles", "Opens the image")
                  : QCoreApplication::translate("AttachmentTiles", "Opens the document"));
        setToolTip(PlainText::toolTip(attachment.name));
        if (image) {
            const qreal ratio = devicePixelRatioF();
            m_picture = AttachmentThumbnail::image(attachment,
                                                   int(pictureMaxWidth * std::max(2.0, ratio)));
        }
        setFixedSize(sizeHint());
    }

    QSize sizeHint() const override
    {
        if (m_attachment.kind == Attachment::Kind::Document)
            return {documentWidth, documentHeight};
        if (m_picture.isNull())
            return {pictureHeight, pictureHeight};
        const QSize scaled
            = m_picture.size().scaled(pictureMaxWidth, pictureHeight, Qt::KeepAspectRatio);
        return {std::max(48, scaled.width()), std::max(48, scaled.height())};
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::SmoothPixmapTransform);
        const bool dark = AppColors::isDark(this);
        const QRectF bounds = QRectF(rect()).adjusted(1, 1, -1, -1);
        QPainterPath shape;
        shape.addRoundedRect(bounds, radius, radius);
        painter.fillPath(shape, dark ? QColor(255, 255, 255, 16) : QColor(0, 0, 0, 10));
        if (m_attachment.kind == Attachment::Kind::Image && !m_picture.isNull()) {
            painter.save();
            painter.setClipPath(shape);
            const QSizeF size
                = QSizeF(m_picture.size()).scaled(bounds.size(), Qt::KeepAspectRatioByExpanding);
            painter.drawImage(
                QRectF(bounds.center() - QPointF(size.width(), size.height()) / 2, size),
                m_picture);
            painter.restore();
        } else {
            const QPixmap icon = Symbols::pixmap(
                m_attachment.kind == Attachment::Kind::Image ? u"photo" : u"doc.text", 20,
                AppColors::secondaryText(palette()), devicePixelRatioF());
            const int iconTop = (height() - 20) / 2;
            painter.drawPixmap(12, iconTop, icon);
            const QFontMetrics metrics(font());
            const int left = 12 + 20 + 10;
            const int textWidth = width() - left - 10;
            const int top = (height() - 2 * metrics.height()) / 2;
            painter.setPen(AppColors::primaryText(palette()));
            painter.drawText(QRect(left, top, textWidth, metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             metrics.elidedText(m_attachment.name, Qt::ElideMiddle, textWidth));
            painter.setPen(AppColors::secondaryText(palette()));
            painter.drawText(QRect(left, top + metrics.height(), textWidth, metrics.height()),
                             Qt::AlignLeft | Qt::AlignVCenter,
                             QLocale().formattedDataSize(m_attachment.size));
        }
        QColor edge = dark ? QColor(255, 255, 255, 34) : QColor(0, 0, 0, 30);
        qreal edgeWidth = 1;
        if (hasFocus() || isDown()) {
            edge = AppColors::named(NamedColor::AskAccent, this);
            edgeWidth = 2;
        } else if (underMouse()) {
            edge.setAlpha(edge.alpha() * 2);
        }
        painter.setPen(QPen(edge, edgeWidth));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(shape);
    }

    void enterEvent(QEnterEvent *event) override
    {
        QAbstractButton::enterEvent(event);
        update();
    }

    void leaveEvent(QEvent *event) override
    {
        QAbstractButton::leaveEvent(event);
        update();
    }

private:
    Attachment m_attachment;
    QImage m_picture;
};

// The image at its full size, scaled down only to fit the screen; Escape closes it.
void showImage(const Attachment &attachment, QWidget *parent)
{
    QImage image;
    image.loadFromData(attachment.data);
    if (image.isNull())
        return;
    auto *viewer = new QDialog(parent);
    viewer->setAttribute(Qt::WA_DeleteOnClose);
    viewer->setWindowTitle(attachment.name);
    viewer->setAccessibleName(attachment.name);
    auto *label = new QLabel;
    label->setAlignment(Qt::AlignCenter);
    label->setAccessibleName(
        QCoreApplication::translate("AttachmentTiles", "Image %1").arg(attachment.name));
    const QScreen *screen = parent ? parent->screen() : QGuiApplication::primaryScreen();
    const QSize room = screen ? screen->availableSize() * 0.85 : QSize(1200, 900);
    const QSize shown = image.width() > room.width() || image.height() > room.height()
        ? image.size().scaled(room, Qt::KeepAspectRatio)
        : image.size();
    QPixmap pixmap = QPixmap::fromImage(image.scaled(
        shown * viewer->devicePixelRatioF(), Qt::KeepAspectRatio, Qt::SmoothTransformation));
    pixmap.setDevicePixelRatio(viewer->devicePixelRatioF());
    label->setPixmap(pixmap);
    auto *scroll = new QScrollArea;
    scroll->setWidget(label);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    auto *layout = new QVBoxLayout(viewer);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(scroll);
    viewer->resize(shown + QSize(4, 4));
    viewer->show();
}

// A copy of the document under the cache folder, in a folder of its own named by its hash,
// under its own name, so that the application that opens it shows that name.
bool openDocument(const Attachment &attachment)
{
    QString name = QFileInfo(attachment.name).fileName();
    if (name.isEmpty() || name.startsWith(u'.'))
        name = u"attachment"_s + name;
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::CacheLocation)
        + u"/attachments/"_s
        + (attachment.hash.isEmpty() ? attachment.contentHash() : attachment.hash).left(32);
    const QString path = folder + u'/' + name;
    if (!QFileInfo::exists(path)) {
        QSaveFile file(path);
        if (!QDir().mkpath(folder) || !file.open(QIODevice::WriteOnly)
            || file.write(attachment.data) != attachment.data.size() || !file.commit())
            return false;
    }
    return QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

} // namespace

AttachmentTiles::AttachmentTiles(QWidget *parent)
    : QWidget(parent)
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
}

void AttachmentTiles::setAttachments(const QList<Attachment> &attachments)
{
    const auto hashes = [](const QList<Attachment> &list) {
        QStringList keys;
        for (const Attachment &attachment : list)
            keys.append(attachment.hash + attachment.name);
        return keys;
    };
    if (hashes(attachments) == hashes(m_attachments))
        return;
    m_attachments = attachments;
    qDeleteAll(m_tiles);
    m_tiles.clear();
    for (const Attachment &attachment : attachments) {
        auto *tile = new AttachmentTile(attachment, this);
        connect(tile, &QAbstractButton::clicked, this,
                [this, attachment] { open(attachment, window()); });
        tile->show();
        m_tiles.append(tile);
    }
    setVisible(!m_tiles.isEmpty());
    layOut(width(), true);
    updateGeometry();
}

bool AttachmentTiles::open(const Attachment &attachment, QWidget *parent)
{
    if (attachment.kind == Attachment::Kind::Image) {
        showImage(attachment, parent);
        return true;
    }
    return openDocument(attachment);
}

int AttachmentTiles::layOut(int width, bool place) const
{
    // Lines are filled from the right edge.
    int y = 0;
    int lineHeight = 0;
    QList<QAbstractButton *> line;
    int lineWidth = 0;
    const auto placeLine = [&] {
        int x = width - lineWidth;
        for (QAbstractButton *tile : line) {
            if (place)
                tile->move(std::max(0, x), y + (lineHeight - tile->height()));
            x += tile->width() + spacing;
        }
    };
    for (QAbstractButton *tile : m_tiles) {
        const int needed = (line.isEmpty() ? 0 : lineWidth + spacing) + tile->width();
        if (!line.isEmpty() && needed > width) {
            placeLine();
            y += lineHeight + spacing;
            line.clear();
            lineWidth = 0;
            lineHeight = 0;
        }
        lineWidth = line.isEmpty() ? tile->width() : lineWidth + spacing + tile->width();
        lineHeight = std::max(lineHeight, tile->height());
        line.append(tile);
    }
    if (!line.isEmpty())
        placeLine();
    return line.isEmpty() && y == 0 ? 0 : y + lineHeight;
}

int AttachmentTiles::heightForWidth(int width) const
{
    return layOut(width, false);
}

QSize AttachmentTiles::sizeHint() const
{
    const int width = std::max(this->width(), 300);
    return {width, heightForWidth(width)};
}

void AttachmentTiles::resizeEvent(QResizeEvent *)
{
    layOut(width(), true);
}
