// Takes the pictures of docs/screenshots: the main window in each input type, the three
// choosers as a click into their field opens them, the failure messages, the line traffic
// window, the port list, the result of comparing the window with a controller, the connection
// settings and a scan for units, and the main window on a dark desktop and with a large font.
// Run it on a display (scripts/screenshots.sh runs it under Xvfb):
//   morvane-screenshots OUTPUT_DIR

#include "camera.h"
#include "window/configcommands.h"
#include "window/connectionmenu.h"
#include "window/filemenu.h"
#include "window/findcontroller.h"
#include "window/frmmain.h"
#include "window/icon.h"
#include "window/trafficwindow.h"

#include <QAction>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QPalette>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTimer>

#include <cstdio>
#include <functional>
#include <memory>

using namespace morvane;
using namespace morvane::screenshots;

namespace
{

constexpr int kPaintMs = 500;
constexpr int kDialogGap = 12;

struct ModeScene {
    const char* file;
    int type;
    int mode;
};

const ModeScene kModeScenes[] = {
    {"main-analog-0-5v.png", 0, 1},     {"main-analog-0-20ma.png", 0, 2},
    {"main-digital-counter.png", 1, 3}, {"main-digital-up-timer.png", 1, 9},
    {"main-serial-ascii.png", 2, 8},    {"main-serial-modbus-signed-long.png", 2, 11},
};

struct DialogScene {
    const char* file;
    int type;
    int mode;
    int field;
    const char* dialog;
};

const DialogScene kDialogScenes[] = {
    {"form4-timer-duration.png", 1, 9, 3, "Form4"},
    {"form2-baud-rate.png", 2, 8, 8, "Form2"},
    {"form3-parity.png", 2, 8, 9, "Form3"},
};

QString g_outputDir;
int g_failures = 0;

void Fail(const QString& what)
{
    std::fprintf(stderr, "morvane-screenshots: %s\n", qPrintable(what));
    ++g_failures;
}

void Save(const QString& file)
{
    if (!SaveShownWindows(g_outputDir, file))
        Fail("could not take " + file);
}

// A window in its design state at the top left of the screen, shown and painted.
std::unique_ptr<FrmMain> ShowWindow()
{
    auto window = std::make_unique<FrmMain>();
    window->move(0, 0);
    window->show();
    Settle(kPaintMs);
    return window;
}

void SelectMode(FrmMain& window, int type, int mode)
{
    window.Option1(type)->click();
    window.Option2(mode)->click();
    Settle(kPaintMs);
}

// Ends a scene: every window the program shows closes, the choosers with it.
void CloseAll()
{
    QApplication::closeAllWindows();
    Settle(100);
}

void TakeModes()
{
    for (const ModeScene& scene : kModeScenes) {
        auto window = ShowWindow();
        SelectMode(*window, scene.type, scene.mode);
        Save(scene.file);
        CloseAll();
    }
}

QWidget* ShownWindowNamed(const QString& name)
{
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == name && w->isVisible())
            return w;
    }
    return nullptr;
}

void TakeDialogs()
{
    for (const DialogScene& scene : kDialogScenes) {
        auto window = ShowWindow();
        SelectMode(*window, scene.type, scene.mode);
        ClickInto(window->Text1(scene.field));
        Settle(kPaintMs);
        QWidget* dialog = ShownWindowNamed(scene.dialog);
        if (!dialog) {
            Fail(QString("a click into Text1(%1) opened no %2").arg(scene.field).arg(scene.dialog));
        } else {
            // Without a window manager nobody places it; beside the main window it hides nothing.
            dialog->move(window->frameGeometry().right() + kDialogGap, 0);
            Settle(kPaintMs);
            Save(scene.file);
        }
        CloseAll();
    }
}

// Runs `command` and takes the picture while its message box is up.
void TakeMessage(const QString& file, const std::function<void()>& command)
{
    bool caught = false;
    OnNextMessageBox([&file](QMessageBox*) { Save(file); }, caught);
    command();
    if (!caught)
        Fail("no message box came for " + file);
}

// A virtual controller with the given fault switches; its device, or empty when it cannot
// start.
QString StartController(QProcess& sim, const QStringList& switches)
{
    sim.start(MORVANE_SIM_PATH, switches);
    if (!sim.waitForStarted() || !sim.waitForReadyRead(5000))
        return {};
    return QString::fromUtf8(sim.readLine()).trimmed();
}

void StopController(QProcess& sim)
{
    sim.terminate();
    sim.waitForFinished();
}

