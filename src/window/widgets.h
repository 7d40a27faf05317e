#pragma once
// Small widgets the main window needs beyond Qt's own.

#include <QLineEdit>
#include <QPushButton>

namespace morvane
{

// An entry field that tells when it is clicked with the pointer. Focus arriving by
// keyboard is not a click, so it is told apart from focus changes.
class ClickableField : public QLineEdit
{
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  signals:
    void pressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// A push button whose caption wraps onto more lines when the button is too narrow for it,
// as the two command buttons are.
class WrappingButton : public QPushButton
{
    Q_OBJECT
  public:
    using QPushButton::QPushButton;

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace morvane
