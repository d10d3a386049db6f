#pragma once

#include "search/searchresult.h"

#include <QList>
#include <QWidget>

class FaviconLoader;
class SourceCard;

// The sources under an answer: a small "Sources" header with their number, then a grid of
// numbered cards in list order. The grid has as many columns of at least 210 pixels as fit,
// 8 pixels apart, so its height depends on its width (hasHeightForWidth).
//
// Embed it below the answer's text in a vertical layout; it takes the row's full width:
//
//     layout->addWidget(new SourcesRow(*message.sources, this));
class SourcesRow : public QWidget
{
    Q_OBJECT

public:
    static constexpr int minimumColumnWidth = 210;
    static constexpr int spacing = 8;

    // Icons come from the application's shared FaviconLoader.
    explicit SourcesRow(const QList<SearchResult> &sources, QWidget *parent = nullptr);
    // `favicons` may be null: the cards then keep the globe.
    SourcesRow(const QList<SearchResult> &sources, FaviconLoader *favicons,
               QWidget *parent = nullptr);

    const QList<SearchResult> &sources() const { return m_sources; }
    const QList<SourceCard *> &cards() const { return m_cards; }

    // How many columns the grid has at `width`: never fewer than one.
    static int columnCount(int width);

    bool hasHeightForWidth() const override { return true; }
    int heightForWidth(int width) const override;
    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void changeEvent(QEvent *event) override;

private:
    int headerHeight() const;
    int cardHeight() const;
    void layoutCards();

    QList<SearchResult> m_sources;
    QList<SourceCard *> m_cards;
};
