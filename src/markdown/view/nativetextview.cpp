#include "markdown/view/nativetextview.h"

#include "markdown/nativetext.h"
#include "markdown/view/mathblockview.h"
#include "math/mathtypesetter.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QTextBlock>
#include <QTextDocumentFragment>
#include <QTextObjectInterface>
#include <QTextOption>

#include <cmath>

using namespace Qt::StringLiterals;

namespace {

constexpr int formulaObject = QTextFormat::UserObject + 1;
// The piece of a formula an object draws, and which formula of the block it belongs to.
constexpr int formulaBoxProperty = QTextFormat::UserProperty + 1;
constexpr int formulaIndexProperty = QTextFormat::UserProperty + 2;
constexpr QChar breakOpportunity(0x200b);

qreal formulaEm(const QFont &font)
{
    return MathKey::emBeside(font.pixelSize() > 0 ? font.pixelSize() : font.pointSizeF() * 96 / 72);
}

// A formula's piece in a line of text. Qt's document layout gives an inline object no depth
// unless it is centred on the x-height, and then its ascent and descent are half its height
// plus and minus half the x-height. So the object is made tall enough that the ascent covers
// the formula's height and the descent its depth, and the formula is drawn on the baseline
// that this puts at `ascent` from the object's top.
class FormulaObject
    : public QObject
    , public QTextObjectInterface
{
    Q_OBJECT
    Q_INTERFACES(QTextObjectInterface)

public:
    using QObject::QObject;

    QSizeF intrinsicSize(QTextDocument *, int, const QTextFormat &format) override
    {
        const Placement placement(format);
        return {placement.box.width(), placement.height};
    }

    void drawObject(QPainter *painter, const QRectF &rect, QTextDocument *, int,
                    const QTextFormat &format) override
    {
        const Placement placement(format);
        // The layout sets the pen to the text's colour, or the selection's.
        placement.box.paint(*painter, QPointF(rect.left(), rect.top() + placement.ascent),
                            painter->pen().color());
    }

private:
    struct Placement
    {
        explicit Placement(const QTextFormat &format)
            : box(format.property(formulaBoxProperty).value<MathBox>())
        {
            const qreal halfX = QFontMetrics(format.toCharFormat().font()).xHeight() / 2.0;
            ascent = std::max(box.height(), box.depth() + halfX);
            height = 2 * ascent - halfX;
        }

        MathBox box;
        qreal ascent = 0;
        qreal height = 0;
    };
};

} // namespace

NativeTextView::NativeTextView(QWidget *parent)
    : QWidget(parent)
{
    m_document.setDocumentMargin(0);
    m_document.setUndoRedoEnabled(false);
    QTextOption option = m_document.defaultTextOption();
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    m_document.setDefaultTextOption(option);
    m_document.setDefaultFont(font());
    QSizePolicy policy(QSizePolicy::Preferred, QSizePolicy::Preferred);
    policy.setHeightForWidth(true);
    setSizePolicy(policy);
    setCursor(Qt::IBeamCursor);
    // Focus only by click, so that copying works after selecting while Tab still moves
    // between the controls.
    setFocusPolicy(Qt::ClickFocus);
    m_document.documentLayout()->registerHandler(formulaObject, new FormulaObject(this));
    connect(&MathTypesetter::instance(), &MathTypesetter::ready, this, [this](const MathKey &key) {
        if (key.display || key.em != formulaEm(m_document.defaultFont()))
            return;
        for (qsizetype index : std::as_const(m_pending)) {
            if (m_formulas.value(index) == key.tex) {
                // Once for all the formulas that come together.
                if (!std::exchange(m_rebuildQueued, true)) {
                    QMetaObject::invokeMethod(
                        this,
                        [this] {
                            m_rebuildQueued = false;
                            build();
                        },
                        Qt::QueuedConnection);
                }
                return;
            }
        }
    });
}

NativeTextView::~NativeTextView() = default;

void NativeTextView::setHtml(const QString &html, const QStringList &formulas)
{
    if (html == m_html && formulas == m_formulas)
        return;
    m_html = html;
    m_formulas = formulas;
    build();
}

void NativeTextView::build()
{
    // The old document's positions mean nothing in the new one.
    clearSelection();
    // Lines a little apart, for reading; a line with a tall formula grows with it.
    m_document.setHtml(u"<p style=\"margin:0; line-height:118%;\">"_s + m_html + u"</p>"_s);
    placeFormulas();
    m_laidOutWidth = -1;
    updateGeometry();
    update();
}

