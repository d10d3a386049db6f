#pragma once

#include <QAbstractItemDelegate>
#include <QUuid>

#include <optional>

// Draws the sidebar's rows: the padding, the group headers over their rule, and the
// conversations with their selected and hovered looks and the ellipsis button, which it
// also places for hit-testing. Rows grow and shrink with the model's presence. The rename
// field is its editor; the sidebar fills it and handles its keys.
class SidebarRowDelegate : public QAbstractItemDelegate
{
    Q_OBJECT

public:
    explicit SidebarRowDelegate(QObject *parent = nullptr);

    void setSelectedId(std::optional<QUuid> id) { m_selectedId = id; }
    std::optional<QUuid> selectedId() const { return m_selectedId; }
    void setRenamingId(std::optional<QUuid> id) { m_renamingId = id; }
    // The row under the pointer, how far its hover look has come in (0 to 1), and whether
    // the pointer is on its ellipsis button.
    void setHover(std::optional<QUuid> id, qreal progress, bool onButton);

    // The rounded shape of a conversation row, and its ellipsis button, in a row's rect.
    static QRect pillRect(const QRect &rowRect);
    static QRect ellipsisRect(const QRect &rowRect);
    // Full heights of the rows, before presence scales them.
    static int sessionRowHeight();

    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override;
    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override;

    QWidget *createEditor(QWidget *parent, const QStyleOptionViewItem &option,
                          const QModelIndex &index) const override;
    // The field keeps what the user typed: a title that arrives meanwhile must not replace it.
    void setEditorData(QWidget *editor, const QModelIndex &index) const override;
    void setModelData(QWidget *editor, QAbstractItemModel *model,
                      const QModelIndex &index) const override;
    void updateEditorGeometry(QWidget *editor, const QStyleOptionViewItem &option,
                              const QModelIndex &index) const override;

private:
    void paintHeader(QPainter *painter, const QRectF &rect, const QString &label,
                     const QPalette &palette, bool firstGroup) const;
    void paintSession(QPainter *painter, const QRectF &rect, const QModelIndex &index,
                      const QStyleOptionViewItem &option) const;

    std::optional<QUuid> m_selectedId;
    std::optional<QUuid> m_renamingId;
    std::optional<QUuid> m_hoveredId;
    qreal m_hoverProgress = 0;
    bool m_hoverOnButton = false;
};
