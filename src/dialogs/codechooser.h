#pragma once
// A chooser that offers a short list of settings, one option per setting, and writes the
// chosen setting's code into its field: the controller keeps baud rate and parity as codes.

#include "dialogs/chooserdialog.h"

#include <QButtonGroup>

#include <span>

namespace morvane
{

struct CodeOption {
    int code; // also the option's index in its array
    const char* caption;
};

class CodeChooser : public ChooserDialog
{
    Q_OBJECT

  protected:
    CodeChooser(const QString& objectName, const QString& caption, const QString& frameCaption,
                std::span<const CodeOption> options, int openingCode);

    // The code of the option last chosen; each opening starts at openingCode.
    int Code() const { return m_code; }

  private:
    void AddOptions(QWidget* frame, std::span<const CodeOption> options, int openingCode);

    QButtonGroup* m_group = nullptr;
    int m_code = 0;
};

} // namespace morvane