// Puts each formula's pieces where its image stands, those typeset; asks for the others.
void NativeTextView::placeFormulas()
{
    m_pending.clear();
    struct Place
    {
        int position;
        qsizetype index;
        QTextCharFormat format;
    };
    QList<Place> places;
    for (QTextBlock block = m_document.begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QTextCharFormat format = fragment.charFormat();
            if (!format.isImageFormat())
                continue;
            const qsizetype index = NativeText::formulaIndex(format.toImageFormat().name());
            if (index >= 0 && index < m_formulas.size())
                places.append({fragment.position(), index, format});
        }
    }
    const qreal em = formulaEm(m_document.defaultFont());
    MathTypesetter &typesetter = MathTypesetter::instance();
    QTextCursor cursor(&m_document);
    // From the end, so that the positions before stay where they are.
    for (auto place = places.crbegin(); place != places.crend(); ++place) {
        cursor.setPosition(place->position);
        cursor.setPosition(place->position + 1, QTextCursor::KeepAnchor);
        QTextCharFormat text = place->format;
        text.setObjectType(QTextFormat::NoObject);
        text.clearProperty(QTextFormat::ImageName);
        text.clearProperty(QTextFormat::ImageWidth);
        text.clearProperty(QTextFormat::ImageHeight);
        const MathKey key{m_formulas.at(place->index), false, em};
        const std::optional<MathFormula> formula = typesetter.find(key);
        if (!formula) {
            cursor.removeSelectedText();
            m_pending.prepend(place->index);
            typesetter.request(key);
            continue;
        }
        if (!formula->isValid()) {
            // The source as written, in the error colour; plain text, never markup.
            text.setForeground(MathBlockView::errorColor(this));
            cursor.insertText(key.tex, text);
            continue;
        }
        QTextCharFormat object = text;
        object.setObjectType(formulaObject);
        object.setVerticalAlignment(QTextCharFormat::AlignMiddle);
        object.setProperty(formulaIndexProperty, place->index);
        cursor.removeSelectedText();
        for (qsizetype i = 0; i < formula->pieces.size(); ++i) {
            if (i > 0)
                cursor.insertText(QString(breakOpportunity), text);
            object.setProperty(formulaBoxProperty, QVariant::fromValue(formula->pieces.at(i)));
            cursor.insertText(QString(QChar::ObjectReplacementCharacter), object);
        }
    }
}

// The text from `from` to `to`, plain: paragraphs end in line feeds, and each formula is its
// TeX between dollar signs, once however many of its pieces are inside.
QString NativeTextView::textBetween(int from, int to) const
{
    QString out;
    qsizetype lastFormula = -1;
    for (QTextBlock block = m_document.findBlock(from); block.isValid() && block.position() <= to;
         block = block.next()) {
        if (block.position() > from && !out.isEmpty())
            out += u'\n';
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const int start = std::max(from, fragment.position());
            const int end = std::min(to, fragment.position() + fragment.length());
            if (start >= end)
                continue;
            const QTextCharFormat format = fragment.charFormat();
            if (format.objectType() == formulaObject) {
                const qsizetype index = format.property(formulaIndexProperty).toLongLong();
                if (index != lastFormula)
                    out += u'$' + m_formulas.value(index) + u'$';
                lastFormula = index;
                continue;
            }
            QString text = fragment.text().mid(start - fragment.position(), end - start);
            text.remove(breakOpportunity);
            if (!text.isEmpty())
                lastFormula = -1;
            out += text;
        }
    }
    out.replace(QChar::LineSeparator, u'\n');
    return out;
}

QString NativeTextView::toPlainText() const
{
    QTextCursor end(&m_document);
    end.movePosition(QTextCursor::End);
    return textBetween(0, end.position());
}

void NativeTextView::setTextColor(const QColor &color)
{
    if (color == m_textColor)
        return;
    m_textColor = color;
    update();
}

void NativeTextView::layoutTo(int width) const
{
    const int margins = contentsMargins().left() + contentsMargins().right();
    const int textWidth = std::max(1, width - margins);
    if (textWidth == m_laidOutWidth)
        return;
    m_document.setTextWidth(textWidth);
    m_laidOutWidth = textWidth;
}

int NativeTextView::heightForWidth(int width) const
{
    layoutTo(width);
    return int(std::ceil(m_document.size().height())) + contentsMargins().top()
        + contentsMargins().bottom();
}

QSize NativeTextView::sizeHint() const
{
    const int hintWidth = std::max(width(), 200);
    return {hintWidth, heightForWidth(hintWidth)};
}

QSize NativeTextView::minimumSizeHint() const
{
    return {16, heightForWidth(std::max(width(), 16))};
}

