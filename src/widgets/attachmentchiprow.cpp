#include "widgets/attachmentchiprow.h"

#include "widgets/appcolors.h"
#include "widgets/iconbutton.h"
#include "widgets/plaintext.h"
#include "widgets/symbols.h"
#include "widgets/typestyles.h"

#include <QCoreApplication>
#include <QFocusEvent>
#include <QLabel>
#include <QLocale>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>

#include <algorithm>

using namespace Qt::StringLiterals;

namespace {

constexpr int chipHeight = 44;
constexpr int pictureSide = 32;
constexpr int paddingX = 6;
constexpr int gap = 8;
constexpr int textWidth = 132;
constexpr int removeSide = 20;
constexpr int spacing = 6;
constexpr int radius = 10;

QString detail(const AttachmentChipRow::Item &item)
{
    return item.pending ? QCoreApplication::translate("AttachmentChipRow", "Reading…")
                        : QLocale().formattedDataSize(item.size);
}

// One attached file. Painted: the picture or icon, the name over the size; the remove button is
// a child, so that it takes the focus and is read out on its own.
class AttachmentChip : public QWidget
{
public:
    AttachmentChip(const AttachmentChipRow::Item &item, QWidget *parent)
        : QWidget(parent)
        , m_item(item)
        , m_remove(new IconButton(
              u"xmark"_s,
              QCoreApplication::translate("AttachmentChipRow", "Remove %1").arg(item.name),
              removeSide, 12, this))
    {
        setFont(TypeStyles::font(TypeStyle::Caption));
        //: Read by screen readers: the file's name and its size, or Reading…
        setAccessibleName(
            (item.image ? QCoreApplication::translate("AttachmentChipRow", "Image %1, %2")
                        : QCoreApplication::translate("AttachmentChipRow", "Document %1, %2"))
                .arg(item.name, detail(item)));
        setToolTip(PlainText::toolTip(item.name));
        m_remove->setObjectName(u"removeAttachment"_s);
        m_remove->setToolTip(QCoreApplication::translate("AttachmentChipRow", "Remove"));
        m_remove->setFocusPolicy(Qt::StrongFocus);
        setFixedSize(sizeHint());
    }

    QToolButton *removeButton() const { return m_remove; }

    QSize sizeHint() const override
    {
        const QFontMetrics metrics(font());
        const int text = std::min(textWidth,
                                  std::max(metrics.horizontalAdvance(m_item.name),
                                           metrics.horizontalAdvance(detail(m_item)))
                                      + 1);
        const int width
            = paddingX + pictureSide + gap + std::max(text, 48) + 4 + removeSide + paddingX;
        return {width, chipHeight};
    }

protected:
    void resizeEvent(QResizeEvent *) override
    {
        m_remove->move(width() - paddingX - removeSide, (height() - removeSide) / 2);
    }

    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        const bool dark = AppColors::isDark(this);
        const QRectF bounds = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        painter.setPen(QPen(dark ? QColor(255, 255, 255, 30) : QColor(0, 0, 0, 26), 1));
        painter.setBrush(dark ? QColor(255, 255, 255, 14) : QColor(0, 0, 0, 8));
        painter.drawRoundedRect(bounds, radius, radius);

        const QRectF picture(paddingX, (height() - pictureSide) / 2.0, pictureSide, pictureSide);
        if (!m_item.thumbnail.isNull()) {
            QPainterPath clip;
            clip.addRoundedRect(picture, 6, 6);
            painter.save();
            painter.setClipPath(clip);
            // Filled like a photo in a frame: the shorter side fits, the longer is cut.
            const QSizeF size = QSizeF(m_item.thumbnail.size())
                                    .scaled(picture.size(), Qt::KeepAspectRatioByExpanding);
            const QRectF target(picture.center() - QPointF(size.width(), size.height()) / 2, size);
            painter.drawImage(target, m_item.thumbnail);
            painter.restore();
        } else {
            painter.setPen(Qt::NoPen);
            painter.setBrush(dark ? QColor(255, 255, 255, 20) : QColor(0, 0, 0, 12));
            painter.drawRoundedRect(picture, 6, 6);
            const QPixmap icon
                = Symbols::pixmap(m_item.image ? u"photo" : u"doc.text", 18,
                                  AppColors::secondaryText(palette()), devicePixelRatioF());
            painter.drawPixmap(picture.center() - QPointF(9, 9), icon);
        }

