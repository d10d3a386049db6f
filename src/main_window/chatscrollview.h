#pragma once

#include "chat/chatmessage.h"
#include "main_window/messagelistrows.h"

#include <QHash>
#include <QList>
#include <QPointer>
#include <QScrollArea>
#include <QTimer>

class MessageRow;
class QVariantAnimation;

// The scrolling column of a conversation's rows, each at most 720 wide and centred, 20
// points of space above the first and 16 below the last.
//
// Rows are built lazily: a row far from the viewport is only a height (estimated from its
// text, or measured when it was last built), and gets its widget when it comes within a
// viewport's height of the visible part; widgets that drift far away are released again,
// so a chat of hundreds of answers holds only a screenful or two of Markdown and math
// views. When a row above the visible part changes height (an estimate replaced by the
// real height, a formula that finished typesetting) the scroll position moves with it, so
// what the user reads stays still; a list scrolled to its end stays at its end.
class ChatScrollView : public QScrollArea
{
    Q_OBJECT

public:
    static constexpr int topPadding = 20;
    static constexpr int bottomPadding = 16;
    static constexpr int maximumRowWidth = 720;
    // Space kept at the sides when the window is narrower than a row.
    static constexpr int sideInset = 20;

    explicit ChatScrollView(QWidget *parent = nullptr);
    ~ChatScrollView() override;

    // Shows `rows` for `messages`. A row whose id is already shown keeps its widget and is
    // handed the latest copy of its message.
    void setRows(const QList<MessageListRow> &rows, const QList<ChatMessage> &messages);
    // The text of one message grew (the answer that streams): only its row is redrawn.
    void updateMessage(const ChatMessage &message);
    // Whether answers show the thought that came before them (ThoughtRow).
    bool showsThoughts() const { return m_showsThoughts; }
    void setShowsThoughts(bool shows);

    // Brings the bottom of the last row into view on the next turn of the event loop,
    // easing out over 0.2 s; `jump` skips the easing (a conversation just opened). A
    // request replaces the one still pending, so any number of them in one turn scroll once.
    void scheduleScroll(bool jump = false);
    // How many scheduled scrolls have run.
    int scrollCount() const { return m_scrollCount; }
    // Brings row `id` near the top on the next turn, in place of a scroll to the end that
    // is pending, and tints it for a moment (1.5 s, fading). Nothing for an unknown id.
    void revealRow(const QUuid &id);
    // The row whose tint shows now; null when none does.
    QUuid highlightedRow() const;

    qsizetype rowCount() const { return m_slots.size(); }
    QList<MessageListRow> rows() const;
    // The widget of row `id`; null while the row is not built.
    QWidget *rowWidget(const QUuid &id) const;
    // The message row `index` shows (an empty one for the indicators).
    const ChatMessage &rowMessage(qsizetype index) const { return m_slots.at(index).message; }
    // The row of `widget`; -1 when it is none of the built ones.
    qsizetype rowOfWidget(const QWidget *widget) const;
    MessageRow *messageRow(const QUuid &id) const;
    // Where row `id` lies in the content; empty for an unknown id.
    QRect rowGeometry(const QUuid &id) const;
    // How many rows have a widget now.
    int builtRowCount() const;

    // The floating title's progress for the current scroll position.
    double scrollProgress() const;

Q_SIGNALS:
    // The actions of the rows (see MessageRow).
    void editRequested(const QUuid &messageId);
    void editSubmitted(const QUuid &messageId, const QString &text);
    void editCancelled();
    void regenerateRequested();
    void versionRequested(const QUuid &messageId, qsizetype index);
    void scrollProgressChanged(double progress);
    void scrollOffsetChanged(int offset);

protected:
    void resizeEvent(QResizeEvent *event) override;
    bool viewportEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct Slot
    {
        MessageListRow row;
        ChatMessage message;
        QWidget *widget = nullptr;
        int top = 0;
        int height = 0;
        // The height was measured from the widget at `measuredWidth`.
        int measuredWidth = -1;
        // New in an open conversation: plays its entrance once its widget is built.
        bool entering = false;
        // How far the entrance has come: the row rises into place from a little below.
        qreal entrance = 1;
    };

    int rowWidth() const;
    int rowLeft() const;
    QWidget *createWidget(const Slot &slot);
    void showInWidget(Slot &slot);
    void releaseWidget(Slot &slot);
    int estimatedHeight(const Slot &slot, int width) const;
    int measuredHeight(QWidget *widget, int width) const;
    // Positions every row, builds the rows near the viewport, releases the far ones, and
    // keeps the first visible row where it was.
    void relayout();
    bool buildRowsNear(int value);
    void releaseFarRows(int value);
    void layoutSlots();
    void placeWidgets();
    void startEntrance(Slot &slot);
    void fadeOut(QWidget *widget);
    int scrollTarget() const;
    void performScroll();
    void setScrollValue(int value);
    void onScrollValueChanged(int value);
    void performReveal();
    void startHighlight(const QUuid &id);
    void clearHighlight();
    void placeHighlight();

    QWidget *m_content;
    QList<Slot> m_slots;
    QHash<QUuid, qsizetype> m_indexOf;
    bool m_inRelayout = false;
    bool m_relayoutPending = false;
    bool m_openAtEnd = false;
    bool m_showsThoughts = true;

    QTimer m_scrollWork;
    bool m_jumpPending = false;
    int m_scrollCount = 0;
    QPointer<QVariantAnimation> m_scrollAnimation;
    int m_scrollStart = 0;

    QUuid m_revealId;
    QUuid m_highlightId;
    QWidget *m_highlight = nullptr;
    QPointer<QVariantAnimation> m_highlightFade;
    QTimer m_highlightTimer;

    // Text metrics for the estimates of rows not built.
    qreal m_averageCharWidth = 7.5;
    int m_lineHeight = 21;
};
