#include "updates/updatedialog.h"

#include "base/apptheme.h"
#include "chat/settings.h"
#include "chat/settingskeys.h"
#include "updates/directupdater.h"
#include "updates/updatespinner.h"
#include "widgets/appcolors.h"
#include "widgets/pressablebuttonstyle.h"
#include "widgets/systemappearance.h"
#include "widgets/typestyles.h"

#include <QCloseEvent>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLocale>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>
#include <QVBoxLayout>

using namespace Qt::StringLiterals;

namespace {

constexpr int iconSize = 64;
constexpr int notesHeight = 170;

void setTextColour(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    palette.setColor(QPalette::Text, colour);
    widget->setPalette(palette);
}

QLabel *plainLabel(TypeStyle style, QWidget *parent)
{
    auto *label = new QLabel(parent);
    // Versions and sentences may come from the feed: never markup.
    label->setTextFormat(Qt::PlainText);
    label->setWordWrap(true);
    label->setFont(TypeStyles::font(style));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QString buttonSheet(const QColor &background, const QColor &text, const QColor &border)
{
    return u"QPushButton { background: %1; color: %2; border: 1px solid %3; border-radius: 8px;"
           " padding: 6px 16px; }"
           " QPushButton:focus { border-color: %2; }"_s.arg(background.name(QColor::HexArgb),
                                                            text.name(QColor::HexArgb),
                                                            border.name(QColor::HexArgb));
}

bool openWithDesktop(const QUrl &url)
{
    // Only files of our own are ever handed over, never an address from the feed.
    return url.isLocalFile() && QDesktopServices::openUrl(url);
}

} // namespace

UpdateDialog::UpdateDialog(DirectUpdater *updater, Settings &settings, SystemAppearance &appearance,
                           QWidget *parent)
    : QWidget(parent, Qt::Window)
    , m_updater(updater)
    , m_settings(settings)
    , m_appearance(appearance)
    , m_openFile(openWithDesktop)
{
    setObjectName(u"updateDialog"_s);
    setWindowTitle(tr("Software Update"));
    buildLayout();

    if (m_updater) {
        connect(m_updater, &DirectUpdater::checkStarted, this, &UpdateDialog::showChecking);
        connect(m_updater, &DirectUpdater::updateFound, this, &UpdateDialog::showAvailable);
        connect(m_updater, &DirectUpdater::noUpdateFound, this, &UpdateDialog::showUpToDate);
        connect(m_updater, &DirectUpdater::checkFailed, this, [this](const QString &message) {
            showFailure(tr("Could not check for updates"), message);
        });
        connect(m_updater, &DirectUpdater::downloadStarted, this, &UpdateDialog::showDownloading);
        connect(m_updater, &DirectUpdater::downloadProgress, this, &UpdateDialog::showProgress);
        connect(m_updater, &DirectUpdater::downloadFinished, this, &UpdateDialog::showDownloaded);
        connect(m_updater, &DirectUpdater::downloadFailed, this, [this](const QString &message) {
            showFailure(tr("Could not download the update"), message);
        });
    }
    connect(&m_settings, &Settings::changed, this, [this](const QString &key) {
        if (key == SettingsKeys::appTheme)
            updateColorScheme();
    });
    connect(&m_appearance, &SystemAppearance::changed, this, &UpdateDialog::updateColorScheme);
    updateColorScheme();
}

UpdateDialog::~UpdateDialog() = default;

void UpdateDialog::buildLayout()
{
    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(24, 24, 24, 20);
    row->setSpacing(18);

    m_icon = new QLabel(this);
    m_icon->setFixedSize(iconSize, iconSize);
    m_icon->setPixmap(QIcon(u":/icons/velm.svg"_s).pixmap(iconSize, iconSize));
    row->addWidget(m_icon, 0, Qt::AlignTop);

    auto *column = new QVBoxLayout;
    column->setSpacing(8);
    row->addLayout(column, 1);

    auto *titleRow = new QHBoxLayout;
    titleRow->setSpacing(10);
    m_spinner = new UpdateSpinner(this);
    m_spinner->setObjectName(u"spinner"_s);
    titleRow->addWidget(m_spinner, 0, Qt::AlignVCenter);
    m_titleLabel = plainLabel(TypeStyle::Headline, this);
    m_titleLabel->setObjectName(u"titleLabel"_s);
    titleRow->addWidget(m_titleLabel, 1);
    column->addLayout(titleRow);

    m_messageLabel = plainLabel(TypeStyle::Label, this);
    m_messageLabel->setObjectName(u"messageLabel"_s);
    column->addWidget(m_messageLabel);

    m_progress = new QProgressBar(this);
    m_progress->setObjectName(u"progressBar"_s);
    m_progress->setTextVisible(false);
    m_progress->setFixedHeight(6);
    column->addWidget(m_progress);

    m_notesHeading = plainLabel(TypeStyle::Caption, this);
    m_notesHeading->setText(tr("Release Notes"));
    column->addSpacing(4);
    column->addWidget(m_notesHeading);
    m_notes = new QPlainTextEdit(this);
    m_notes->setObjectName(u"notesView"_s);
    m_notes->setReadOnly(true);
    m_notes->setFont(TypeStyles::font(TypeStyle::Label));
    m_notes->setFixedHeight(notesHeight);
    m_notes->setFrameShape(QFrame::NoFrame);
    column->addWidget(m_notes);

    auto *buttons = new QHBoxLayout;
    buttons->setSpacing(10);
    buttons->addStretch(1);
    m_secondaryButton = new QPushButton(this);
    m_secondaryButton->setObjectName(u"secondaryButton"_s);
    m_primaryButton = new QPushButton(this);
    m_primaryButton->setObjectName(u"primaryButton"_s);
    for (QPushButton *button : {m_secondaryButton, m_primaryButton}) {
        button->setFont(TypeStyles::font(TypeStyle::BodyMedium));
        button->setCursor(Qt::PointingHandCursor);
        PressableButtonStyle::apply(button);
        buttons->addWidget(button);
    }
    m_primaryButton->setDefault(true);
    column->addSpacing(8);
    column->addLayout(buttons);
    connect(m_primaryButton, &QPushButton::clicked, this, &UpdateDialog::primaryClicked);
    connect(m_secondaryButton, &QPushButton::clicked, this, &UpdateDialog::secondaryClicked);

    setStage(Stage::Idle, QString(), QString());
}

QString UpdateDialog::title() const
{
    return m_titleLabel->text();
}

QString UpdateDialog::message() const
{
    return m_messageLabel->text();
}

QString UpdateDialog::notes() const
{
    return m_notes->toPlainText();
}

void UpdateDialog::setFileOpener(FileOpener opener)
{
    m_openFile = std::move(opener);
}

QString UpdateDialog::plainTextNotes(const AppcastItem &item)
{
    if (item.releaseNotesFormat == AppcastItem::NotesFormat::PlainText)
        return item.releaseNotes.trimmed();

    // A document, not a view: nothing here lays the text out, so no image is ever loaded.
    QTextDocument document;
    document.setHtml(item.releaseNotes);
    QStringList lines;
    bool previousWasListItem = false;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        QString text = block.text();
        // Images leave object marks behind; line breaks become new lines.
        text.remove(QChar::ObjectReplacementCharacter);
        text.replace(QChar::LineSeparator, u'\n');
        text.replace(QChar::Nbsp, u' ');
        text = text.trimmed();
        if (text.isEmpty())
            continue;
        const QTextList *list = block.textList();
        // Paragraphs apart, the items of a list together.
        if (!lines.isEmpty() && !(list && previousWasListItem))
            lines.append(QString());
        if (list) {
            // Bullets have styles from -1 to -3, numbers and letters below.
            const bool numbered = list->format().style() <= QTextListFormat::ListDecimal;
            const QString marker = numbered ? list->itemText(block) : u"•"_s;
            const QString indent(2 * std::max(0, list->format().indent() - 1), u' ');
            text = indent + marker + u' ' + text;
        }
        lines.append(text);
        previousWasListItem = list;
    }
    return lines.join(u'\n');
}

