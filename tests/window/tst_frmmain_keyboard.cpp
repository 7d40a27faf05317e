// The window without a mouse and through a screen reader: where the focus goes after a
// command, Tab and the arrow keys through the input types and modes, and the names the
// fields, options and messages are announced by.

#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/form4.h"
#include "dialogs/quietoffscreen.h"
#include "window/configcommands.h"
#include "windowprobe.h"

#include <QAccessible>
#include <QApplication>
#include <QDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <vector>

using namespace morvane;
using namespace morvane::test;

namespace
{

// The modes of each type, top to bottom in its column of the grid.
const std::vector<int> kColumns[] = {{1, 2}, {3, 4, 5, 6, 7, 9, 10}, {8, 11}};

// The mode one arrow down from `mode`: the next in its column, or itself at the bottom.
int Below(int mode)
{
    const std::vector<int>& column = kColumns[Expected(mode).type];
    const auto at = std::find(column.begin(), column.end(), mode);
    return at + 1 == column.end() ? mode : *(at + 1);
}

QString AccessibleName(QObject* object)
{
    QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(object);
    return iface ? iface->text(QAccessible::Name) : QString("(no interface)");
}

QString CaptionWithoutColon(const QLabel* label)
{
    QString caption = label->text().trimmed();
    if (caption.endsWith(':'))
        caption.chop(1);
    return caption;
}

} // namespace

class TestFrmMainKeyboard : public QObject
{
    Q_OBJECT
  private slots:
    void initTestCase() { QuietOffscreenNotices(); }
    void init();
    void cleanup();

    void focusReturnsToTheCommandButton_data();
    void focusReturnsToTheCommandButton();
    void focusMovedDuringACommandStaysMoved();
    void tabAndArrowsReachTheChosenMode_data();
    void tabAndArrowsReachTheChosenMode();
    void fieldsAreNamedByTheirCaptions_data();
    void fieldsAreNamedByTheirCaptions();
    void statusLineReadsItsStatus();
    void choosersAndMessagesAreNamedByTheirCaptions();

  private:
    void Key(int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier)
    {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key(key), modifiers);
    }

    FrmMain* m_window = nullptr;
};

void TestFrmMainKeyboard::init()
{
    m_window = new FrmMain;
    m_window->show();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window));
}

void TestFrmMainKeyboard::cleanup()
{
    delete m_window;
}

void TestFrmMainKeyboard::focusReturnsToTheCommandButton_data()
{
    QTest::addColumn<int>("command"); // 1 read, 2 write
    QTest::addColumn<QString>("way");
    for (int command : {1, 2})
        for (const char* way : {"pointer", "Space", "Enter", "mnemonic"})
            QTest::addRow("Command%d by %s", command, way) << command << QString(way);
}

// The port cannot be opened: the command shows its message, which the user closes, and ends.
void TestFrmMainKeyboard::focusReturnsToTheCommandButton()
{
    QFETCH(int, command);
    QFETCH(QString, way);
    QPushButton* button = command == 1 ? m_window->Command1() : m_window->Command2();
    QLineEdit* port = m_window->txtCom(0);
    port->setText("/nonexistent/morvane-port");
    int boxes = 0;
    QTimer closer;
    connect(&closer, &QTimer::timeout, this, [&boxes] {
        if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
            ++boxes;
            box->accept();
        }
    });
    closer.start(20);
    m_window->Text1(5)->setFocus(Qt::MouseFocusReason); // the mnemonic works from a field

    if (way == "pointer") {
        QTest::mouseClick(button, Qt::LeftButton);
    } else if (way == "mnemonic") {
        Key(command == 1 ? Qt::Key_R : Qt::Key_W, Qt::AltModifier);
    } else {
        button->setFocus(Qt::TabFocusReason);
        Key(way == "Space" ? Qt::Key_Space : Qt::Key_Return);
    }

    QTRY_COMPARE(boxes, 1);
    QTRY_VERIFY(button->isEnabled());
    QCOMPARE(m_window->Text2()->text(), QString("ERROR"));
    // The offscreen platform leaves the window inactive after the box; it has the button as
    // the widget to give the focus to when it is active again.
    QCOMPARE(m_window->focusWidget(), button);
    QCOMPARE(port->text(), QString("/nonexistent/morvane-port"));
    QVERIFY(!port->hasSelectedText());
}

// A user who clicks into a field while the command waits keeps the focus there.
void TestFrmMainKeyboard::focusMovedDuringACommandStaysMoved()
{
    m_window->txtCom(0)->setText("/nonexistent/morvane-port");
    m_window->Commands().host().SetMessagePresenter([this](const std::string&, const std::string&) {
        m_window->Text1(4)->setFocus(Qt::MouseFocusReason);
    });
    m_window->Command1()->setFocus(Qt::TabFocusReason);
    Key(Qt::Key_Space);
    QCOMPARE(m_window->focusWidget(), m_window->Text1(4));
}

void TestFrmMainKeyboard::tabAndArrowsReachTheChosenMode_data()
{
    QTest::addColumn<int>("from");
    QTest::addColumn<int>("to");
    for (int from = 0; from < 3; ++from)
        for (int to = 0; to < 3; ++to)
            QTest::addRow("%d to %d", from, to) << from << to;
}

