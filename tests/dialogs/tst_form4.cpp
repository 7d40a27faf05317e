// The timer-duration chooser: its checks in their order, the totals that "OK" writes, and
// that no total above what one 16-bit register holds ever leaves it.

#include "controller/durationlimits.h"
#include "dialogs/form4.h"

#include "common/numbertext.h"
#include "dialogs/quietoffscreen.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QRandomGenerator>
#include <QSignalSpy>
#include <QTest>

using namespace morvane;

namespace
{

struct Fields {
    QLineEdit* hours;
    QLineEdit* minutes;
    QLineEdit* seconds;
    QLineEdit* ByName(QChar name) const
    {
        return name == 'h' ? hours : name == 'm' ? minutes : seconds;
    }
};

Fields FieldsOf(QWidget* dialog)
{
    return {dialog->findChild<QLineEdit*>("Text1"), dialog->findChild<QLineEdit*>("Text2"),
            dialog->findChild<QLineEdit*>("Text3")};
}

// Edits as "h=18 m=59", applied in order with setText.
void Apply(const Fields& fields, const QString& edits)
{
    for (const QString& edit : edits.split(' ', Qt::SkipEmptyParts))
        fields.ByName(edit[0])->setText(edit.mid(2));
}

double RawTotal(const Fields& f)
{
    auto value = [](QLineEdit* e) { return FieldValue(e->text().toStdString()); };
    return value(f.hours) * 3600 + value(f.minutes) * 60 + value(f.seconds);
}

} // namespace

class TestForm4 : public QObject
{
    Q_OBJECT

  private slots:
    void initTestCase() { test::QuietOffscreenNotices(); }
    void cleanup();
    void opensWithZeros();
    void limitsHoldTheFields_data();
    void limitsHoldTheFields();
    void correctionsRunInTheirOrder_data();
    void correctionsRunInTheirOrder();
    void okWritesTheTotal_data();
    void okWritesTheTotal();
    void secondShowKeepsTheEntries();
    void noEditOrderGetsAboveTheRegister();
};

void TestForm4::cleanup()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (qobject_cast<ChooserDialog*>(w))
            w->close();
    QTest::qWait(0);
}

void TestForm4::opensWithZeros()
{
    QLineEdit field("400");
    Form4* dialog = ShowForm4(&field);
    QCOMPARE(dialog->objectName(), QString("Form4"));
    QCOMPARE(dialog->windowTitle(), QString("Timer Duration"));
    QVERIFY(!dialog->isModal() && !dialog->parentWidget());
    const Fields f = FieldsOf(dialog);
    const char* captions[] = {"Hours: ", "Mins: ", "Secs: "};
    QLineEdit* column[] = {f.hours, f.minutes, f.seconds};
    auto* ok = dialog->findChild<QPushButton*>("Command1");
    for (int i = 0; i < 3; ++i) {
        auto* label = dialog->findChild<QLabel*>(QString("Label%1").arg(i + 1));
        QCOMPARE(label->text(), QString(captions[i]));
        QCOMPARE(column[i]->text(), QString("0"));
        QVERIFY(label->geometry().right() < column[i]->x());
        QVERIFY(ok->x() > column[i]->geometry().right());
        if (i > 0)
            QVERIFY(column[i]->y() > column[i - 1]->y());
    }
    QCOMPARE(ok->text(), QString("OK"));
}

void TestForm4::limitsHoldTheFields_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("expected"); // hours minutes seconds
    QTest::newRow("hours 25") << "h=25"
                              << "18 0 0";
    QTest::newRow("hours -1") << "h=-1"
                              << "0 0 0";
    QTest::newRow("minutes 75") << "m=75"
                                << "0 59 0";
    QTest::newRow("seconds 75") << "s=75"
                                << "0 0 59";
    QTest::newRow("seconds -0.5") << "s=-0.5"
                                  << "0 0 0";
    QTest::newRow("18 h, minutes 30") << "h=18 m=30"
                                      << "18 12 0";
    QTest::newRow("18:12, seconds 40") << "h=18 m=12 s=40"
                                       << "18 12 15";
    QTest::newRow("18:11 keeps 40 s") << "h=18 m=11 s=40"
                                      << "18 11 40";
    QTest::newRow("17 h allows 59/59") << "h=17 m=59 s=59"
                                       << "17 59 59";
    QTest::newRow("non-numeric left as typed") << "h=abc m=75"
                                               << "abc 59 0";
    QTest::newRow("hour fraction kept") << "h=1.5"
                                        << "1.5 0 0";
    // Hours raised after minutes and seconds: held as well, so the fields show what "OK"
    // writes.
    QTest::newRow("59 min, then 18 h") << "m=59 h=18"
                                       << "18 12 0";
    QTest::newRow("59/59, then 25 h") << "m=59 s=59 h=25"
                                      << "18 12 15";
    QTest::newRow("18:11:59, then 12 min") << "h=18 m=11 s=59 m=12"
                                           << "18 12 15";
    QTest::newRow("17.9 h leaves 18:15") << "h=17.9 m=59 s=59"
                                         << "17.9 18 15";
    QTest::newRow("59/59, then 17.9 h") << "m=59 s=59 h=17.9"
                                        << "17.9 18 15";
    QTest::newRow("18 h 11.5 min leaves 45 s") << "h=18 m=11.5 s=59"
                                               << "18 11.5 45";
    QTest::newRow("lowering hours keeps held fields") << "m=59 h=18 h=2"
                                                      << "2 12 0";
}