void UpdateDialog::present()
{
    if (isMinimized())
        setWindowState(windowState() & ~Qt::WindowMinimized);
    show();
    raise();
    activateWindow();
}

void UpdateDialog::showChecking()
{
    setStage(Stage::Checking, tr("Checking for updates…"), QString());
    setButtons(tr("Cancel"), QString());
    present();
}

void UpdateDialog::showAvailable(const AppcastItem &item)
{
    m_item = item;
    const QString current = m_updater ? m_updater->currentVersion() : QString();
    //: %1 is a version number, as are the others in this window
    setStage(Stage::Available, tr("velm %1 is available").arg(item.displayVersion()),
             tr("You have velm %1. Would you like to download the new version now?").arg(current));
    const QString notes = plainTextNotes(item);
    m_notes->setPlainText(notes);
    m_notesHeading->setVisible(!notes.isEmpty());
    m_notes->setVisible(!notes.isEmpty());
    setButtons(tr("Download"), tr("Later"));
    fitToContents();
}

void UpdateDialog::showUpToDate()
{
    const QString current = m_updater ? m_updater->currentVersion() : QString();
    setStage(Stage::UpToDate, tr("You're up to date"),
             tr("velm %1 is the newest version available.").arg(current));
    setButtons(tr("OK"), QString());
}

void UpdateDialog::showFailure(const QString &title, const QString &message)
{
    setStage(Stage::Failed, title, message);
    setButtons(tr("OK"), QString());
}

