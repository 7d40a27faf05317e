#pragma once
// The main window on a virtual controller, with the message boxes and comparisons taken as
// records so a test can run unattended, and a clock that can be sped up so the 20-second limit
// passes quickly.

#include "port/transportport.h"
#include "simprocess.h"
#include "window/configcommands.h"
#include "window/frmmain.h"
#include "window/trafficwindow.h"

#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QStringList>

namespace morvane::testing
{

struct RecordedMessage {
    QString title;
    QString text;
    QString status; // the status line when the message came
    qint64 atMs;    // since the fixture was made
};

struct CommandFixture {
    CommandFixture()
    {
        since.start();
        window.Commands().host().SetMessagePresenter(
            [this](const std::string& title, const std::string& text) {
                messages.push_back({QString::fromStdString(title), QString::fromStdString(text),
                                    Status(), since.elapsed()});
            });
        window.Commands().host().SetComparisonPresenter(
            [this](const Comparison& comparison) { comparisons.push_back(comparison); });
    }

    bool StartSim(const QStringList& switches = {})
    {
        const QString path = sim.Start(switches);
        window.txtCom(0)->setText(path);
        return !path.isEmpty();
    }

    // Time of day running `factor` times faster than the wall clock, from noon on.
    void UseFastClock(double factor)
    {
        window.Commands().host().SetClock(
            [this, factor] { return 43200.0 + factor * double(since.elapsed()) / 1000.0; });
    }

    QString Status() const { return window.Text2()->text(); }

    QStringList Fields() const
    {
        QStringList texts;
        for (int i = 1; i <= 9; ++i)
            texts << window.Text1(i)->text();
        return texts;
    }

    void SetFields(const QStringList& texts)
    {
        for (int i = 1; i <= 9 && i <= texts.size(); ++i)
            window.Text1(i)->setText(texts[i - 1]);
    }

    // The rows of the line traffic window as "direction bytes: meaning".
    QStringList TrafficRows() const
    {
        const TrafficModel& model = window.Traffic();
        QStringList rows;
        for (int r = 0; r < model.rowCount(); ++r) {
            const auto cell = [&](int c) { return model.index(r, c).data().toString(); };
            rows << cell(TrafficModel::kDirection) + " " + cell(TrafficModel::kBytes) + ": " +
                        cell(TrafficModel::kMeaning);
        }
        return rows;
    }

    QString LastTrafficMeaning() const
    {
        const TrafficModel& model = window.Traffic();
        return model.index(model.rowCount() - 1, TrafficModel::kMeaning).data().toString();
    }

    QElapsedTimer since;
    SimProcess sim;
    FrmMain window;
    QList<RecordedMessage> messages;
    QList<Comparison> comparisons;
};

} // namespace morvane::testing