void TakeMessages()
{
    {
        auto window = ShowWindow();
        window->txtCom(0)->setText("5");
        TakeMessage("message-port-cannot-be-opened.png", [&] { window->Command1()->click(); });
        CloseAll();
    }
    {
        QProcess sim;
        const QString device = StartController(sim, {"--silent"});
        if (device.isEmpty()) {
            Fail(QString("the virtual controller %1 did not start").arg(MORVANE_SIM_PATH));
        } else {
            qputenv("MORVANE_COM1", device.toUtf8()); // port "1", as the window starts
            auto window = ShowWindow();
            // Only the 20-second wait after the message is sped up, tenfold.
            QElapsedTimer since;
            since.start();
            window->Commands().host().SetClock(
                [since] { return 43200.0 + 10.0 * double(since.elapsed()) / 1000.0; });
            TakeMessage("message-no-response.png", [&] { window->Command2()->click(); });
            CloseAll();
        }
        StopController(sim);
    }
    {
        auto window = ShowWindow();
        window->Text1(5)->setText("70000");
        Settle(kPaintMs);
        TakeMessage("message-out-of-range.png", [&] { window->Command2()->click(); });
        CloseAll();
    }
}

// The File menu opened, with two files in its list of recent ones.
void TakeFileMenu()
{
    QTemporaryDir dir;
    auto window = ShowWindow();
    for (const char* name : {"panel-12-line-3.morvane", "site-north.morvane"})
        if (!window->Files().SaveFile(dir.filePath(name)))
            Fail(QString("could not save %1 for the File menu").arg(name));
    QMenu* file =
        window->menuBar()->actions().value(0) ? window->menuBar()->actions()[0]->menu() : nullptr;
    if (!file) {
        Fail("the window has no File menu");
        return;
    }
    window->menuBar()->setActiveAction(file->menuAction());
    Settle(kPaintMs);
    Save("file-menu.png");
    file->hide();
    CloseAll();
}

// A read that fails, the controller answering as slave 2, and one that succeeds through noise,
// both on port "1", as the line traffic window shows them beside the main window. The failed
// read waits out its 20 seconds on the real clock, so that the times in the rows are true.
void TakeLineTraffic()
{
    QProcess wrongAddress;
    QProcess noisy;
    const QString first = StartController(wrongAddress, {"--slave-answer", "2"});
    const QString second = StartController(noisy, {"--noise", "6"});
    if (first.isEmpty() || second.isEmpty()) {
        Fail(QString("the virtual controller %1 did not start").arg(MORVANE_SIM_PATH));
    } else {
        auto window = ShowWindow();
        qputenv("MORVANE_COM1", first.toUtf8());
        window->Command1()->click();
        qputenv("MORVANE_COM1", second.toUtf8());
        window->Command1()->click();
        window->findChild<QAction*>("actionLineTraffic")->trigger();
        TrafficWindow* traffic = window->findChild<TrafficWindow*>("LineTraffic");
        traffic->move(window->frameGeometry().right() + kDialogGap, 0);
        Settle(kPaintMs);
        Save("line-traffic.png");
        CloseAll();
    }
    StopController(wrongAddress);
    StopController(noisy);
}

// The list under the port field: the ports the system lists, and the virtual controller that
// MORVANE_COM1 names.
void TakePortList()
{
    QProcess sim;
    const QString device = StartController(sim, {});
    if (device.isEmpty()) {
        Fail(QString("the virtual controller %1 did not start").arg(MORVANE_SIM_PATH));
    } else {
        qputenv("MORVANE_COM1", device.toUtf8());
        auto window = ShowWindow();
        window->txtCom(0)->findChild<QAction*>("actionPortList")->trigger();
        Settle(kPaintMs);
        Save("port-list.png");
        CloseAll();
    }
    StopController(sim);
}

// "Compare with Controller" after reading a down timer, then choosing the up timer and changing
// two rows, the dialog beside the window.
void TakeCompareResult()
{
    QProcess sim;
    const QString device = StartController(sim, {"--registers", "2,10,600,100,500,20,1,3,0"});
    if (device.isEmpty()) {
        Fail(QString("the virtual controller %1 did not start").arg(MORVANE_SIM_PATH));
    } else {
        qputenv("MORVANE_COM1", device.toUtf8());
        auto window = ShowWindow();
        window->Command1()->click();
        window->Option2(9)->click();
        window->Text1(3)->setText("900");
        window->Text1(5)->setText("250");
        Settle(kPaintMs);
        bool caught = false;
        OnNextDialog(
            [&window](QDialog* dialog) {
                dialog->move(window->frameGeometry().right() + kDialogGap, 0);
                Settle(kPaintMs);
                Save("compare-result.png");
            },
            caught);
        window->findChild<QAction*>("actionCompareWithController")->trigger();
        if (!caught)
            Fail("no dialog came for compare-result.png");
        CloseAll();
    }
    StopController(sim);
}

