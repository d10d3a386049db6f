#pragma once

#include "base/apptheme.h"
#include "widgets/hoveranimation.h"

#include <QAbstractButton>
#include <QColor>
#include <QFont>

#include <functional>

// One card of a theme choice: the theme's symbol, its name (with a "Recommended" badge on
// the recommended one) and a line about it; the chosen card is outlined in the accent
// colour and shows a check. Clicking asks for the theme (clicked); the screen writes it and
// sets isSelected from it. Each screen gives the card its look: the arrangement, the
// fonts, the colours and how it answers the pointer.
class ThemeChoiceCard : public QAbstractButton
{
    Q_OBJECT

public:
    enum class Arrangement {
        // A row: the symbol on a small tile at the leading edge, the name over an elided
        // line beside it, and a check circle, empty until chosen, at the trailing edge.
        Row,
        // A tile: the symbol large at the top, the name and the wrapped line under it, a
        // check in the top corner once chosen.
        Tile,
    };

    // The colours the card is drawn in at the moment.
    struct Colors
    {
        QColor surface;
        QColor edge;
        // Row: what the card leans towards, a few per cent, under the pointer. Tile: a wash
        // laid over it.
        QColor hovered;
        // Row: the chosen card's colour. Tile: a wash laid over it.
        QColor chosen;
        // The chosen card's outline and check, and the focus ring.
        QColor accent;
        // The chosen card's symbol and the badge's text.
        QColor accentText;
        QColor badge;
        QColor name;
        // The symbol of a card that is not chosen.
        QColor symbol;
        QColor detail;
    };

    struct Look
    {
        Arrangement arrangement = Arrangement::Row;
        QSize sizeHint;
        // Invalid: the button's own.
        QSize minimumSizeHint;
        HoverAnimation::Motion hover;
        QFont nameFont;
        QFont detailFont;
        QFont badgeFont;
        // Asked on every paint, so the card follows its scheme and palette.
        std::function<Colors(const QWidget *card)> colors;
    };

    ThemeChoiceCard(AppTheme theme, const Look &look, QWidget *parent = nullptr);

    AppTheme theme() const { return m_theme; }
    QString description() const { return AppThemes::description(m_theme); }
    bool isRecommended() const { return AppThemes::isRecommended(m_theme); }

    bool isSelected() const { return m_selected; }
    void setSelected(bool selected);

    QSize sizeHint() const override { return m_look.sizeHint; }
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    void paintRow(QPainter &painter, const Colors &colors);
    void paintTile(QPainter &painter, const Colors &colors);
    void paintBadge(QPainter &painter, const QRectF &badge, const QColor &fill,
                    const Colors &colors);

    AppTheme m_theme;
    Look m_look;
    HoverAnimation *m_hover;
    bool m_selected = false;
};
