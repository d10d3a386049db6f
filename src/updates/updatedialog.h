#pragma once

#include "updates/appcastitem.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

#include <functional>

class DirectUpdater;
class QLabel;
class QPlainTextEdit;
class QProgressBar;
class QPushButton;
class Settings;
class SystemAppearance;
class UpdateSpinner;

// The update window: it follows the updater through a check and a download and shows where
// it stands, one stage at a time: checking, an offer with the release notes, the download's
// progress, the verified file handed to the system, "up to date", or what went wrong. It
// shows itself when a check starts.
class UpdateDialog : public QWidget
{
    Q_OBJECT

public:
    enum class Stage : quint8 {
        Idle,
        Checking,
        Available,
        Downloading,
        Downloaded,
        UpToDate,
        Failed
    };

    // Opens a local file or folder with the desktop's default application.
    using FileOpener = std::function<bool(const QUrl &)>;

    static constexpr int windowWidth = 460;

    UpdateDialog(DirectUpdater *updater, Settings &settings, SystemAppearance &appearance,
                 QWidget *parent = nullptr);
    ~UpdateDialog() override;

    Stage stage() const { return m_stage; }
    QString title() const;
    QString message() const;
    QString notes() const;
    // The release on offer, once a check found one.
    const AppcastItem &offeredItem() const { return m_item; }

    // Tests open files with something that only records them.
    void setFileOpener(FileOpener opener);

    // Release notes as text to read: notes written in HTML are reduced to their text, so a
    // feed can never put markup, links or images into the window.
    static QString plainTextNotes(const AppcastItem &item);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void buildLayout();
    void present();
    void showChecking();
    void showAvailable(const AppcastItem &item);
    void showUpToDate();
    void showFailure(const QString &title, const QString &message);
    void showDownloading();
    void showProgress(qint64 received, qint64 total);
    void showDownloaded(const QString &path);
    void setStage(Stage stage, const QString &title, const QString &message);
    void setButtons(const QString &primary, const QString &secondary);
    void fitToContents();
    void primaryClicked();
    void secondaryClicked();
    void updateColorScheme();
    void applyColors();

    QPointer<DirectUpdater> m_updater;
    Settings &m_settings;
    SystemAppearance &m_appearance;
    FileOpener m_openFile;
    Stage m_stage = Stage::Idle;
    AppcastItem m_item;
    QString m_downloadedPath;
    bool m_dark = true;
    bool m_schemeApplied = false;

    QLabel *m_icon = nullptr;
    QLabel *m_titleLabel = nullptr;
    QLabel *m_messageLabel = nullptr;
    UpdateSpinner *m_spinner = nullptr;
    QProgressBar *m_progress = nullptr;
    QLabel *m_notesHeading = nullptr;
    QPlainTextEdit *m_notes = nullptr;
    QPushButton *m_primaryButton = nullptr;
    QPushButton *m_secondaryButton = nullptr;
};
