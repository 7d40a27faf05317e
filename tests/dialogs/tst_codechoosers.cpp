// The baud-rate and parity choosers: what each opening shows, what "OK" writes, and that
// at most one copy of each is open.

#include "dialogs/form2.h"
#include "dialogs/form3.h"
#include "dialogs/quietoffscreen.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSignalSpy>
#include <QTest>

using namespace morvane;

namespace
{

CodeChooser* Show(const QString& which, QLineEdit* target)
{
    if (which == "Form2")
        return ShowForm2(target);
    return ShowForm3(target);
}

int CodeOf(const CodeChooser* dialog)
{
    if (auto* baud = qobject_cast<const Form2*>(dialog))
        return baud->BaudCode();
    return qobject_cast<const Form3*>(dialog)->ParityCode();
}

QRadioButton* Option(QWidget* dialog, int index)
{
    return dialog->findChild<QRadioButton*>(QString("Option1_%1").arg(index));
}

void ClickOk(QWidget* dialog)
{
    QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
}

} // namespace

class TestCodeChoosers : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { test::QuietOffscreenNotices(); }
    void cleanup();
    void opensWithItsDefaults_data();
    void opensWithItsDefaults();
    void okWritesTheChosenCode_data();
    void okWritesTheChosenCode();
    void closingWithoutOkLeavesTheField_data();
    void closingWithoutOkLeavesTheField();
    void secondShowBringsTheOpenOneForward();
    void okAfterTheFieldIsGoneOnlyCloses();
    void showRightAfterOkOpensAFreshOne();
};

void TestCodeChoosers::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ChooserDialog*>(w))
            w->close();
    QTest::qWait(0); // runs the deferred deletions
}

void TestCodeChoosers::opensWithItsDefaults_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QString>("frameCaption");
    QTest::addColumn<int>("firstIndex");
    QTest::addColumn<QStringList>("optionCaptions");
    QTest::addColumn<int>("defaultCode");
    QTest::newRow("baud") << "Form2"
                          << "Baud"
                          << "Baud Rate" << 1 << QStringList{"2400",  "4800",  "9600",  "19200",
                                                             "38400", "57600", "115200"}
                          << 3;
    QTest::newRow("parity") << "Form3"
                            << "Parity"
                            << "Parity" << 0 << QStringList{"None", "Odd", "Even"} << 0;
}

void TestCodeChoosers::opensWithItsDefaults()
{
    QFETCH(QString, which);
    QFETCH(QString, caption);
    QFETCH(QString, frameCaption);
    QFETCH(int, firstIndex);
    QFETCH(QStringList, optionCaptions);
    QFETCH(int, defaultCode);

    QLineEdit field("6");
    CodeChooser* dialog = Show(which, &field);
    QCOMPARE(dialog->objectName(), which);
    QCOMPARE(dialog->windowTitle(), caption);
    QVERIFY(dialog->isVisible());
    QVERIFY(!dialog->isModal());
    QVERIFY(!dialog->parentWidget());
    QVERIFY(dialog->testAttribute(Qt::WA_DeleteOnClose));
    QCOMPARE(CodeOf(dialog), defaultCode);

    auto* frame = dialog->findChild<QGroupBox*>("Frame1");
    QCOMPARE(frame->title(), frameCaption);
    int previousTop = -1;
    for (int i = 0; i < optionCaptions.size(); ++i) {
        QRadioButton* option = Option(dialog, firstIndex + i);
        QVERIFY2(option, qPrintable(QString("option %1").arg(firstIndex + i)));
        QCOMPARE(option->text(), optionCaptions[i]);
        QCOMPARE(option->parentWidget(), frame);
        QCOMPARE(option->isChecked(), firstIndex + i == defaultCode);
        QVERIFY(option->y() > previousTop);
        previousTop = option->y();
    }
    auto* ok = dialog->findChild<QPushButton*>("Command1");
    QCOMPARE(ok->text(), QString("OK"));
    QVERIFY(ok->x() >= frame->geometry().right());
}

void TestCodeChoosers::okWritesTheChosenCode_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<QString>("fieldBefore");
    QTest::addColumn<int>("chosen"); // -1: "OK" at once
    QTest::addColumn<QString>("written");
    QTest::newRow("baud, OK at once") << "Form2"
                                      << "7" << -1 << "3";
    QTest::newRow("baud 115200") << "Form2"
                                 << "3" << 7 << "7";
    QTest::newRow("baud 2400") << "Form2"
                               << "3" << 1 << "1";
    QTest::newRow("baud 9600 over 9600") << "Form2"
                                         << "3" << 3 << "3";
    QTest::newRow("parity, OK at once") << "Form3"
                                        << "2" << -1 << "0";
    QTest::newRow("parity Even") << "Form3"
                                 << "0" << 2 << "2";
    QTest::newRow("parity Odd") << "Form3"
                                << "0" << 1 << "1";
}

