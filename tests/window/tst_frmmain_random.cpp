// Random edits on the live window: field texts set from code and typed key by key, type
// and mode choices by click and as a read makes them. After every step the entry checks'
// guarantees and the mode table must hold, and no chain of corrections may run away.
// MORVANE_RANDOM_SEED and MORVANE_RANDOM_EDITS override the fixed seed and the count.

#include "controller/entrychecks.h"
#include "controller/registermap.h"
#include "windowprobe.h"

#include <QtTest>

#include <cmath>
#include <random>

using namespace morvane;
using namespace morvane::test;

namespace
{

constexpr quint64 kDefaultSeed = 20240611;
constexpr long kDefaultEdits = 100000;

// Values for which the 0 mA and 4 mA formulas chase each other in the last digit.
const char* const kChasing[] = {"5.57489013671875", "-497.943359375", "-0.599750518798828",
                                "6.90448760986328", "-95.1287597656252"};

quint64 EnvNumber(const char* name, quint64 fallback)
{
    bool ok = false;
    const quint64 value = qEnvironmentVariable(name).toULongLong(&ok);
    return ok ? value : fallback;
}

class RandomEditor
{
  public:
    RandomEditor(FrmMain& w, quint64 seed) : m_w(w), m_rng(seed)
    {
        for (int i : {3, 10})
            QObject::connect(w.Text1(i), &QLineEdit::textChanged, [this] { m_pairFresh = true; });
        QObject::connect(w.Text1(4), &QLineEdit::textChanged, [this] { m_pairFresh = false; });
    }

    void Step();
    QString Violation() const;
    QString LastAction() const { return m_lastAction; }
    long Typed() const { return m_typed; }

  private:
    int Pick(int n) { return static_cast<int>(m_rng() % static_cast<quint64>(n)); }
    QString RandomText();
    QString RandomNumberText();
    void SetFromCode();
    void TypeIntoAField();
    void ChooseLikeAUser();
    void ReadLikeTheReadCommand();
    void ChasePair();

