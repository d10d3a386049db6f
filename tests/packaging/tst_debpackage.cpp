#include "base/appidentity.h"
#include "desktopentry.h"
#include "support/testregistry.h"

#include <QDir>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

using namespace Qt::StringLiterals;

// The Debian package that scripts/package.sh makes, built by CPack into a throw-away folder.
class tst_DebPackage : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void controlFields_data();
    void controlFields();
    void dependsOnWhatIsLoadedAtRunTime_data();
    void dependsOnWhatIsLoadedAtRunTime();
    void bringsNoWebEngine();
    void carriesTheInstalledTree();

private:
    QString field(const QString &name) const;
    QStringList dependencies() const;

    QTemporaryDir m_output;
    QString m_architecture;
    QString m_deb;
};

void tst_DebPackage::initTestCase()
{
    for (const QString &tool : {u"dpkg"_s, u"dpkg-deb"_s, u"dpkg-shlibdeps"_s}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            QSKIP(qPrintable(tool + u" is not installed (Debian package dpkg-dev)"_s));
    }
    QVERIFY(m_output.isValid());
    QString output;
    QCOMPARE(DesktopEntry::run(u"dpkg"_s, {u"--print-architecture"_s}, &output), 0);
    m_architecture = output.trimmed();

    QCOMPARE(DesktopEntry::run(QStringLiteral(VELM_CPACK),
                               {u"-G"_s, u"DEB"_s, u"--config"_s,
                                QStringLiteral(VELM_BUILD_DIR) + u"/CPackConfig.cmake"_s, u"-B"_s,
                                m_output.path()},
                               &output, 300000),
             0);
    const QStringList debs = QDir(m_output.path()).entryList({u"*.deb"_s}, QDir::Files);
    // The usual Debian file name, which `apt-get install ./velm_*.deb` in the README relies on.
    QCOMPARE(debs,
             QStringList(u"velm_%1_%2.deb"_s.arg(QStringLiteral(VELM_VERSION), m_architecture)));
    m_deb = m_output.filePath(debs.first());
}

QString tst_DebPackage::field(const QString &name) const
{
    QString output;
    if (DesktopEntry::run(u"dpkg-deb"_s, {u"--field"_s, m_deb, name}, &output) != 0)
        return {};
    return output.trimmed();
}

void tst_DebPackage::controlFields_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("pattern");
    QTest::newRow("Maintainer") << u"Maintainer"_s << u"^[^<>]+ <[^<>@ ]+@[^<>@ ]+>$"_s;
    QTest::newRow("Homepage") << u"Homepage"_s << u"^https://"_s;
    // A synopsis line, then a long description in lines that fit a terminal.
    QTest::newRow("Description") << u"Description"_s << u"^\\S.{0,78}(\\n .{1,79})+$"_s;
}

void tst_DebPackage::controlFields()
{
    QFETCH(QString, name);
    QFETCH(QString, pattern);
    const QString value = field(name);
    QVERIFY2(QRegularExpression(pattern).match(value).hasMatch(), qPrintable(value));
}

void tst_DebPackage::dependsOnWhatIsLoadedAtRunTime_data()
{
    QTest::addColumn<QString>("package");
    // The packages that carry what Qt opens at run time: the X11 platform plugin and the SVG
    // image and icon plugins come with libraries that dpkg-shlibdeps finds in the binary; the
    // Wayland plugin is named by hand.
    QTest::newRow("X11 plugin") << u"libqt6gui6"_s;
    QTest::newRow("SVG plugins") << u"libqt6svg6"_s;
    QTest::newRow("Wayland plugin") << u"qt6-wayland"_s;
}

QStringList tst_DebPackage::dependencies() const
{
    QStringList names;
    for (const QString &alternatives : field(u"Depends"_s).split(u',')) {
        for (const QString &dependency : alternatives.split(u'|'))
            names.append(dependency.trimmed().section(u' ', 0, 0).section(u':', 0, 0));
    }
    return names;
}

// Formulas are drawn natively: no browser engine comes with velm.
void tst_DebPackage::bringsNoWebEngine()
{
    const QStringList names = dependencies();
    QVERIFY(!names.isEmpty());
    for (const QString &name : names) {
        QVERIFY2(!name.contains(u"webengine"_s) && !name.contains(u"webchannel"_s),
                 qPrintable(name));
    }
}

void tst_DebPackage::dependsOnWhatIsLoadedAtRunTime()
{
    QFETCH(QString, package);
    const QStringList names = dependencies();
    QVERIFY2(names.contains(package), qPrintable(names.join(u", "_s)));
}

void tst_DebPackage::carriesTheInstalledTree()
{
    QString output;
    QCOMPARE(DesktopEntry::run(u"dpkg-deb"_s, {u"--contents"_s, m_deb}, &output), 0);
    QStringList files;
    for (const QString &line : output.split(u'\n', Qt::SkipEmptyParts)) {
        if (!line.startsWith(u'd'))
            files.append(line.section(u' ', -1));
    }
    files.sort();
    const QString appId = AppIdentity::applicationId;
    QCOMPARE(files,
             QStringList({
                 u"./usr/bin/velm"_s,
                 u"./usr/share/applications/%1.desktop"_s.arg(appId),
                 u"./usr/share/icons/hicolor/scalable/apps/%1.svg"_s.arg(appId),
                 u"./usr/share/icons/hicolor/symbolic/apps/%1-symbolic.svg"_s.arg(appId),
                 u"./usr/share/metainfo/%1.metainfo.xml"_s.arg(appId),
             }));
}

VELM_TEST_MAIN(tst_DebPackage)
#include "tst_debpackage.moc"