// Types are chosen with the arrow keys, as a user without a mouse chooses them; after each
// choice Tab reaches the type's first mode, Down chooses the next one, Tab goes on to the
// first field and Shift+Tab comes back through the mode to the type.
void TestFrmMainKeyboard::tabAndArrowsReachTheChosenMode()
{
    QFETCH(int, from);
    QFETCH(int, to);
    m_window->Option1(0)->setFocus(Qt::TabFocusReason);
    int type = 0;
    for (int target : {from, to}) {
        const bool typeChanges = target != type;
        for (; type < target; ++type)
            Key(Qt::Key_Right);
        for (; type > target; --type)
            Key(Qt::Key_Left);
        QCOMPARE(QApplication::focusWidget(), m_window->Option1(target));
        QVERIFY(m_window->Option1(target)->isChecked());
        const int chosen = CheckedMode(*m_window);
        if (typeChanges)
            QCOMPARE(chosen, kColumns[target].front());

        Key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_window->Option2(chosen));
        Key(Qt::Key_Down);
        const int second = Below(chosen);
        QCOMPARE(QApplication::focusWidget(), m_window->Option2(second));
        QCOMPARE(CheckedMode(*m_window), second);
        QCOMPARE(m_window->Text1(2)->text(), QString::number(second));
        Key(Qt::Key_Left); // no other mode of the type stands beside it
        Key(Qt::Key_Right);
        QCOMPARE(CheckedMode(*m_window), second);

        Key(Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), m_window->Text1(0));
        Key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), m_window->Option2(second));
        Key(Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), m_window->Option1(target));
    }
}

void TestFrmMainKeyboard::fieldsAreNamedByTheirCaptions_data()
{
    QTest::addColumn<int>("mode");
    for (int m = 1; m <= 11; ++m)
        QTest::addRow("mode %d", m) << m;
}

// Reached from another type, so that the captions a mode keeps are those of another mode.
void TestFrmMainKeyboard::fieldsAreNamedByTheirCaptions()
{
    QFETCH(int, mode);
    m_window->Option1((Expected(mode).type + 1) % 3)->click();
    m_window->Option1(Expected(mode).type)->click();
    m_window->Option2(mode)->click();
    for (int row = 0; row <= 10; ++row) {
        QLineEdit* field = m_window->Text1(row);
        QCOMPARE(AccessibleName(field), CaptionWithoutColon(m_window->Label5(row)));
        QCOMPARE(m_window->Label5(row)->buddy(), field);
    }
    const ExpectedMode& e = Expected(mode);
    if (e.caption3)
        QCOMPARE(AccessibleName(m_window->Text1(3)) + ": ", QString(e.caption3));
    QCOMPARE(AccessibleName(m_window->Text1(5)), QString("Disp Delay"));
    QCOMPARE(AccessibleName(m_window->txtCom(0)), QString("COM Port"));
    QCOMPARE(AccessibleName(m_window->Text2()), QString("Status"));
    for (int m = 1; m <= 11; ++m)
        QCOMPARE(AccessibleName(m_window->Option2(m)).trimmed(),
                 m_window->Option2(m)->text().trimmed());
    QCOMPARE(AccessibleName(m_window->Option1(1)), QString("Digital"));
    QCOMPARE(AccessibleName(m_window->Command1()), QString("Read From Controller"));
}

// What a screen reader reads on the status line; the announcement of a change itself reaches
// only a platform's accessibility bridge, which the test platforms do not run.
void TestFrmMainKeyboard::statusLineReadsItsStatus()
{
    m_window->Commands().host().SetStatus("Read OK");
    QAccessibleInterface* status = QAccessible::queryAccessibleInterface(m_window->Text2());
    QCOMPARE(status->text(QAccessible::Name), QString("Status"));
    QCOMPARE(status->text(QAccessible::Value), QString("Read OK"));
    QVERIFY(status->state().readOnly);
}

void TestFrmMainKeyboard::choosersAndMessagesAreNamedByTheirCaptions()
{
    const std::pair<QDialog*, QString> choosers[] = {
        {ShowForm2(m_window->Text1(8)), "Baud"},
        {ShowForm3(m_window->Text1(9)), "Parity"},
        {ShowForm4(m_window->Text1(3)), "Timer Duration"}};
    QCOMPARE(AccessibleName(choosers[0].first->findChild<QRadioButton*>("Option1_7")),
             QString("115200"));
    QCOMPARE(AccessibleName(choosers[2].first->findChild<QLineEdit*>("Text2")), QString("Mins"));
    for (const auto& [dialog, caption] : choosers) {
        QCOMPARE(AccessibleName(dialog), caption);
        dialog->close();
    }

    QString named;
    QTimer::singleShot(0, this, [&named] {
        QWidget* box = QApplication::activeModalWidget();
        QVERIFY(box);
        named = AccessibleName(box) + " / " +
                QAccessible::queryAccessibleInterface(box)->text(QAccessible::Description);
        box->close();
    });
    m_window->Commands().host().ShowMessage("Communication Error", "No Response From Morvane");
    QCOMPARE(named, QString("Communication Error / No Response From Morvane"));
}

QTEST_MAIN(TestFrmMainKeyboard)
#include "tst_frmmain_keyboard.moc"