        const int textLeft = paddingX + pictureSide + gap;
        const int textRight = width() - paddingX - removeSide - 4;
        const QFontMetrics metrics(font());
        const int lineHeight = metrics.height();
        const int top = (height() - 2 * lineHeight) / 2;
        painter.setFont(font());
        painter.setPen(AppColors::primaryText(palette()));
        painter.drawText(QRect(textLeft, top, textRight - textLeft, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter,
                         metrics.elidedText(m_item.name, Qt::ElideMiddle, textRight - textLeft));
        painter.setPen(AppColors::secondaryText(palette()));
        painter.drawText(QRect(textLeft, top + lineHeight, textRight - textLeft, lineHeight),
                         Qt::AlignLeft | Qt::AlignVCenter, detail(m_item));
    }

private:
    AttachmentChipRow::Item m_item;
    IconButton *m_remove;
};

} // namespace

AttachmentChipRow::AttachmentChipRow(QWidget *parent)
    : QWidget(parent)
    , m_note(new QLabel(this))
{
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Fixed);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    m_note->setObjectName(u"attachmentNote"_s);
    // A file's name is the user's, a reason may quote it: never markup.
    m_note->setTextFormat(Qt::PlainText);
    m_note->setWordWrap(true);
    m_note->setFont(TypeStyles::font(TypeStyle::Caption));
    QPalette notePalette = m_note->palette();
    notePalette.setColor(QPalette::WindowText, QColor(0xE5, 0x48, 0x4D));
    m_note->setPalette(notePalette);
    m_note->hide();
    refreshVisibility();
}

void AttachmentChipRow::setItems(const QList<Item> &items)
{
    // Which remove button had the focus: the one at that place (or the last) takes it back,
    // so that removing chips one after another needs no pointer.
    qsizetype focused = -1;
    for (qsizetype i = 0; i < m_chips.size(); ++i) {
        if (static_cast<AttachmentChip *>(m_chips.at(i))->removeButton()->hasFocus())
            focused = i;
    }
    qDeleteAll(m_chips);
    m_chips.clear();
    for (qsizetype i = 0; i < items.size(); ++i) {
        auto *chip = new AttachmentChip(items.at(i), this);
        connect(chip->removeButton(), &QToolButton::clicked, this,
                [this, i] { Q_EMIT removeRequested(int(i)); });
        chip->show();
        m_chips.append(chip);
    }
    // New buttons join the end of the window's Tab order; each is moved in turn to just after
    // what comes before the field, which leaves them in order before it.
    if (m_field) {
        QWidget *previous = m_field->previousInFocusChain();
        for (QToolButton *button : removeButtons()) {
            QWidget::setTabOrder(previous, button);
            previous = button;
        }
    }
    if (focused >= 0 && !m_chips.isEmpty()) {
        static_cast<AttachmentChip *>(m_chips.at(std::min(focused, m_chips.size() - 1)))
            ->removeButton()
            ->setFocus(Qt::OtherFocusReason);
    }
    refreshVisibility();
}

QList<QToolButton *> AttachmentChipRow::removeButtons() const
{
    QList<QToolButton *> buttons;
    for (QWidget *chip : m_chips)
        buttons.append(static_cast<AttachmentChip *>(chip)->removeButton());
    return buttons;
}

void AttachmentChipRow::showNote(const QString &note)
{
    m_note->setText(note);
    m_note->setAccessibleName(note);
    m_note->setVisible(!note.isEmpty());
    refreshVisibility();
}

void AttachmentChipRow::clearNote()
{
    showNote(QString());
}

QString AttachmentChipRow::note() const
{
    return m_note->isVisible() ? m_note->text() : QString();
}

int AttachmentChipRow::layOut(int width, bool place) const
{
    int x = 0;
    int y = 0;
    int lineHeight = 0;
    for (QWidget *chip : m_chips) {
        const QSize size = chip->size();
        if (x > 0 && x + size.width() > width) {
            x = 0;
            y += lineHeight + spacing;
            lineHeight = 0;
        }
        if (place)
            chip->move(x, y);
        x += size.width() + spacing;
        lineHeight = std::max(lineHeight, size.height());
    }
    int height = y + lineHeight;
    if (m_note->isVisibleTo(this)) {
        const int top = height > 0 ? height + spacing : 0;
        const int noteHeight = m_note->heightForWidth(width);
        if (place)
            m_note->setGeometry(0, top, width, noteHeight);
        height = top + noteHeight;
    }
    return height;
}

int AttachmentChipRow::heightForWidth(int width) const
{
    return layOut(width, false);
}

QSize AttachmentChipRow::sizeHint() const
{
    const int width = std::max(this->width(), 300);
    return {width, heightForWidth(width)};
}

QSize AttachmentChipRow::minimumSizeHint() const
{
    return {0, heightForWidth(std::max(width(), 300))};
}

void AttachmentChipRow::resizeEvent(QResizeEvent *)
{
    layOut(width(), true);
}

void AttachmentChipRow::refreshVisibility()
{
    setVisible(!m_chips.isEmpty() || m_note->isVisibleTo(this));
    layOut(width(), true);
    updateGeometry();
}
