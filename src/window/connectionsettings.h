#pragma once
// The dialog of the connection settings: the unit's address, the line's speed, parity and stop
// bits, the time limit and the retries, with a line that says what the defaults are. It hands
// back a plain value; whoever opened it decides what to do with it.

#include "exchange/connection.h"

#include <QDialog>

class QComboBox;
class QDoubleSpinBox;
class QSpinBox;

namespace morvane
{

class ConnectionSettings : public QDialog
{
    Q_OBJECT
  public:
    ConnectionSettings(const Connection& current, QWidget* parent);

    // What the fields say now.
    Connection Value() const;
    void ShowValue(const Connection& connection);

  private:
    void BuildFields();

    QSpinBox* m_slave = nullptr;
    QComboBox* m_baud = nullptr;
    QComboBox* m_parity = nullptr;
    QComboBox* m_stopBits = nullptr;
    QDoubleSpinBox* m_timeLimit = nullptr;
    QSpinBox* m_retries = nullptr;
};

} // namespace morvane
