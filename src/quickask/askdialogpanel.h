#pragma once

#include <QPoint>
#include <QRect>
#include <QWidget>

class QTimer;

#include <functional>

// The floating window that holds the Quick Ask bar, titled "velm Quick Ask": frameless,
// above other windows, without a taskbar entry, transparent around the bar's card. It is
// 572 wide and as high as its content (at least 76), and can be moved by dragging its
// background. Escape runs `onCancel` and hides it.
class AskDialogPanel : public QWidget
{
    Q_OBJECT

public:
    static constexpr int panelWidth = 572;
    static constexpr int minimumHeight = 76;

    explicit AskDialogPanel(QWidget *parent = nullptr);
    ~AskDialogPanel() override;

    // Puts `content` into the panel (the panel owns it); its preferred height is passed to
    // setContentHeight().
    void setContent(QWidget *content);
    QWidget *content() const { return m_content; }

    // Follows the content's height as it changes. The top edge stays where it is, so the
    // question does not jump while the answer grows below it; the panel is only moved up
    // when it would leave its screen.
    void setContentHeight(int height);

    // A translucent panel shows only what its content draws. Where the desktop cannot show
    // translucent windows (X11 without a compositor) the panel is opaque instead: filled
    // with the content's window colour and cut to the shape of what the content draws, so
    // it is not framed in black. Chosen for the desktop at construction; set it before the
    // panel is first shown.
    void setTranslucent(bool translucent);
    bool isTranslucent() const { return m_translucent; }

    // Runs on Escape, before the panel hides itself.
    std::function<void()> onCancel;
    void cancelOperation();

    // Where the bar goes on a screen with the visible area `visibleArea` (the screen less
    // panels and docks): 572 wide, max(76, contentHeight) high, centred horizontally, its
    // centre 30 % of the visible height below the top of the area.
    static QRect frameFor(const QRect &visibleArea, int contentHeight);
    // `frame` moved up, then down, as little as it takes to lie within `visibleArea`; the
    // top wins when it is higher than the area.
    static QRect keptWithin(const QRect &frame, const QRect &visibleArea);

protected:
    void paintEvent(QPaintEvent *event) override;
    void showEvent(QShowEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;

private:
    void scheduleShapeUpdate();
    void updateShape();

    QWidget *m_content = nullptr;
    bool m_translucent = true;
    QTimer *m_shapeTimer = nullptr;
    QTimer *m_settledShapeTimer = nullptr;
    // Where a drag of the background started, relative to the panel, when the window
    // system does not move the window itself.
    QPoint m_dragOffset;
    bool m_dragging = false;
};