void UpdateDialog::showDownloading()
{
    setStage(Stage::Downloading, tr("Downloading velm %1…").arg(m_item.displayVersion()),
             QString());
    m_progress->setRange(0, 0);
    m_progress->show();
    setButtons(tr("Cancel"), QString());
}

void UpdateDialog::showProgress(qint64 received, qint64 total)
{
    if (m_stage != Stage::Downloading)
        return;
    const QLocale locale;
    if (total > 0) {
        // Per mille, so installers of any size fit the bar's int range.
        m_progress->setRange(0, 1000);
        m_progress->setValue(int(std::min<qint64>(1000, received * 1000 / total)));
        m_messageLabel->setText(
            //: How much of the download has arrived, as "2 MB of 10 MB"
            tr("%1 of %2")
                .arg(locale.formattedDataSize(received), locale.formattedDataSize(total)));
    } else {
        m_progress->setRange(0, 0);
        m_messageLabel->setText(locale.formattedDataSize(received));
    }
    if (m_messageLabel->isHidden()) {
        m_messageLabel->show();
        fitToContents();
    }
}

void UpdateDialog::showDownloaded(const QString &path)
{
    m_downloadedPath = path;
    const bool opened = m_openFile && m_openFile(QUrl::fromLocalFile(path));
    const QString where = QDir::toNativeSeparators(path);
    setStage(
        Stage::Downloaded, tr("velm %1 is ready to install").arg(m_item.displayVersion()),
        opened ? tr("The update was saved to %1 and opened for installation.").arg(where)
               : tr("The update was saved to %1. Open it to install the new version.").arg(where));
    setButtons(tr("Done"), tr("Show in Folder"));
}

void UpdateDialog::setStage(Stage stage, const QString &title, const QString &message)
{
    m_stage = stage;
    m_titleLabel->setText(title);
    m_messageLabel->setText(message);
    m_messageLabel->setVisible(!message.isEmpty());
    m_spinner->setVisible(stage == Stage::Checking);
    m_progress->setVisible(stage == Stage::Downloading);
    if (stage != Stage::Available) {
        m_notesHeading->hide();
        m_notes->hide();
    }
    fitToContents();
}

void UpdateDialog::fitToContents()
{
    // As tall as what the stage shows: a window left tall by the notes would float the next
    // stage's few lines in empty space.
    layout()->activate();
    setFixedSize(windowWidth, heightForWidth(windowWidth));
}

void UpdateDialog::setButtons(const QString &primary, const QString &secondary)
{
    m_primaryButton->setText(primary);
    m_secondaryButton->setText(secondary);
    m_secondaryButton->setVisible(!secondary.isEmpty());
}

void UpdateDialog::primaryClicked()
{
    switch (m_stage) {
    case Stage::Available:
        if (m_updater)
            m_updater->download(m_item);
        return;
    case Stage::Checking:
    case Stage::Downloading:
        if (m_updater)
            m_updater->cancel();
        break;
    default:
        break;
    }
    close();
}

void UpdateDialog::secondaryClicked()
{
    if (m_stage == Stage::Downloaded && m_openFile) {
        m_openFile(QUrl::fromLocalFile(QFileInfo(m_downloadedPath).absolutePath()));
        return;
    }
    close();
}

void UpdateDialog::closeEvent(QCloseEvent *event)
{
    // Closing the window gives up what it is waiting for.
    if ((m_stage == Stage::Checking || m_stage == Stage::Downloading) && m_updater)
        m_updater->cancel();
    m_stage = Stage::Idle;
    QWidget::closeEvent(event);
}

void UpdateDialog::updateColorScheme()
{
    const ColorSchemePreference preference = AppThemes::colorScheme(m_settings.appTheme());
    const bool dark = AppThemes::isDark(preference, m_appearance.isDark());
    if (m_schemeApplied && dark == m_dark)
        return;
    m_schemeApplied = true;
    m_dark = dark;
    setPalette(AppColors::palette(dark));
    applyColors();
}

void UpdateDialog::applyColors()
{
    const QPalette colours = AppColors::palette(m_dark);
    const QColor secondary = AppColors::secondaryText(colours);
    setTextColour(m_messageLabel, secondary);
    setTextColour(m_notesHeading, secondary);

    m_notes->setStyleSheet(u"QPlainTextEdit { background: %1; color: %2; border: none;"
                           " border-radius: 8px; padding: 4px; }"_s.arg(
                               AppColors::surface2(m_dark).name(QColor::HexArgb),
                               colours.color(QPalette::Text).name(QColor::HexArgb)));

    const QColor accent = colours.color(QPalette::Highlight);
    m_primaryButton->setStyleSheet(
        buttonSheet(accent, colours.color(QPalette::HighlightedText), accent));
    m_secondaryButton->setStyleSheet(buttonSheet(AppColors::surface2(m_dark),
                                                 colours.color(QPalette::ButtonText),
                                                 colours.color(QPalette::Mid)));
}
