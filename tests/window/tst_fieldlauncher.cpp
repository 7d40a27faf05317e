// The field-click launcher: which chooser a click into which field opens in which mode,
// decided on its own and carried out by real pointer clicks on the window.

#include "controller/modetable.h"
#include "window/fieldlauncher.h"
#include "window/frmmain.h"

#include "common/numbertext.h"
#include "dialogs/chooserdialog.h"
#include "dialogs/quietoffscreen.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTimer>

#include <map>

using namespace morvane;

Q_DECLARE_METATYPE(morvane::FieldChooser)

namespace
{

// The fields with choosers and the modes in which a click opens them; every other pair
// opens nothing.
const std::map<std::pair<int, int>, FieldChooser> kOpens = {
    {{9, 3}, FieldChooser::Duration}, {{10, 3}, FieldChooser::Duration},
    {{8, 8}, FieldChooser::Baud},     {{11, 8}, FieldChooser::Baud},
    {{8, 9}, FieldChooser::Parity},   {{11, 9}, FieldChooser::Parity},
};

FieldChooser Expected(int mode, int index)
{
    const auto found = kOpens.find({mode, index});
    return found == kOpens.end() ? FieldChooser::None : found->second;
}

ChooserModes OnlyMode(int mode)
{
    return {mode == 8, mode == 9, mode == 10, mode == 11};
}

QString DialogName(FieldChooser chooser)
{
    switch (chooser) {
    case FieldChooser::Duration:
        return "Form4";
    case FieldChooser::Baud:
        return "Form2";
    case FieldChooser::Parity:
        return "Form3";
    case FieldChooser::None:
        break;
    }
    return {};
}

QList<ChooserDialog*> OpenChoosers()
{
    QList<ChooserDialog*> open;
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<ChooserDialog*>(w); dialog && dialog->isVisible())
            open << dialog;
    return open;
}

void CloseChoosers()
{
    for (ChooserDialog* dialog : OpenChoosers())
        dialog->close();
    QTest::qWait(0);
}

void SelectMode(FrmMain& window, int mode)
{
    window.Option1(InputTypeOfMode(mode))->setChecked(true);
    window.Option2(mode)->setChecked(true);
}

void Click(QWidget* widget)
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, QPoint(4, widget->height() / 2));
}

} // namespace

class TestFieldLauncher : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { test::QuietOffscreenNotices(); }
    void init();
    void cleanup();
    void decision_data();
    void decision();
    void clickOpensTheRightChooser_data();
    void clickOpensTheRightChooser();
    void okWritesTheClickedField_data();
    void okWritesTheClickedField();
    void okWritesItsFieldAfterAModeChange();
    void keyboardOpensNothing();
    void closingTheWindowEndsTheProgramWithAChooserOpen();

  private:
    std::unique_ptr<FrmMain> m_window;
};

void TestFieldLauncher::init()
{
    m_window = std::make_unique<FrmMain>();
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void TestFieldLauncher::cleanup()
{
    CloseChoosers();
    m_window.reset();
}

void TestFieldLauncher::decision_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    for (int mode = mode::kFirst; mode <= mode::kLast; ++mode)
        for (int index = -1; index <= 11; ++index)
            QTest::addRow("mode %d, field %d", mode, index) << mode << index;
}

void TestFieldLauncher::decision()
{
    QFETCH(int, mode);
    QFETCH(int, index);
    QCOMPARE(ChooserForField(index, OnlyMode(mode)), Expected(mode, index));
}

void TestFieldLauncher::clickOpensTheRightChooser_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("gesture"); // a pointer click, or the keys that stand for one
    for (const char* gesture : {"click", "Alt+Down", "F4"})
        for (int mode = mode::kFirst; mode <= mode::kLast; ++mode)
            for (int index : {0, 1, 3, 4, 5, 7, 8, 9})
                QTest::addRow("%s, mode %d, field %d", gesture, mode, index)
                    << mode << index << QString(gesture);
}

void TestFieldLauncher::clickOpensTheRightChooser()
{
    QFETCH(int, mode);
    QFETCH(int, index);
    QFETCH(QString, gesture);
    SelectMode(*m_window, mode);
    QVERIFY(m_window->Option2(mode)->isChecked());
    QLineEdit* field = m_window->Text1(index);
    const FieldChooser expected = Expected(mode, index);
    if (expected != FieldChooser::None)
        QVERIFY2(field->isEnabled(), "a field with a chooser is open in its modes");

    if (gesture == "click") {
        Click(field);
    } else {
        const QString before = field->text();
        field->setFocus(Qt::TabFocusReason);
        if (gesture == "F4")
            QTest::keyClick(field, Qt::Key_F4);
        else
            QTest::keyClick(field, Qt::Key_Down, Qt::AltModifier);
        QCOMPARE(field->text(), before);
    }
    const QList<ChooserDialog*> open = OpenChoosers();
    if (expected == FieldChooser::None) {
        QVERIFY(open.isEmpty());
        return;
    }
    QCOMPARE(open.size(), 1);
    QCOMPARE(open.front()->objectName(), DialogName(expected));
    QCOMPARE(open.front()->Target(), field);
    QVERIFY(!open.front()->isModal());
}