void NativeTextView::paintEvent(QPaintEvent *)
{
    layoutTo(width());
    QPainter painter(this);
    painter.translate(contentsRect().topLeft());
    QAbstractTextDocumentLayout::PaintContext context;
    context.palette = palette();
    context.palette.setColor(QPalette::Text,
                             m_textColor.isValid() ? m_textColor
                                                   : palette().color(QPalette::WindowText));
    context.clip = QRectF(QPointF(0, 0), QSizeF(contentsRect().size()));
    if (m_selection.hasSelection()) {
        QAbstractTextDocumentLayout::Selection selection;
        selection.cursor = m_selection;
        selection.format.setBackground(palette().brush(QPalette::Highlight));
        selection.format.setForeground(palette().brush(QPalette::HighlightedText));
        context.selections.append(selection);
    }
    m_document.documentLayout()->draw(&painter, context);
}

void NativeTextView::changeEvent(QEvent *event)
{
    QWidget::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        m_document.setDefaultFont(font());
        // Formulas are set at a size that follows the text's.
        if (!m_formulas.isEmpty())
            build();
        m_laidOutWidth = -1;
        updateGeometry();
        update();
    }
}

QString NativeTextView::selectedText() const
{
    if (!m_selection.hasSelection())
        return {};
    const QString text = textBetween(m_selection.selectionStart(), m_selection.selectionEnd());
    // A formula selected alone is copied as its TeX, ready for a TeX editor.
    if (m_formulas.size() > 0 && text.size() > 2 && text.startsWith(u'$') && text.endsWith(u'$')
        && m_formulas.contains(text.mid(1, text.size() - 2)))
        return text.mid(1, text.size() - 2);
    return text;
}

void NativeTextView::selectAll()
{
    m_selection = QTextCursor(&m_document);
    m_selection.select(QTextCursor::Document);
    update();
}

void NativeTextView::copySelection() const
{
    const QString text = selectedText();
    if (!text.isEmpty())
        QGuiApplication::clipboard()->setText(text);
}

int NativeTextView::positionAt(const QPointF &point) const
{
    layoutTo(width());
    return m_document.documentLayout()->hitTest(point - contentsRect().topLeft(), Qt::FuzzyHit);
}

void NativeTextView::clearSelection()
{
    if (m_selection.isNull() && !m_selecting)
        return;
    m_selection = QTextCursor();
    m_selecting = false;
    update();
}

void NativeTextView::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mousePressEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    m_selection = QTextCursor(&m_document);
    if (position >= 0)
        m_selection.setPosition(position);
    m_selecting = true;
    update();
}

void NativeTextView::mouseMoveEvent(QMouseEvent *event)
{
    if (!m_selecting || !(event->buttons() & Qt::LeftButton)) {
        QWidget::mouseMoveEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    if (position >= 0) {
        m_selection.setPosition(position, QTextCursor::KeepAnchor);
        update();
    }
}

void NativeTextView::mouseReleaseEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || !m_selecting) {
        QWidget::mouseReleaseEvent(event);
        return;
    }
    m_selecting = false;
    // X11 and Wayland paste the last selection with the middle button.
    QClipboard *clipboard = QGuiApplication::clipboard();
    if (m_selection.hasSelection() && clipboard->supportsSelection())
        clipboard->setText(selectedText(), QClipboard::Selection);
}

void NativeTextView::mouseDoubleClickEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton) {
        QWidget::mouseDoubleClickEvent(event);
        return;
    }
    const int position = positionAt(event->position());
    if (position < 0)
        return;
    m_selection = QTextCursor(&m_document);
    m_selection.setPosition(position);
    m_selection.select(QTextCursor::WordUnderCursor);
    m_selecting = false;
    update();
}

void NativeTextView::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && m_selection.hasSelection()) {
        copySelection();
        return;
    }
    if (event->matches(QKeySequence::SelectAll)) {
        selectAll();
        return;
    }
    QWidget::keyPressEvent(event);
}

void NativeTextView::contextMenuEvent(QContextMenuEvent *event)
{
    QMenu menu(this);
    QAction *copy = menu.addAction(tr("Copy"), this, &NativeTextView::copySelection);
    copy->setEnabled(m_selection.hasSelection());
    menu.addAction(tr("Select All"), this, &NativeTextView::selectAll);
    menu.exec(event->globalPos());
}

void NativeTextView::focusOutEvent(QFocusEvent *event)
{
    // One selection at a time across an answer's blocks; a context menu keeps it.
    if (event->reason() != Qt::PopupFocusReason)
        clearSelection();
    QWidget::focusOutEvent(event);
}

#include "nativetextview.moc"
