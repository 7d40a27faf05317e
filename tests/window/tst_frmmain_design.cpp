// The window as it opens: every element by its name, with its text, place, size and state.

#include "port/ptyfixture.h"
#include "window/frmmain.h"
#include "window/icon.h"

#include <QAction>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenuBar>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QSlider>
#include <QTimer>
#include <QtTest>

using namespace morvane;

namespace
{

constexpr int kOpen = -1; // a height the layout leaves open

QString TextOf(const QWidget* w)
{
    if (auto* label = qobject_cast<const QLabel*>(w))
        return label->text();
    if (auto* edit = qobject_cast<const QLineEdit*>(w))
        return edit->text();
    if (auto* button = qobject_cast<const QAbstractButton*>(w))
        return button->text();
    if (auto* box = qobject_cast<const QGroupBox*>(w))
        return box->title();
    return {};
}

} // namespace

class TestFrmMainDesign : public QObject
{
    Q_OBJECT
  private slots:
    void init();
    void cleanup();

    void window();
    void menus_data();
    void menus();
    void element_data();
    void element();
    void gridLines_data();
    void gridLines();
    void fontsAndColours();
    void startSelection();
    void timer();
    void accessorsReturnTheNamedElements();
    void pointerClickIntoAFieldIsReported();
    void keyboardFocusAndDisabledFieldsAreNotClicks();
    void portListWritesTheChosenPort();
    void icon();

  private:
    FrmMain* m_window = nullptr;
};

void TestFrmMainDesign::init()
{
    m_window = new FrmMain;
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TestFrmMainDesign::cleanup()
{
    delete m_window;
}

void TestFrmMainDesign::window()
{
    QCOMPARE(m_window->objectName(), "FrmMain");
    QCOMPARE(m_window->windowTitle(), "Morvane Config");
    // The design area keeps its size; the menu bar sits above it and the window grows by it.
    QCOMPARE(m_window->ClientArea()->size(), QSize(5550 / 15, 5865 / 15));
    QCOMPARE(m_window->ClientArea()->pos(), QPoint(0, m_window->menuBar()->height()));
    QCOMPARE(m_window->size(), QSize(5550 / 15, 5865 / 15 + m_window->menuBar()->height()));
}

void TestFrmMainDesign::menus_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QKeySequence>("shortcut");
    QTest::newRow("open") << "actionOpen"
                          << "&Open Configuration..." << QKeySequence(QKeySequence::Open);
    QTest::newRow("save") << "actionSave"
                          << "&Save Configuration" << QKeySequence(QKeySequence::Save);
    QTest::newRow("save as") << "actionSaveAs"
                             << "Save Configuration &As..." << QKeySequence("Ctrl+Shift+S");
    QTest::newRow("print") << "actionPrint"
                           << "&Print..." << QKeySequence(QKeySequence::Print);
    QTest::newRow("export PDF") << "actionExportPdf"
                                << "&Export PDF..." << QKeySequence();
    QTest::newRow("quit") << "actionQuit"
                          << "&Quit" << QKeySequence("Ctrl+Q");
    QTest::newRow("about") << "actionAbout"
                           << "&About Morvane Config" << QKeySequence();
    QTest::newRow("line traffic") << "actionLineTraffic"
                                  << "Line &Traffic" << QKeySequence("Ctrl+T");
    QTest::newRow("port list") << "actionPortList"
                               << "Serial Ports" << QKeySequence("Alt+Down");
    QTest::newRow("connection settings") << "actionConnectionSettings"
                                         << "&Settings..." << QKeySequence();
    QTest::newRow("connection defaults") << "actionRestoreConnection"
                                         << "&Restore Defaults" << QKeySequence();
    QTest::newRow("find controller") << "actionFindController"
                                     << "&Find Controller..." << QKeySequence();
}

void TestFrmMainDesign::menus()
{
    QFETCH(QString, name);
    QFETCH(QString, text);
    QFETCH(QKeySequence, shortcut);
    auto* action = m_window->findChild<QAction*>(name);
    QVERIFY2(action, qPrintable(name));
    QCOMPARE(action->text(), text);
    QCOMPARE(action->shortcut(), shortcut);
    QVERIFY(action->isEnabled());
}

