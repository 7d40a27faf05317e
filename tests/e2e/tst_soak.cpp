// A thousand write-then-read cycles through the real window against one virtual controller:
// every register must come back as it was written, the controller must see exactly the
// values the fields stand for, and the process must not grow while it works.

#include "commandfixture.h"
#include "controller/fields.h"
#include "controller/modetable.h"
#include "controller/registermap.h"

#include <QtTest>

#include <algorithm>
#include <array>
#include <cstdio>
#include <random>
#include <unistd.h>

#if defined(__SANITIZE_ADDRESS__)
#define MORVANE_UNDER_ASAN 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define MORVANE_UNDER_ASAN 1
#endif
#endif

using namespace morvane;
using namespace morvane::testing;

namespace
{

constexpr int kCycles = 1000;
constexpr int kRssBaselineCycle = 100;
constexpr long kMaxRssGrowthKiB = 8 * 1024;
constexpr std::uint32_t kDefaultSeed = 20240611;
constexpr int kMaxProblemsShown = 10;

using Registers = std::array<std::int32_t, ConfigRegisterCount>; // registers 3 to 11

long ResidentKiB()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2)
            resident = 0;
        std::fclose(statm);
    }
    return resident * (sysconf(_SC_PAGESIZE) / 1024);
}

std::uint32_t Seed()
{
    const QByteArray given = qgetenv("MORVANE_SOAK_SEED");
    bool ok = false;
    const uint seed = given.toUInt(&ok);
    return ok ? seed : kDefaultSeed;
}

QString ValuesLine(const Registers& regs)
{
    QStringList values;
    for (std::int32_t v : regs)
        values << QString::number(v);
    return "request fn=16 addr=2 count=9 values=" + values.join(',');
}

// What one cycle writes: a mode, the display's digit count, and the nine register fields as
// texts together with the register values they must arrive as.
struct CycleEntries {
    int mode = 1;
    QString digits;
    std::array<QString, ConfigRegisterCount> texts; // Text1(1) to Text1(9)
    Registers registers{};
};

class EntryMaker
{
  public:
    explicit EntryMaker(std::uint32_t seed) : m_rng(seed) {}

    CycleEntries Make()
    {
        CycleEntries e;
        e.mode = Between(mode::kFirst, mode::kLast);
        const int digits = Between(1, 10);
        e.digits = QString::number(digits);
        // Dec Place at most Digits: the entry checks leave it as typed.
        SetField(e, 1, Between(0, std::min(9, digits)));
        SetField(e, field::kMode, e.mode);
        for (int field = 3; field <= field::kLastRegisterField; ++field)
            SetField(e, field, Between(0, 65535));
        return e;
    }

    int OtherMode(int mode)
    {
        const int other = Between(mode::kFirst, mode::kLast - 1);
        return other >= mode ? other + 1 : other;
    }

    QString AnyText() { return QString::number(Between(-32768, 65535)); }

  private:
    int Between(int low, int high) { return std::uniform_int_distribution(low, high)(m_rng); }

    void SetField(CycleEntries& e, int field, std::int32_t reg)
    {
        const auto slot = std::size_t(field - field::kFirstRegisterField);
        e.registers[slot] = reg;
        e.texts[slot] = field == field::kMode ? QString::number(reg) : TextFor(field, reg, e.mode);
    }

    // One of the texts a technician may type for this register value: its signed reading,
    // the plain value, or a fraction that rounds to it (half to even).
    QString TextFor(int field, std::int32_t reg, int mode)
    {
        if (field == 1 || (field == field::kDuration && IsTimerMode(mode)))
            return QString::number(reg);
        const std::int32_t base = reg > 32767 && Between(0, 2) > 0 ? reg - 65536 : reg;
        switch (Between(0, 5)) {
        case 0:
            return QString::number(base) + ".25";
        case 1:
            return reg % 2 == 0 ? QString::number(base) + ".5" : QString::number(base);
        default:
            return QString::number(base);
        }
    }

    std::mt19937 m_rng;
};

} // namespace

class TestSoak : public QObject
{
    Q_OBJECT
  private slots:
    void writeThenReadCycles();

  private:
    void SelectMode(int mode);
    void Enter(const CycleEntries& e);
    void Scramble(const CycleEntries& e);
    void CheckWrite(int cycle, const CycleEntries& e);
    void CheckRead(int cycle, const CycleEntries& e);
    void Problem(int cycle, const QString& what);

    std::unique_ptr<CommandFixture> m_f;
    std::unique_ptr<EntryMaker> m_maker;
    QStringList m_problems;
    int m_mismatchedCycles = 0;
    int m_lastBadCycle = -1;
};

void TestSoak::SelectMode(int mode)
{
    m_f->window.Option1(InputTypeOfMode(mode))->click();
    m_f->window.Option2(mode)->click();
}

