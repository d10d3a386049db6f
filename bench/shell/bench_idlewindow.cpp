#include "chat/chatsession.h"
#include "chat/chatstore.h"
#include "chat/settings.h"
#include "e2e/velmprocess.h"
#include "e2e/xsession.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTest>
#include <QTextStream>

#include <algorithm>
#include <optional>

#include <unistd.h>

using namespace Qt::StringLiterals;

// What a window that waits for the user costs: the real velm on an X display, its composer
// focused and its caret blinking, against a plain Qt Widgets window whose focused line edit
// blinks the same way (bench_plainwindow). Per window: the CPU it uses and how often its
// threads wake, both over 10 s, and its proportional set size (PSS) 5 s after it started or
// after the chat with formulas opened; the app's own process, and apart from it the helper
// processes it started (the web engine's, once a formula shows). The app's figures also as ratios
// to the plain window's.
//
//   bench_idlewindow             on a virtual display of its own (Xvfb)
//   bench_idlewindow --display   on $DISPLAY

namespace {

constexpr int measureMs = 10000;
constexpr int pssAfterMs = 5000;
const QString velmTitle = u"velm"_s;
const QString plainTitle = u"velm bench plain window"_s;

struct Sample
{
    qint64 ticks = 0; // utime + stime, clock ticks
    qint64 switches = 0; // voluntary + involuntary context switches
};

// What one process, or the helpers together, cost.
struct Cost
{
    double cpuPercent = 0;
    double wakeupsPerSecond = 0;
    double pssMb = 0;
    double rssMb = 0;
};

struct Figures
{
    QString name;
    Cost app;
    Cost helpers;
};

QByteArray readProc(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// The fields after "pid (comm)": comm may hold spaces, so they are read after its ')'.
QList<QByteArray> statFields(qint64 pid)
{
    const QByteArray text = readProc(u"/proc/%1/stat"_s.arg(pid));
    return text.mid(text.lastIndexOf(')') + 2).split(' ');
}

QList<qint64> descendantsOf(qint64 pid)
{
    QHash<qint64, qint64> parents;
    const QStringList entries = QDir(u"/proc"_s).entryList(QDir::Dirs | QDir::NoDotAndDotDot);
    for (const QString &entry : entries) {
        bool ok = false;
        const qint64 candidate = entry.toLongLong(&ok);
        const QList<QByteArray> fields = ok ? statFields(candidate) : QList<QByteArray>();
        if (fields.size() > 1)
            parents.insert(candidate, fields[1].toLongLong());
    }
    QList<qint64> found;
    for (auto it = parents.cbegin(); it != parents.cend(); ++it) {
        for (qint64 up = it.value(); up > 1; up = parents.value(up, 0)) {
            if (up == pid) {
                found.append(it.key());
                break;
            }
        }
    }
    return found;
}

Sample sampleOf(qint64 pid)
{
    Sample sample;
    const QList<QByteArray> fields = statFields(pid);
    // utime and stime are fields 14 and 15 of the whole line, 12 and 13 after the comm.
    if (fields.size() > 12)
        sample.ticks = fields[11].toLongLong() + fields[12].toLongLong();
    const QString tasks = u"/proc/%1/task"_s.arg(pid);
    for (const QString &task : QDir(tasks).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
        for (const QByteArray &line : readProc(tasks + u'/' + task + u"/status"_s).split('\n')) {
            if (line.startsWith("voluntary_ctxt_switches:")
                || line.startsWith("nonvoluntary_ctxt_switches:"))
                sample.switches += line.mid(line.indexOf(':') + 1).trimmed().toLongLong();
        }
    }
    return sample;
}

Sample sampleOfAll(const QList<qint64> &pids)
{
    Sample total;
    for (qint64 pid : pids) {
        const Sample sample = sampleOf(pid);
        total.ticks += sample.ticks;
        total.switches += sample.switches;
    }
    return total;
}

// "Pss:" or "Rss:" of smaps_rollup, in MB.
double memoryMbOf(qint64 pid, QByteArrayView field)
{
    for (const QByteArray &line : readProc(u"/proc/%1/smaps_rollup"_s.arg(pid)).split('\n')) {
        const QList<QByteArray> fields = line.simplified().split(' ');
        if (fields.size() >= 2 && fields[0] == field)
            return fields[1].toDouble() / 1024;
    }
    return 0;
}

// PSS at `pssAt` on `clock`, then the CPU and wake-ups of the next `measureMs`; the app's
// own process and the helpers it started apart.
Figures measure(const QString &name, qint64 pid, const QElapsedTimer &clock, qint64 pssAt)
{
    Figures figures;
    figures.name = name;
    QTest::qWait(int(std::max<qint64>(0, pssAt - clock.elapsed())));
    const QList<qint64> helpers = descendantsOf(pid);
    figures.app.pssMb = memoryMbOf(pid, "Pss:");
    figures.app.rssMb = memoryMbOf(pid, "Rss:");
    for (qint64 helper : helpers) {
        figures.helpers.pssMb += memoryMbOf(helper, "Pss:");
        figures.helpers.rssMb += memoryMbOf(helper, "Rss:");
    }

    QElapsedTimer window;
    const Sample appBefore = sampleOf(pid);
    const Sample helpersBefore = sampleOfAll(helpers);
    window.start();
    QTest::qWait(measureMs);
    const Sample appAfter = sampleOf(pid);
    const Sample helpersAfter = sampleOfAll(helpers);
    const double seconds = double(window.nsecsElapsed()) / 1e9;
    const auto spend = [&](Cost &cost, const Sample &before, const Sample &after) {
        cost.cpuPercent
            = 100.0 * double(after.ticks - before.ticks) / double(::sysconf(_SC_CLK_TCK)) / seconds;
        cost.wakeupsPerSecond = double(after.switches - before.switches) / seconds;
    };
    spend(figures.app, appBefore, appAfter);
    spend(figures.helpers, helpersBefore, helpersAfter);
    return figures;
}

bool clickAt(const XSession &x, const QString &window, int px, int py)
{
    return x.xdotool({u"mousemove"_s, u"--window"_s, window, u"--sync"_s, QString::number(px),
                      QString::number(py)})
        == 0
        && x.xdotool({u"click"_s, u"1"_s}) == 0;
}

// Hands the window the keyboard (nothing else does without a window manager), clicks the
// composer's first line near the window's foot as a user does, and moves the pointer away so
// that nothing shows a hover look.
bool focusComposer(const XSession &x, const QString &window)
{
    const QRect geometry = x.windowGeometry(window);
    return !geometry.isEmpty() && x.xdotool({u"windowfocus"_s, u"--sync"_s, window}) == 0
        && clickAt(x, window, geometry.width() / 2, geometry.height() - 74)
        && x.xdotool({u"mousemove"_s, u"0"_s, u"0"_s}) == 0;
}

// The formulas of the stored chat's answer, a different one per count, as a model writes them.
QString answerWithFormulas(int count)
{
    static const QStringList formulas = {
        u"$$x^2$$"_s,
        u"$$\\frac{a}{b} + \\sqrt{x^2 + y^2}$$"_s,
        u"$$\\int_0^1 x^2 \\, dx = \\frac{1}{3}$$"_s,
        u"$$\\sum_{n=1}^{\\infty} \\frac{1}{n^2} = \\frac{\\pi^2}{6}$$"_s,
        u"$$e^{i\\pi} + 1 = 0$$"_s,
        u"$$\\begin{pmatrix} a & b \\\\ c & d \\end{pmatrix}$$"_s,
        u"$$\\lim_{x \\to 0} \\frac{\\sin x}{x} = 1$$"_s,
        u"$$f(x) = \\begin{cases} 1 & x > 0 \\\\ 0 & \\text{otherwise} \\end{cases}$$"_s,
        u"$$\\nabla \\cdot \\mathbf{E} = \\frac{\\rho}{\\varepsilon_0}$$"_s,
        u"$$\\hat{\\theta} = \\arg\\max_\\theta \\, p(x \\mid \\theta)$$"_s,
    };
    QStringList parts{u"It is"_s};
    for (int i = 0; i < count; ++i) {
        QString formula = formulas.at(i % formulas.size());
        // The second ten differ from the first, as formulas of one answer do.
        if (i >= formulas.size())
            formula.insert(formula.size() - 2, u" + %1"_s.arg(i));
        parts.append(formula);
    }
    parts.append(u"for every real x."_s);
    return parts.join(u"\n\n"_s);
}

void prepareHome(const VelmProcess &velm, int formulas)
{
    Settings settings(velm.settingsFile(), velm.dataDirectory());
    settings.setHasCompletedOnboarding(true);
    settings.setUserName(u"Ada"_s);
    // A closed port: velm finds no model server and asks nothing of one.
    settings.setLmStudioServerAddress(u"http://127.0.0.1:9"_s);
    if (formulas == 0)
        return;
    ChatSession chat = ChatSession::create(QDateTime::currentDateTimeUtc());
    chat.messages = {
        ChatMessage(ChatMessage::Role::User, u"What is the square of x?"_s),
        ChatMessage(ChatMessage::Role::Assistant, answerWithFormulas(formulas)),
    };
    ChatStore(settings).save(chat);
}

// Opens the sidebar and the one stored chat in it with the keyboard (F6 to the chat list,
// Return on its first row), then closes the sidebar again.
bool openStoredChat(const XSession &x, const QString &window)
{
    if (x.xdotool({u"windowfocus"_s, u"--sync"_s, window}) != 0
        || x.xdotool({u"key"_s, u"ctrl+alt+s"_s}) != 0)
        return false;
    QTest::qWait(1000); // the sidebar slides in
    if (x.xdotool({u"key"_s, u"F6"_s, u"Return"_s}) != 0)
        return false;
    QTest::qWait(500);
    return x.xdotool({u"key"_s, u"ctrl+alt+s"_s}) == 0;
}

std::optional<Figures> measureVelm(const XSession &x, const QString &name, int formulas,
                                   bool focused, const QString &screenshot)
{
    VelmProcess velm(&x);
    prepareHome(velm, formulas);
    QElapsedTimer clock;
    clock.start();
    if (!velm.start() || !x.waitForWindow(velmTitle)) {
        QTextStream(stderr) << name << ": velm did not start\n" << velm.log();
        return std::nullopt;
    }
    const QString window = x.visibleWindows(velmTitle).value(0);
    // The greeting and the starters play their entrance; a click much earlier can miss the
    // composer.
    QTest::qWait(1500);
    qint64 pssAt = pssAfterMs;
    if (formulas > 0) {
        if (!openStoredChat(x, window))
            return std::nullopt;
        // However the formulas are drawn, they have been for a while 5 s after the chat opened.
        pssAt = clock.elapsed() + pssAfterMs;
    }
    if (!focusComposer(x, window))
        return std::nullopt;
    // Unfocused: a plain window takes the keyboard, as any other application would.
    QProcess other;
    if (!focused) {
        other.setProcessEnvironment(x.environment());
        other.start(QStringLiteral(VELM_BENCH_PLAIN_WINDOW));
        if (!x.waitForWindow(plainTitle)
            || x.xdotool({u"windowfocus"_s, u"--sync"_s, x.visibleWindows(plainTitle).value(0)})
                != 0)
            return std::nullopt;
    }
    Figures figures = measure(name, velm.process().processId(), clock, pssAt);
    // A focused composer's caret blinks, and that wakes the app a few times a second.
    if (focused && figures.app.wakeupsPerSecond < 1)
        figures.name += u" (caret not blinking: the click missed the composer)"_s;
    // What was measured, for a person to check.
    x.saveScreenshot(screenshot, window);
    other.kill();
    other.waitForFinished();
    return figures;
}

std::optional<Figures> measurePlain(const XSession &x)
{
    QProcess plain;
    plain.setProcessEnvironment(x.environment());
    QElapsedTimer clock;
    clock.start();
    plain.start(QStringLiteral(VELM_BENCH_PLAIN_WINDOW));
    if (!plain.waitForStarted() || !x.waitForWindow(plainTitle))
        return std::nullopt;
    const QString window = x.visibleWindows(plainTitle).value(0);
    if (x.xdotool({u"windowfocus"_s, u"--sync"_s, window}) != 0)
        return std::nullopt;
    Figures figures
        = measure(u"plain Qt window, line edit focused"_s, plain.processId(), clock, pssAfterMs);
    plain.kill();
    plain.waitForFinished();
    return figures;
}

QString ratio(double value, double floor)
{
    return floor > 0 ? u"%1×"_s.arg(value / floor, 0, 'f', 1) : u"-"_s;
}

// The least CPU use that can be told from none: one clock tick in the measured time. A plain
// window often uses less, and a ratio against zero says nothing.
double cpuResolutionPercent()
{
    return 100.0 / double(::sysconf(_SC_CLK_TCK)) / (measureMs / 1000.0);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    QTextStream out(stdout);
    XSession x;
    if (app.arguments().contains(u"--display"_s)) {
        if (!x.attach(qEnvironmentVariable("DISPLAY"))) {
            out << "DISPLAY is not set\n";
            return 1;
        }
    } else if (!XSession::missingTools().isEmpty() || !x.start()) {
        out << "Xvfb and xdotool are needed: " << XSession::missingTools().join(u", "_s) << "\n";
        return 1;
    }

    const std::optional<Figures> plain = measurePlain(x);
    if (!plain) {
        out << "the plain window did not start\n";
        return 1;
    }
    QList<Figures> rows{*plain};
    const struct
    {
        QString name;
        int formulas;
        bool focused;
        QString screenshot;
    } cases[] = {
        {u"velm, no chats, composer focused"_s, 0, true, u"idle-newchat.png"_s},
        {u"velm, no chats, another window focused"_s, 0, false, u"idle-unfocused.png"_s},
        {u"velm, a chat with $$x^2$$, composer focused"_s, 1, true, u"idle-formula.png"_s},
        {u"velm, a chat of 10 formulas, composer focused"_s, 10, true, u"idle-10formulas.png"_s},
        {u"velm, a chat of 20 formulas, composer focused"_s, 20, true, u"idle-20formulas.png"_s},
    };
    for (const auto &each : cases) {
        if (const std::optional<Figures> figures
            = measureVelm(x, each.name, each.formulas, each.focused, each.screenshot))
            rows.append(*figures);
        else
            out << each.name << ": (failed)\n";
    }

    const Cost &floor = plain->app;
    out << "CPU and wake-ups over " << measureMs / 1000 << " s; the app's ratios to the plain"
        << " window, CPU against at least " << cpuResolutionPercent() << " % (one clock tick)\n";
    out << "window | CPU % of a core | wake-ups/s | PSS MB | CPU ratio | wake-up ratio"
           " | PSS ratio | RSS MB | helpers' CPU % | helpers' wake-ups/s | helpers' PSS MB"
           " | helpers' RSS MB | total PSS MB\n";
    for (const Figures &row : std::as_const(rows)) {
        out << row.name << " | " << QString::number(row.app.cpuPercent, 'f', 2) << " | "
            << QString::number(row.app.wakeupsPerSecond, 'f', 1) << " | "
            << QString::number(row.app.pssMb, 'f', 1) << " | "
            << ratio(row.app.cpuPercent, std::max(floor.cpuPercent, cpuResolutionPercent()))
            << " | " << ratio(row.app.wakeupsPerSecond, floor.wakeupsPerSecond) << " | "
            << ratio(row.app.pssMb, floor.pssMb) << " | " << QString::number(row.app.rssMb, 'f', 1)
            << " | " << QString::number(row.helpers.cpuPercent, 'f', 2) << " | "
            << QString::number(row.helpers.wakeupsPerSecond, 'f', 1) << " | "
            << QString::number(row.helpers.pssMb, 'f', 1) << " | "
            << QString::number(row.helpers.rssMb, 'f', 1) << " | "
            << QString::number(row.app.pssMb + row.helpers.pssMb, 'f', 1) << "\n";
    }
    return 0;
}