void TestFrmMainDesign::element_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QRect>("twips");
    QTest::addColumn<bool>("enabled");
    QTest::addColumn<bool>("hidden");
    auto add = [](const QString& name, const QString& parent, const QString& text, int l, int t,
                  int w, int h, bool enabled = true, bool hidden = false) {
        QTest::newRow(qPrintable(name))
            << name << parent << text << QRect(l, t, w, h) << enabled << hidden;
    };
    add("Frame1", "ClientArea", "Input Mode", 120, 0, 5295, 2655);
    add("Frame2", "Frame1", "", 240, 360, 4815, 255);
    add("Option1_0", "Frame2", "Analog", 0, 0, 855, 195);
    add("Option1_1", "Frame2", "Digital", 1080, 0, 735, 195);
    add("Option1_2", "Frame2", "Serial", 3000, 0, 735, 195);
    add("Option2_1", "Frame1", "0-5V", 240, 720, 855, kOpen);
    add("Option2_2", "Frame1", "0-20mA", 240, 960, 855, kOpen);
    const char* digital[] = {"Counter  ", "Up/Down Counter", "Quadrature Counter", "Tachometer RPM",
                             "Frequency", "Up Timer",        "Down Timer"};
    const int digitalModes[] = {3, 4, 5, 6, 7, 9, 10};
    for (int k = 0; k < 7; ++k)
        add(QString("Option2_%1").arg(digitalModes[k]), "Frame1", digital[k], 1320, 720 + 240 * k,
            1695, kOpen, false);
    add("Option2_8", "Frame1", "ASCII", 3240, 720, 975, kOpen, false);
    add("Option2_11", "Frame1", "Modbus Signed Long", 3240, 960, 1815, kOpen, false);
    add("Frame6", "ClientArea", "Parameters", 120, 2760, 5295, 3015);

    const char* captions[] = {
        "Digits: ",     "Dec Place: ", "Mode: ",    "0V Value: ", "5V Value: ",
        "Disp Delay: ", "Debounce: ",  "Address: ", "Baud: ",     "Parity: "};
    const char* texts[] = {"5", "2", "1", "0", "100", "500", "20", "1", "3", "0"};
    for (int r = 0; r <= 9; ++r) {
        const bool enabled = r != 2 && r < 6;
        const int top = 360 + 240 * r;
        if (r >= 1)
            add(QString("Label6_%1").arg(r), "Frame6", QString("Param%1").arg(r), 120, top, 975,
                kOpen, enabled);
        add(QString("Label5_%1").arg(r), "Frame6", captions[r], 1080, top, 975, kOpen, enabled);
        add(QString("Text1_%1").arg(r), "Frame6", texts[r], 2040, top, 735, 285, enabled);
    }
    add("Label5_10", "Frame6", "4mA Value: ", 2760, 1080, 975, 285, true, true);
    add("Text1_10", "Frame6", "0", 3720, 1080, 735, 285, true, true);
    add("Label7", "Frame6", "999.99", 3120, 1800, 1935, 375, true, true);
    add("Slider1", "Frame6", "", 3000, 1800, 1935, 495, true, true);
    add("Command1", "Frame6", "Read From Controller", 3120, 1680, 975, 495);
    add("Command2", "Frame6", "Write To Controller", 4200, 1680, 975, 495);
    add("Label8", "Frame6", "COM Port: ", 3240, 2280, 975, 285);
    add("txtCom_0", "Frame6", "1", 4200, 2280, 855, 285);
    add("Text2", "Frame6", "Status", 3240, 2520, 1815, 285);
    add("txtRX", "Frame6", "Text2", 2760, 2760, 975, 285, true, true);
    add("txtTX", "Frame6", "Text3", 3960, 2760, 1335, 285, true, true);
}

void TestFrmMainDesign::element()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QString, text);
    QFETCH(QRect, twips);
    QFETCH(bool, enabled);
    QFETCH(bool, hidden);
    auto* w = m_window->findChild<QWidget*>(name);
    QVERIFY2(w, qPrintable(name));
    QCOMPARE(w->parentWidget()->objectName(), parent);
    QCOMPARE(TextOf(w), text);
    QCOMPARE(w->pos(), QPoint(twips.left() / 15, twips.top() / 15));
    QCOMPARE(w->width(), twips.width() / 15);
    if (twips.height() != kOpen)
        QCOMPARE(w->height(), twips.height() / 15);
    QCOMPARE(w->isEnabled(), enabled);
    QCOMPARE(w->isHidden(), hidden);
}

void TestFrmMainDesign::gridLines_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QLine>("twips");
    QTest::newRow("Line1") << "Line1"
                           << "Frame1" << QLine(120, 240, 5160, 240);
    QTest::newRow("Line2") << "Line2"
                           << "Frame1" << QLine(120, 240, 120, 2520);
    QTest::newRow("Line3") << "Line3"
                           << "Frame1" << QLine(120, 600, 5160, 600);
    QTest::newRow("Line4") << "Line4"
                           << "Frame1" << QLine(120, 2520, 5160, 2520);
    QTest::newRow("Line5") << "Line5"
                           << "Frame1" << QLine(5160, 240, 5160, 2520);
    QTest::newRow("Line6") << "Line6"
                           << "Frame1" << QLine(1200, 240, 1200, 2520);
    QTest::newRow("Line7") << "Line7"
                           << "Frame1" << QLine(3120, 240, 3120, 2520);
    QTest::newRow("Line8") << "Line8"
                           << "Frame2" << QLine(960, 0, 960, 240);
    QTest::newRow("Line9") << "Line9"
                           << "Frame2" << QLine(2880, 0, 2880, 240);
    QTest::newRow("Line10") << "Line10"
                            << "Frame2" << QLine(0, 240, 5040, 240);
}

