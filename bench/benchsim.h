#pragma once
// What the benchmarks share: the virtual controller on its own pseudo-terminal, and medians.

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <vector>

namespace morvane::bench
{

// The virtual controller, for as long as the object lives; Path() is empty if it did not start.
class Sim
{
  public:
    Sim(const QString& binary, const QStringList& switches)
    {
        m_process.setStandardOutputFile(m_dir.filePath("out"));
        m_process.setStandardErrorFile(QProcess::nullDevice());
        m_process.start(binary, switches);
        for (int waited = 0; waited < 5000 && m_path.isEmpty(); waited += 10) {
            QThread::msleep(10);
            QFile out(m_dir.filePath("out"));
            const QByteArray printed = out.open(QIODevice::ReadOnly) ? out.readAll() : QByteArray();
            if (printed.contains('\n'))
                m_path = QString::fromUtf8(printed.left(printed.indexOf('\n')));
        }
    }
    ~Sim()
    {
        m_process.terminate();
        if (!m_process.waitForFinished(3000))
            m_process.kill();
    }
    Sim(const Sim&) = delete;
    Sim& operator=(const Sim&) = delete;
    QString Path() const { return m_path; }

  private:
    QTemporaryDir m_dir;
    QProcess m_process;
    QString m_path;
};

inline double Median(std::vector<double> v)
{
    std::sort(v.begin(), v.end());
    return v.empty() ? 0 : v[v.size() / 2];
}

} // namespace morvane::bench