void TestFieldLauncher::okWritesTheClickedField_data()
{
    QTest::addColumn<int>("mode");
    QTest::addColumn<int>("index");
    QTest::addColumn<QString>("choice"); // objectName and text entered
    QTest::addColumn<double>("written");
    QTest::newRow("Up Timer, 1.5 h") << 9 << 3 << "Text1=1.5" << 5400.0;
    QTest::newRow("Down Timer, 59 min then 18 h") << 10 << 3 << "Text2=59 Text1=18" << 65520.0;
    QTest::newRow("ASCII, 115200") << 8 << 8 << "Option1_7" << 7.0;
    QTest::newRow("Modbus Signed Long, 2400") << 11 << 8 << "Option1_1" << 1.0;
    QTest::newRow("ASCII, Even") << 8 << 9 << "Option1_2" << 2.0;
}

void TestFieldLauncher::okWritesTheClickedField()
{
    QFETCH(int, mode);
    QFETCH(int, index);
    QFETCH(QString, choice);
    QFETCH(double, written);
    SelectMode(*m_window, mode);
    Click(m_window->Text1(index));
    QCOMPARE(OpenChoosers().size(), 1);
    ChooserDialog* dialog = OpenChoosers().front();
    for (const QString& step : choice.split(' ')) {
        const QStringList nameAndText = step.split('=');
        if (nameAndText.size() == 2)
            dialog->findChild<QLineEdit*>(nameAndText[0])->setText(nameAndText[1]);
        else
            Click(dialog->findChild<QRadioButton*>(nameAndText[0]));
    }
    Click(dialog->findChild<QPushButton*>("Command1"));
    // The field's own change handling may give the number a sign column; its value counts.
    QCOMPARE(FieldValue(m_window->Text1(index)->text().toStdString()), written);
    QVERIFY(OpenChoosers().isEmpty());
}

void TestFieldLauncher::okWritesItsFieldAfterAModeChange()
{
    SelectMode(*m_window, 11);
    Click(m_window->Text1(9));
    ChooserDialog* parity = OpenChoosers().value(0);
    QVERIFY(parity);
    SelectMode(*m_window, 1); // the main window stays usable meanwhile
    Click(parity->findChild<QRadioButton*>("Option1_1"));
    Click(parity->findChild<QPushButton*>("Command1"));
    QCOMPARE(m_window->Text1(9)->text(), QString("1"));
}

void TestFieldLauncher::keyboardOpensNothing()
{
    for (auto [mode, index] : {std::pair{9, 3}, {8, 8}, {11, 9}}) {
        SelectMode(*m_window, mode);
        QLineEdit* field = m_window->Text1(index);
        field->setFocus(Qt::TabFocusReason);
        QTest::keyClick(field, Qt::Key_End);
        QTest::keyClicks(field, "1");
        QVERIFY2(OpenChoosers().isEmpty(), qPrintable(QString("field %1").arg(index)));
    }
    // Tabbing through every field of the serial mode opens nothing either.
    m_window->Text1(0)->setFocus(Qt::MouseFocusReason);
    for (int i = 0; i < 20; ++i)
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QVERIFY(OpenChoosers().isEmpty());
}

void TestFieldLauncher::closingTheWindowEndsTheProgramWithAChooserOpen()
{
    SelectMode(*m_window, 9);
    Click(m_window->Text1(3));
    QPointer<ChooserDialog> chooser = OpenChoosers().value(0);
    QVERIFY(chooser);
    chooser->findChild<QLineEdit*>("Text1")->setText("2");
    const QString before = m_window->Text1(3)->text();
    // Only a running program ends on its last window; run it, and give up after a while.
    QTimer::singleShot(0, m_window.get(), &QWidget::close);
    QTimer::singleShot(5000, qApp, [] { QCoreApplication::exit(1); });
    QCOMPARE(QApplication::exec(), 0);
    QVERIFY(chooser.isNull()); // closed on the way out, without writing its field
    QCOMPARE(m_window->Text1(3)->text(), before);
}

QTEST_MAIN(TestFieldLauncher)
#include "tst_fieldlauncher.moc"