// A line covers the pixels from one end to the other, one pixel thick, in grey C0C0C0.
void TestFrmMainDesign::gridLines()
{
    QFETCH(QString, name);
    QFETCH(QString, parent);
    QFETCH(QLine, twips);
    auto* line = m_window->findChild<QWidget*>(name);
    QVERIFY(line);
    QCOMPARE(line->parentWidget()->objectName(), parent);
    const QRect expected(QPoint(twips.x1() / 15, twips.y1() / 15),
                         QPoint(twips.x2() / 15, twips.y2() / 15));
    QCOMPARE(line->geometry(), expected);
    QVERIFY(line->autoFillBackground());
    QCOMPARE(line->palette().color(QPalette::Window), QColor(0xC0, 0xC0, 0xC0));
    QVERIFY(line->isVisible());
}

void TestFrmMainDesign::fontsAndColours()
{
    for (const char* name : {"Label3", "Label4", "Label7"}) {
        const QFont font = m_window->findChild<QLabel*>(name)->font();
        QCOMPARE(font.family(), "Courier New");
        QCOMPARE(font.weight(), QFont::Bold);
        QCOMPARE(font.pointSizeF(), 14.25);
    }
    for (int r = 0; r <= 10; ++r) {
        QList<QLabel*> labels{m_window->Label5(r)};
        if (r >= 1 && r <= 9)
            labels << m_window->Label6(r);
        for (QLabel* label : labels) {
            QVERIFY(label->autoFillBackground());
            for (auto group : {QPalette::Active, QPalette::Inactive, QPalette::Disabled})
                QCOMPARE(label->palette().color(group, QPalette::Window), QColor(Qt::white));
        }
    }
}

// The preview keeps its design captions, which differ from what 5 and 2 would give, until
// the first change of a field: opening the window runs no handler.
void TestFrmMainDesign::startSelection()
{
    QVERIFY(m_window->Option1(0)->isChecked());
    QVERIFY(m_window->Option2(1)->isChecked());
    QCOMPARE(m_window->Label3()->text(), "-9999.9");
    QCOMPARE(m_window->Label4()->text(), "9999.9");
    QCOMPARE(m_window->findChild<QLabel*>("Label1")->text(), "Min:");
    QCOMPARE(m_window->findChild<QLabel*>("Label2")->text(), "Max:");
    QCOMPARE(m_window->InputType(), 0);
    for (int t = 0; t < 3; ++t)
        QCOMPARE(m_window->ModeByType(t), 0);
    QVERIFY(m_window->Text2()->isReadOnly());
}

void TestFrmMainDesign::timer()
{
    QTimer* timer = m_window->findChild<QTimer*>("Timer1");
    QVERIFY(timer);
    QCOMPARE(m_window->Timer1(), timer);
    QCOMPARE(timer->interval(), 1000);
    QVERIFY(!timer->isActive());
}

void TestFrmMainDesign::accessorsReturnTheNamedElements()
{
    FrmMain& w = *m_window;
    for (int i = 0; i <= 10; ++i) {
        QCOMPARE(w.Text1(i)->objectName(), QString("Text1_%1").arg(i));
        QCOMPARE(w.Label5(i)->objectName(), QString("Label5_%1").arg(i));
    }
    for (int i = 1; i <= 9; ++i)
        QCOMPARE(w.Label6(i)->objectName(), QString("Label6_%1").arg(i));
    for (int i = 0; i <= 2; ++i)
        QCOMPARE(w.Option1(i)->objectName(), QString("Option1_%1").arg(i));
    for (int i = 1; i <= 11; ++i)
        QCOMPARE(w.Option2(i)->objectName(), QString("Option2_%1").arg(i));
    QCOMPARE(w.txtCom(0)->objectName(), "txtCom_0");
    QCOMPARE(w.Text2()->objectName(), "Text2");
    QCOMPARE(w.txtTX()->objectName(), "txtTX");
    QCOMPARE(w.txtRX()->objectName(), "txtRX");
    QCOMPARE(w.Command1()->objectName(), "Command1");
    QCOMPARE(w.Command2()->objectName(), "Command2");
    QCOMPARE(w.Label3()->objectName(), "Label3");
    QCOMPARE(w.Label4()->objectName(), "Label4");
}