void TestSoak::Enter(const CycleEntries& e)
{
    SelectMode(e.mode);
    m_f->window.Text1(0)->setText(e.digits);
    for (int field = field::kFirstRegisterField; field <= field::kLastRegisterField; ++field) {
        if (field != field::kMode)
            m_f->window.Text1(field)->setText(e.texts[std::size_t(field - 1)]);
    }
}

// Another mode and other texts, so that only a complete read can bring the entries back.
void TestSoak::Scramble(const CycleEntries& e)
{
    SelectMode(m_maker->OtherMode(e.mode));
    for (int field = field::kFirstRegisterField; field <= field::kLastRegisterField; ++field) {
        if (field != field::kMode)
            m_f->window.Text1(field)->setText(m_maker->AnyText());
    }
}

void TestSoak::Problem(int cycle, const QString& what)
{
    if (cycle != m_lastBadCycle) {
        ++m_mismatchedCycles;
        m_lastBadCycle = cycle;
    }
    m_problems << QString("cycle %1: %2").arg(cycle).arg(what);
}

void TestSoak::CheckWrite(int cycle, const CycleEntries& e)
{
    if (m_f->Status() != "Read OK")
        Problem(cycle, "write ended with " + m_f->Status());
    const int request = 2 * cycle;
    if (!m_f->sim.WaitForRequests(request + 1)) {
        Problem(cycle, "the controller saw no write request");
        return;
    }
    const QString seen = m_f->sim.Requests().value(request);
    if (seen != ValuesLine(e.registers))
        Problem(cycle, "sent " + seen + ", expected " + ValuesLine(e.registers));
}

void TestSoak::CheckRead(int cycle, const CycleEntries& e)
{
    if (m_f->Status() != "Read OK")
        Problem(cycle, "read ended with " + m_f->Status());
    if (!m_f->window.Option2(e.mode)->isChecked() ||
        !m_f->window.Option1(InputTypeOfMode(e.mode))->isChecked())
        Problem(cycle, QString("mode %1 not selected after the read").arg(e.mode));
    for (int field = field::kFirstRegisterField; field <= field::kLastRegisterField; ++field) {
        const QString text = m_f->window.Text1(field)->text();
        const auto value = FieldRegisterValue(text.toStdString());
        const std::int32_t written = e.registers[std::size_t(field - 1)];
        if (value != written)
            Problem(cycle, QString("Text1(%1) read back \"%2\", written %3 (\"%4\")")
                               .arg(field)
                               .arg(text)
                               .arg(written)
                               .arg(e.texts[std::size_t(field - 1)]));
    }
    if (m_f->window.Text1(0)->text() != e.digits)
        Problem(cycle, "Digits changed to " + m_f->window.Text1(0)->text());
}

void TestSoak::writeThenReadCycles()
{
    const std::uint32_t seed = Seed();
    std::printf("soak: seed %u (set MORVANE_SOAK_SEED to repeat another)\n", seed);
    m_maker = std::make_unique<EntryMaker>(seed);
    m_f = std::make_unique<CommandFixture>();
    QVERIFY2(m_f->StartSim(), qPrintable(m_f->sim.ErrorText()));

    std::vector<double> cycleMs;
    long rssAtBaseline = 0;
    QElapsedTimer clock;
    for (int cycle = 0; cycle < kCycles; ++cycle) {
        clock.start();
        const CycleEntries e = m_maker->Make();
        Enter(e);
        m_f->window.Command2()->click();
        CheckWrite(cycle, e);
        Scramble(e);
        m_f->window.Command1()->click();
        CheckRead(cycle, e);
        cycleMs.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (cycle + 1 == kRssBaselineCycle)
            rssAtBaseline = ResidentKiB();
    }
    const long rssAtEnd = ResidentKiB();

    std::nth_element(cycleMs.begin(), cycleMs.begin() + kCycles / 2, cycleMs.end());
    std::printf("soak: %d cycles, %d mismatches, median cycle %.1f ms, RSS %ld -> %ld KiB "
                "(after %d cycles -> at the end)\n",
                kCycles, m_mismatchedCycles, cycleMs[kCycles / 2], rssAtBaseline, rssAtEnd,
                kRssBaselineCycle);
    std::fflush(stdout);

    QVERIFY2(m_problems.isEmpty(), qPrintable(m_problems.mid(0, kMaxProblemsShown).join('\n')));
    QCOMPARE(m_f->sim.RequestCount(), 2 * kCycles);
    QVERIFY2(m_f->messages.isEmpty(), qPrintable(m_f->messages.value(0).text));
#ifndef MORVANE_UNDER_ASAN
    // Under AddressSanitizer its own bookkeeping grows; LeakSanitizer covers leaks there.
    QVERIFY2(rssAtEnd - rssAtBaseline < kMaxRssGrowthKiB,
             qPrintable(QString("RSS grew by %1 KiB").arg(rssAtEnd - rssAtBaseline)));
#endif
}

QTEST_MAIN(TestSoak)
#include "tst_soak.moc"
