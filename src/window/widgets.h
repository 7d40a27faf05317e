#pragma once
// Small widgets the main window needs beyond Qt's own.

#include <QLineEdit>
#include <QPushButton>

namespace morvane
{

// An entry field that tells when it is clicked with the pointer, or asked for its chooser with
// Alt+Down or F4. Focus arriving by keyboard is neither, so it is told apart from focus changes.
class ClickableField : public QLineEdit
{
    Q_OBJECT
  public:
    using QLineEdit::QLineEdit;

  signals:
    void pressed();
    void chooserKeyPressed();

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
};

// A command button whose caption wraps onto more lines when the button is too narrow for it,
// as the two command buttons are. Enter runs it as Space does; its mnemonic (an Alt shortcut)
// runs it from anywhere in the window and gives it the focus, and the mnemonic's letter is
// underlined while Alt is held, where the style underlines mnemonics at all.
class WrappingButton : public QPushButton
{
    Q_OBJECT
  public:
    explicit WrappingButton(const QString& text, QWidget* parent = nullptr);

  protected:
    bool event(QEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    // The caption with its mnemonic marked for drawing ("&Read From Controller").
    QString MnemonicCaption() const;

    bool m_altHeld = false;
};

} // namespace morvane
