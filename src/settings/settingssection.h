#pragma once

#include <QString>
#include <QWidget>

class QLabel;
class QVBoxLayout;

// One group of a settings tab: a header with a symbol and a title, a rounded box on the
// first surface colour holding the rows, and an optional footnote in the secondary colour
// under the box. Rows are separated by hairlines, as in a grouped form.
class SettingsSection : public QWidget
{
    Q_OBJECT

public:
    SettingsSection(const QString &symbol, const QString &title, QWidget *parent = nullptr);

    QString symbol() const { return m_symbol; }
    QString title() const;
    QString footnote() const;

    // A row with `label` leading and `field` trailing.
    void addRow(const QString &label, QWidget *field);
    // A row with a title and a secondary subtitle under it, and `field` trailing.
    void addRow(const QString &title, const QString &subtitle, QWidget *field);
    // A widget spanning the box's whole width. Labels in it named "settingsSecondary" are
    // drawn in the secondary colour, as the footnote is.
    void addWidget(QWidget *widget);
    // Shown under the box; an empty text hides it.
    void setFootnote(const QString &text);

protected:
    void changeEvent(QEvent *event) override;

private:
    void addRowWidget(QWidget *row);
    void updateColors();

    QString m_symbol;
    QLabel *m_icon = nullptr;
    QLabel *m_title = nullptr;
    QWidget *m_box = nullptr;
    QVBoxLayout *m_rows = nullptr;
    QLabel *m_footnote = nullptr;
};
