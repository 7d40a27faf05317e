#pragma once
// The result of comparing the window with a controller: for each register that differs, the
// row's caption as the window labels it, the window's value and the controller's; or one line
// that says they agree. "Compare with Controller" shows it, and so does a write that the read
// back does not confirm.

#include <QDialog>

#include <string>
#include <vector>

namespace morvane
{

struct ComparedRow {
    std::string caption; // "Disp Delay", as the window labels the row now
    int reg = 0;         // 3 to 11
    std::string window;  // register values in words: "500", "9 (Up Timer)"
    std::string controller;
};

struct Comparison {
    std::string title;
    std::string heading; // above the rows; the line that they agree when there is none
    std::vector<ComparedRow> rows;
};

class CompareResult : public QDialog
{
    Q_OBJECT
  public:
    CompareResult(const Comparison& comparison, QWidget* parent = nullptr);
};

} // namespace morvane