void TestFrmMainDesign::pointerClickIntoAFieldIsReported()
{
    QSignalSpy spy(m_window, &FrmMain::fieldClicked);
    QTest::mouseClick(m_window->Text1(3), Qt::LeftButton);
    QTest::mouseClick(m_window->Text1(0), Qt::LeftButton, {}, QPoint(5, 5));
    QCOMPARE(spy.count(), 2);
    QCOMPARE(spy.at(0).at(0).toInt(), 3);
    QCOMPARE(spy.at(1).at(0).toInt(), 0);
    QVERIFY(m_window->Text1(0)->hasFocus());
}

void TestFrmMainDesign::keyboardFocusAndDisabledFieldsAreNotClicks()
{
    QSignalSpy spy(m_window, &FrmMain::fieldClicked);
    m_window->activateWindow();
    m_window->Text1(0)->setFocus(Qt::OtherFocusReason);
    QTest::keyClick(m_window->Text1(0), Qt::Key_Tab);
    QTest::keyClick(m_window->Text1(1), Qt::Key_Tab);
    QTest::mouseClick(m_window->Text1(8), Qt::LeftButton); // Baud is disabled under 0-5V
    QTest::mouseClick(m_window->Text1(4), Qt::RightButton);
    QCOMPARE(spy.count(), 0);
}

// Alt+Down in the port field lists the ports afresh, a variable set a moment ago among them;
// a click on its entry writes its number, and the field stays where it was. A variable that
// leads nowhere is there, greyed, and a click on it writes nothing.
void TestFrmMainDesign::portListWritesTheChosenPort()
{
    testing::PseudoTerminal device;
    QVERIFY(device.valid());
    QLineEdit* field = m_window->txtCom(0);
    const QRect place = field->geometry();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
    field->setFocus();
    qputenv("MORVANE_COM7", device.path().c_str());
    qputenv("MORVANE_COM8", "/dev/morvane-no-such-port");
    QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
    qunsetenv("MORVANE_COM7");
    qunsetenv("MORVANE_COM8");

    auto* list = qobject_cast<QListWidget*>(QApplication::activePopupWidget());
    QVERIFY(list);
    QCOMPARE(list->objectName(), "PortList");
    const QList<QListWidgetItem*> missing = list->findItems(
        "port 8: MORVANE_COM8=/dev/morvane-no-such-port — no such device", Qt::MatchExactly);
    QCOMPARE(missing.size(), 1);
    QVERIFY(!(missing[0]->flags() & Qt::ItemIsEnabled));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(missing[0]).center());
    QCOMPARE(QApplication::activePopupWidget(), list);
    const QList<QListWidgetItem*> entry = list->findItems("MORVANE_COM7=", Qt::MatchContains);
    QCOMPARE(entry.size(), 1);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(entry[0]).center());
    QCOMPARE(field->text(), "7");
    QCOMPARE(field->geometry(), place);
    QTRY_VERIFY(!QApplication::activePopupWidget());
}

namespace
{
QImage Painted(const QIcon& icon, int size)
{
    QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::white);
    QPainter painter(&image);
    icon.paint(&painter, image.rect());
    return image;
}
} // namespace

void TestFrmMainDesign::icon()
{
    const QIcon icon = MorvaneIcon();
    QCOMPARE(icon.isNull(), false);
    QIcon drawn; // what Qt makes of the drawn sizes when given them at once
    for (int size : {16, 24, 32, 48, 64, 128, 256})
        drawn.addPixmap(icon.pixmap(size));
    QCOMPARE(icon.availableSizes(), drawn.availableSizes());
    for (int size : {16, 32, 48, 256}) {
        const QImage image = icon.pixmap(size).toImage();
        QCOMPARE(image.size(), QSize(size, size));
        QVERIFY(image.pixelColor(size / 2, size / 2).alpha() > 0);
        QCOMPARE(image.pixelColor(0, 0).alpha(), 0); // rounded corner
    }
    for (int size : {20, 100, 300}) {
        for (QIcon::Mode mode : {QIcon::Normal, QIcon::Disabled, QIcon::Selected}) {
            QCOMPARE(icon.actualSize(QSize(size, size), mode),
                     drawn.actualSize(QSize(size, size), mode));
            QCOMPARE(icon.pixmap(size, mode).toImage(), drawn.pixmap(size, mode).toImage());
        }
        QCOMPARE(Painted(icon, size), Painted(drawn, size));
    }
}

QTEST_MAIN(TestFrmMainDesign)
#include "tst_frmmain_design.moc"