    FrmMain& m_w;
    std::mt19937_64 m_rng;
    bool m_pairFresh = false; // the last change among 3, 4 and 10 was to 3 or 10
    QString m_lastAction;
    long m_typed = 0;
};

QString RandomEditor::RandomNumberText()
{
    switch (Pick(7)) {
    case 0:
        return QString::number(Pick(41) - 20);
    case 1:
        return QString::number((Pick(200001) - 100000) / 100.0, 'g', 10);
    case 2:
        return QString("%1%2%3").arg(Pick(100) - 50).arg("EeDd"[Pick(4)]).arg(Pick(801) - 400);
    case 3:
        return QString::number(Pick(13)) + (Pick(2) ? ".5" : "");
    case 4:
        return QString(Pick(400) + 16, QChar('0' + Pick(10)));
    case 5: { // more digits than the fifteen the program writes back
        QString text = QString::number(Pick(12)) + '.';
        for (int n = Pick(8) + 13; n > 0; --n)
            text += QChar('0' + Pick(10));
        return text;
    }
    default:
        return kChasing[Pick(5)];
    }
}

QString RandomEditor::RandomText()
{
    static const char* const kOdd[] = {"",
                                       "abc",
                                       "x",
                                       "-",
                                       "+",
                                       ".",
                                       "&",
                                       "&H",
                                       "&Hzz",
                                       "&O17",
                                       "&HFFFF",
                                       "&h7fffffff",
                                       "1e308",
                                       "-1e308",
                                       "1e400",
                                       "-1e99999",
                                       "1e-320",
                                       "4.9e-324",
                                       "-2e-310",
                                       "1e-99999",
                                       "  1 2 . 5x",
                                       "\t3",
                                       "7 kg",
                                       "1D3",
                                       "5x",
                                       "&HFFFFFFFFFFFFFFFFFFFF",
                                       "1.7976931348623157e308",
                                       "0.000000000000001"};
    switch (Pick(4)) {
    case 0:
        return kOdd[Pick(std::size(kOdd))];
    case 1: {
        QString longText;
        for (int n = Pick(3000) + 100; n > 0; --n)
            longText += QChar(32 + Pick(95));
        return longText;
    }
    default:
        return RandomNumberText();
    }
}

void RandomEditor::SetFromCode()
{
    static const int kFields[] = {0, 1, 3, 4, 5, 6, 7, 8, 9, 10}; // the mode field follows
    const int field = kFields[Pick(std::size(kFields))];          // the options
    const QString text = RandomText();
    m_lastAction = QString("set Text1(%1) to \"%2\"").arg(field).arg(text.left(60));
    m_w.Text1(field)->setText(text);
}

void RandomEditor::TypeIntoAField()
{
    QList<QLineEdit*> open;
    for (int i = 0; i < field::kCount; ++i)
        if (m_w.Text1(i)->isEnabled() && !m_w.Text1(i)->isHidden())
            open << m_w.Text1(i);
    QLineEdit* field = open[Pick(static_cast<int>(open.size()))];
    QString text = (Pick(3) ? RandomNumberText() : RandomText()).left(12);
    text.replace('\t', ' ');
    m_lastAction = QString("typed \"%1\" into %2").arg(text, field->objectName());
    QTest::keyClick(field, Qt::Key_A, Qt::ControlModifier);
    if (text.isEmpty())
        QTest::keyClick(field, Qt::Key_Backspace);
    else
        QTest::keyClicks(field, text);
    ++m_typed;
}

void RandomEditor::ChooseLikeAUser()
{
    QList<QRadioButton*> open;
    for (int t = 0; t < 3; ++t)
        open << m_w.Option1(t);
    for (int m = 1; m <= 11; ++m)
        if (m_w.Option2(m)->isEnabled())
            open << m_w.Option2(m);
    QRadioButton* option = open[Pick(static_cast<int>(open.size()))];
    m_lastAction = "clicked " + option->objectName();
    option->click();
}

// Fields 1 to 9 filled from register values, then the type, then the mode.
void RandomEditor::ReadLikeTheReadCommand()
{
    const int mode = Pick(11) + 1;
    m_lastAction = QString("read mode %1").arg(mode);
    for (int field = 1; field <= 9; ++field) {
        const int value = field == 2 ? mode : Pick(65536);
        m_w.Text1(field)->setText(QString::fromStdString(RegisterValueText(field, value, mode)));
    }
    m_w.Option1(Expected(mode).type)->setChecked(true);
    m_w.Option2(mode)->setChecked(true);
}

void RandomEditor::ChasePair()
{
    m_w.Text1(4)->setText(kChasing[Pick(5)]);
    const int field = Pick(2) ? 3 : 10;
    m_lastAction = QString("chase through Text1(%1)").arg(field);
    m_w.Text1(field)->setText(kChasing[Pick(5)]);
}

void RandomEditor::Step()
{
    const int roll = Pick(100);
    if (roll < 55)
        SetFromCode();
    else if (roll < 75)
        TypeIntoAField();
    else if (roll < 87)
        ChooseLikeAUser();
    else if (roll < 95)
        ReadLikeTheReadCommand();
    else
        ChasePair();
}

QString RandomEditor::Violation() const
{
    const double digits = Num(m_w.Text1(0));
    const double decPlace = Num(m_w.Text1(1));
    if (!(digits >= 1 && digits <= 10))
        return "Digits out of range: " + m_w.Text1(0)->text();
    if (!(decPlace >= 0 && decPlace <= 9 && decPlace <= digits))
        return "Dec Place out of range: " + m_w.Text1(1)->text();
    const DisplayRange preview = DisplayPreview(digits, decPlace);
    if (m_w.Label3()->text().toStdString() != preview.min ||
        m_w.Label4()->text().toStdString() != preview.max)
        return "preview " + m_w.Label3()->text() + " " + m_w.Label4()->text();

    const int mode = CheckedMode(m_w);
    const int type = CheckedType(m_w);
    if (Expected(mode).type != type || m_w.InputType() != type)
        return QString("mode %1 under type %2").arg(mode).arg(type);
    if (m_w.Text1(2)->text() != QString::number(mode))
        return "mode field reads " + m_w.Text1(2)->text();
    if (QString rows = RowMismatch(m_w, mode); !rows.isEmpty())
        return rows;
    if (QString options = OptionMismatch(m_w, type); !options.isEmpty())
        return options;

    const double v0 = Num(m_w.Text1(3)), v4 = Num(m_w.Text1(10)), v20 = Num(m_w.Text1(4));
    const double scale = std::max({std::fabs(v0), std::fabs(v20), 1e-300});
    if (m_pairFresh && scale < 1e300 && std::fabs(v4 - (v0 + (v20 - v0) / 5)) > 1e-12 * scale)
        return "0 mA / 4 mA pair apart: " + m_w.Text1(3)->text() + " " + m_w.Text1(10)->text();
    return {};
}

} // namespace

class TestFrmMainRandom : public QObject
{
    Q_OBJECT
  private slots:
    void randomEditsKeepTheWindowConsistent();
};

void TestFrmMainRandom::randomEditsKeepTheWindowConsistent()
{
    const quint64 seed = EnvNumber("MORVANE_RANDOM_SEED", kDefaultSeed);
    const long edits = static_cast<long>(EnvNumber("MORVANE_RANDOM_EDITS", kDefaultEdits));
    qInfo("seed %llu, %ld edits", static_cast<unsigned long long>(seed), edits);

    FrmMain window;
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    window.Text1(0)->setText("6"); // the preview follows the fields from the first change on
    RandomEditor editor(window, seed);
    for (long step = 0; step < edits; ++step) {
        editor.Step();
        const QString violation = editor.Violation();
        if (!violation.isEmpty())
            QFAIL(qPrintable(
                QString("step %1 (%2): %3").arg(step).arg(editor.LastAction(), violation)));
    }
    qInfo("%ld of the edits typed key by key", editor.Typed());
}

QTEST_MAIN(TestFrmMainRandom)
#include "tst_frmmain_random.moc"
