#pragma once
// The line traffic window: every request sent, every run of bytes received and how each
// command ended, one row each, newest at the bottom. The rows are kept from the start of the
// program whether the window is open or not.

#include "exchange/trafficrecorder.h"
#include "window/commandreports.h"

#include <QAbstractTableModel>
#include <QWidget>

#include <deque>

class QTableView;

namespace morvane
{

class TrafficModel : public QAbstractTableModel
{
    Q_OBJECT
  public:
    // The oldest rows go when more come: a day's work at the bench fits many times over.
    static constexpr int kRowLimit = 5000;
    enum Column { kTime, kDirection, kBytes, kMeaning, kColumnCount };

    using QAbstractTableModel::QAbstractTableModel;

    void Append(TrafficRow row);
    void Clear();
    // Every row, one line each, as Copy and Save As give them.
    QString Text() const;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

  private:
    std::deque<TrafficRow> m_rows;
};

class TrafficWindow : public QWidget
{
    Q_OBJECT
  public:
    // A save that fails is reported through the main window's messages and status line.
    TrafficWindow(TrafficModel& model, CommandView& report, QWidget* parent);

    QTableView* View() const { return m_view; }
    void CopyAll();
    void SaveAs();
    // False, with a message naming the file and the reason and "ERROR" in the status line,
    // when the file cannot be written; one that was there stays as it was.
    bool SaveFile(const QString& path);

  protected:
    void showEvent(QShowEvent* event) override;

  private:
    void BuildView();
    bool AtBottom() const;

    TrafficModel& m_model;
    CommandView& m_report;
    QTableView* m_view = nullptr;
    bool m_following = true;
};

} // namespace morvane
