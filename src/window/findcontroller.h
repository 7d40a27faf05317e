#pragma once
// "Find Controller...": a scan of the port for units that answer, with what it tries, a
// progress bar and a Cancel button, then the units found with a button each to use one. The
// scan tries the current settings first; nothing is written to any unit.

#include "exchange/connection.h"
#include "exchange/unitscan.h"

#include <QDialog>

#include <memory>
#include <optional>

class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QVBoxLayout;

namespace morvane
{

class FindController : public QDialog, private ScanObserver
{
    Q_OBJECT
  public:
    FindController(const QString& portText, const Connection& current, QWidget* parent);
    ~FindController() override;

    // Runs the scan of what the fields say; returns when it has ended.
    void Start();
    // Ends a scan under way within the probe it is at.
    void Cancel();
    bool Scanning() const { return m_scan != nullptr; }
    // The unit whose "Use" was clicked.
    std::optional<Connection> Chosen() const { return m_chosen; }

  protected:
    void reject() override;

  private:
    void BuildFields();
    std::optional<ScanPlan> PlanOfFields();
    void SetFieldsEnabled(bool enabled);
    void ShowOutcome(const ScanResult& result);
    void AddUnit(const FoundUnit& unit);

    void LineRefused(const Connection& line, const OpenFailure& failure) override;
    void Probing(const Connection& probe, int done, int total) override;
    void Found(const FoundUnit& unit) override;

    QString m_portText;
    Connection m_current;
    bool m_network;
    QLineEdit* m_slaves = nullptr;
    QLineEdit* m_bauds = nullptr;
    QLineEdit* m_parities = nullptr;
    QLineEdit* m_allowance = nullptr;
    QLabel* m_trying = nullptr;
    QProgressBar* m_progress = nullptr;
    QVBoxLayout* m_units = nullptr;
    QPushButton* m_start = nullptr;
    QPushButton* m_cancel = nullptr;
    std::unique_ptr<UnitScan> m_scan;
    std::optional<Connection> m_chosen;
    int m_found = 0;
    bool m_closeAfterScan = false;
};

} // namespace morvane