// The settings dialog with a unit behind a device server in mind, and a scan under way that
// has found the unit at slave 17 and 19200 baud on a line.
void TakeConnection()
{
    QProcess sim;
    const QString device = StartController(
        sim, {"--slave", "17", "--baud", "19200", "--registers", "2,4,0,100,500,20,17,4,0"});
    if (device.isEmpty()) {
        Fail(QString("the virtual controller %1 did not start").arg(MORVANE_SIM_PATH));
        return;
    }
    auto window = ShowWindow();
    window->txtCom(0)->setText(device);
    Connection server;
    server.slave = 5;
    server.baud = 19200;
    server.parity = Parity::Even;
    server.timeLimitMs = 2000;
    server.retries = 1;
    window->Connections().Use(server);
    window->findChild<QAction*>("actionConnectionSettings")->trigger();
    Settle(kPaintMs);
    if (QWidget* dialog = ShownWindowNamed("ConnectionSettings")) {
        dialog->move(window->frameGeometry().right() + kDialogGap, 0);
        Settle(kPaintMs);
        Save("connection-settings.png");
        dialog->close();
    } else {
        Fail("Settings... opened no ConnectionSettings");
    }
    window->Connections().RestoreDefaults();
    window->findChild<QAction*>("actionFindController")->trigger();
    Settle(kPaintMs);
    auto* find = qobject_cast<FindController*>(ShownWindowNamed("FindController"));
    if (find) {
        find->move(window->frameGeometry().right() + kDialogGap, 0);
        find->findChild<QLineEdit*>("bauds")->setText("19200,38400");
        find->findChild<QLineEdit*>("parities")->setText("none");
        QTimer::singleShot(3000, find, [find] {
            Save("find-controller.png");
            find->Cancel();
        });
        find->Start();
    } else {
        Fail("Find Controller... opened no FindController");
    }
    CloseAll();
    StopController(sim);
}

// A dark desktop: light text on dark grey, with disabled text barely above its background,
// as many dark themes have it.
QPalette DarkDesktop()
{
    const QColor window(0x2b, 0x2b, 0x2b), text(0xf0, 0xf0, 0xf0), dim(0x5a, 0x5a, 0x5a);
    QPalette p(text, QColor(0x35, 0x35, 0x35), QColor(0x50, 0x50, 0x50), QColor(0x1a, 0x1a, 0x1a),
               QColor(0x30, 0x30, 0x30), text, Qt::white, QColor(0x1e, 0x1e, 0x1e), window);
    for (auto role : {QPalette::WindowText, QPalette::Text, QPalette::ButtonText})
        p.setColor(QPalette::Disabled, role, dim);
    p.setColor(QPalette::Disabled, QPalette::Base, window);
    p.setColor(QPalette::Highlight, QColor(0x2a, 0x82, 0xda));
    return p;
}

// The main window on a dark desktop, and with the desktop's font at 14 points.
void TakeOtherDesktops()
{
    const QPalette palette = QApplication::palette();
    const QFont font = QApplication::font();
    QApplication::setPalette(DarkDesktop());
    {
        auto window = ShowWindow();
        SelectMode(*window, 1, 9);
        Save("main-dark-desktop.png");
        CloseAll();
    }
    QApplication::setPalette(palette);
    QFont large = font;
    large.setPointSizeF(14);
    QApplication::setFont(large);
    {
        auto window = ShowWindow();
        SelectMode(*window, 2, 11);
        Save("main-large-font.png");
        CloseAll();
    }
    QApplication::setFont(font);
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication app(argc, argv);
    QApplication::setWindowIcon(MorvaneIcon());
    if (argc != 2) {
        std::fprintf(stderr, "usage: morvane-screenshots OUTPUT_DIR\n");
        return 2;
    }
    g_outputDir = QString::fromLocal8Bit(argv[1]);
    if (!QDir().mkpath(g_outputDir)) {
        std::fprintf(stderr, "morvane-screenshots: cannot create %s\n", argv[1]);
        return 1;
    }
    qunsetenv("MORVANE_COM5"); // port 5 must stand for a device that is not there
    TakeModes();
    TakeDialogs();
    TakeMessages();
    TakeFileMenu();
    TakeLineTraffic();
    TakePortList();
    TakeCompareResult();
    TakeConnection();
    TakeOtherDesktops();
    return g_failures == 0 ? 0 : 1;
}