void TestForm4::limitsHoldTheFields()
{
    QFETCH(QString, edits);
    QFETCH(QString, expected);
    QLineEdit field;
    const Fields f = FieldsOf(ShowForm4(&field));
    Apply(f, edits);
    QCOMPARE(QStringList({f.hours->text(), f.minutes->text(), f.seconds->text()}).join(' '),
             expected);
}

void TestForm4::correctionsRunInTheirOrder_data()
{
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QStringList>("texts"); // the edited field's texts, in order
    QTest::newRow("hours: upper limit") << ""
                                        << "h=25" << QStringList{"25", "18"};
    QTest::newRow("minutes: 59 before 12") << "h=18"
                                           << "m=75" << QStringList{"75", "59", "12"};
    QTest::newRow("seconds: 59 before 15") << "h=18 m=12"
                                           << "s=99" << QStringList{"99", "59", "15"};
    QTest::newRow("minutes: negative") << "h=18"
                                       << "m=-0.5" << QStringList{"-0.5", "0"};
}

void TestForm4::correctionsRunInTheirOrder()
{
    QFETCH(QString, before);
    QFETCH(QString, edit);
    QFETCH(QStringList, texts);
    QLineEdit field;
    const Fields f = FieldsOf(ShowForm4(&field));
    Apply(f, before);
    QLineEdit* edited = f.ByName(edit[0]);
    // Each correction runs nested inside the change it corrects, so this listener, connected
    // after the dialog's own check, hears the last correction first.
    QStringList seen;
    connect(edited, &QLineEdit::textChanged, this, [&seen](const QString& t) { seen.prepend(t); });
    Apply(f, edit);
    QCOMPARE(seen, texts);
}

void TestForm4::okWritesTheTotal_data()
{
    QTest::addColumn<QString>("edits");
    QTest::addColumn<QString>("written");
    QTest::newRow("OK at once") << ""
                                << "0";
    QTest::newRow("1.5 hours") << "h=1.5"
                               << "5400";
    QTest::newRow("17:59:59") << "h=17 m=59 s=59"
                              << "64799";
    QTest::newRow("largest") << "h=18 m=12 s=15"
                             << "65535";
    QTest::newRow("59 min, then 18 h") << "m=59 h=18"
                                       << "65520";
    QTest::newRow("59/59, then 18 h") << "m=59 s=59 h=18"
                                      << "65535";
    QTest::newRow("17.9 h with 59/59") << "h=17.9 m=59 s=59"
                                       << "65535";
    QTest::newRow("half a second") << "s=0.5"
                                   << "0.5";
    QTest::newRow("non-numeric counts 0") << "h=x m=2"
                                          << "120";
}

void TestForm4::okWritesTheTotal()
{
    QFETCH(QString, edits);
    QFETCH(QString, written);
    QLineEdit field("123");
    QPointer<Form4> dialog = ShowForm4(&field);
    Apply(FieldsOf(dialog), edits);
    QCOMPARE(field.text(), QString("123"));
    QTest::mouseClick(dialog->findChild<QPushButton*>("Command1"), Qt::LeftButton);
    QCOMPARE(field.text(), written);
    QTRY_VERIFY(dialog.isNull());
}

void TestForm4::secondShowKeepsTheEntries()
{
    QLineEdit field;
    Form4* first = ShowForm4(&field);
    Apply(FieldsOf(first), "h=2 m=3");
    QCOMPARE(ShowForm4(&field), first);
    QCOMPARE(FieldsOf(first).minutes->text(), QString("3"));
    first->close();
    QCOMPARE(field.text(), QString());
    QCOMPARE(FieldsOf(ShowForm4(&field)).hours->text(), QString("0"));
}

// Any order of edits, whole or fractional, in range or not: the fields never add up to more
// than 65535 s, and "OK" writes no more than that.
void TestForm4::noEditOrderGetsAboveTheRegister()
{
    QRandomGenerator random(7001);
    const char* const pool[] = {"18",   "17.9",  "17.99", "17.9999", "25", "-1", "59", "59.9", "12",
                                "12.5", "11.99", "15",    "60",      "0",  "",   "x",  "1e9"};
    for (int round = 0; round < 3000; ++round) {
        QLineEdit field;
        QPointer<Form4> dialog = ShowForm4(&field);
        const Fields f = FieldsOf(dialog);
        for (int step = 0; step < 6; ++step) {
            QLineEdit* edit = f.ByName(QString("hms")[random.bounded(3)]);
            edit->setText(pool[random.bounded(int(std::size(pool)))]);
            QVERIFY2(RawTotal(f) <= kMaxDurationSeconds + 1e-6,
                     qPrintable(QString("%1 %2 %3")
                                    .arg(f.hours->text(), f.minutes->text(), f.seconds->text())));
        }
        dialog->findChild<QPushButton*>("Command1")->click();
        QVERIFY(FieldValue(field.text().toStdString()) <= kMaxDurationSeconds);
        QTest::qWait(0);
    }
}

QTEST_MAIN(TestForm4)
#include "tst_form4.moc"