void TestCodeChoosers::okWritesTheChosenCode()
{
    QFETCH(QString, which);
    QFETCH(QString, fieldBefore);
    QFETCH(int, chosen);
    QFETCH(QString, written);

    QLineEdit field(fieldBefore);
    QSignalSpy changes(&field, &QLineEdit::textChanged);
    QPointer<CodeChooser> dialog = Show(which, &field);
    if (chosen >= 0) {
        QTest::mouseClick(Option(dialog, chosen), Qt::LeftButton);
        QCOMPARE(CodeOf(dialog), chosen);
    }
    QCOMPARE(field.text(), fieldBefore);
    ClickOk(dialog);
    QCOMPARE(field.text(), written);
    // The main window's change handling runs on the write, as for any edit.
    QCOMPARE(changes.size(), fieldBefore == written ? 0 : 1);
    QTRY_VERIFY(dialog.isNull());
}

void TestCodeChoosers::closingWithoutOkLeavesTheField_data()
{
    QTest::addColumn<QString>("which");
    QTest::addColumn<bool>("byEscape");
    QTest::addColumn<int>("chosen");
    QTest::addColumn<int>("defaultCode");
    QTest::newRow("baud, window closed") << "Form2" << false << 7 << 3;
    QTest::newRow("baud, Escape") << "Form2" << true << 1 << 3;
    QTest::newRow("parity, window closed") << "Form3" << false << 2 << 0;
    QTest::newRow("parity, Escape") << "Form3" << true << 1 << 0;
}

void TestCodeChoosers::closingWithoutOkLeavesTheField()
{
    QFETCH(QString, which);
    QFETCH(bool, byEscape);
    QFETCH(int, chosen);
    QFETCH(int, defaultCode);

    QLineEdit field("5");
    QPointer<CodeChooser> dialog = Show(which, &field);
    QTest::mouseClick(Option(dialog, chosen), Qt::LeftButton);
    if (byEscape)
        QTest::keyClick(dialog, Qt::Key_Escape);
    else
        dialog->close();
    QTRY_VERIFY(dialog.isNull());
    QCOMPARE(field.text(), QString("5"));

    CodeChooser* next = Show(which, &field);
    QCOMPARE(CodeOf(next), defaultCode);
    QVERIFY(Option(next, defaultCode)->isChecked());
}

void TestCodeChoosers::secondShowBringsTheOpenOneForward()
{
    QLineEdit baudField("3");
    QLineEdit otherField("3");
    Form2* first = ShowForm2(&baudField);
    QTest::mouseClick(Option(first, 7), Qt::LeftButton);
    first->showMinimized();

    // A second click into the field: the open dialog, as it was, and still for its field.
    Form2* second = ShowForm2(&otherField);
    QCOMPARE(second, first);
    QVERIFY(!second->isMinimized());
    QCOMPARE(second->BaudCode(), 7);
    QVERIFY(Option(second, 7)->isChecked());
    ClickOk(second);
    QCOMPARE(baudField.text(), QString("7"));
    QCOMPARE(otherField.text(), QString("3"));
}

void TestCodeChoosers::okAfterTheFieldIsGoneOnlyCloses()
{
    auto* field = new QLineEdit("1");
    QPointer<Form3> dialog = ShowForm3(field);
    delete field; // the main window closed while the chooser stayed open
    QCOMPARE(dialog->Target(), nullptr);
    ClickOk(dialog);
    QTRY_VERIFY(dialog.isNull());
}

void TestCodeChoosers::showRightAfterOkOpensAFreshOne()
{
    QLineEdit field("3");
    QPointer<Form2> closing = ShowForm2(&field);
    QTest::mouseClick(Option(closing, 5), Qt::LeftButton);
    ClickOk(closing);
    // Not yet deleted: it goes on the next turn of the event loop.
    QPointer<Form2> fresh = ShowForm2(&field);
    QVERIFY(fresh != closing);
    QCOMPARE(fresh->BaudCode(), 3);
    QTRY_VERIFY(closing.isNull());
    QVERIFY(fresh && fresh->isVisible());
}

QTEST_MAIN(TestCodeChoosers)
#include "tst_codechoosers.moc"
