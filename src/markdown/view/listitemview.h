#pragma once

#include <QWidget>

class QHBoxLayout;
class QLabel;

// One list item: indented by its depth × 20, the marker ("•" or "1.") in the secondary colour
// in a column at least 16 wide, then the content. Marker and content are top-aligned; with
// the same font that puts their first baselines on one line.
class ListItemView : public QWidget
{
    Q_OBJECT

public:
    explicit ListItemView(QWidget *parent = nullptr);

    void setIndent(int indent);
    int indent() const { return m_indent; }
    void setMarker(const QString &marker);
    QString marker() const;

    // Takes ownership; the previous content is deleted.
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    void setMarkerFont(const QFont &font);

protected:
    void changeEvent(QEvent *event) override;

private:
    void updateColors();

    QHBoxLayout *m_layout;
    QLabel *m_marker;
    QWidget *m_content = nullptr;
    int m_indent = 0;
};
