#pragma once
// The main window: the input type and mode selectors, the parameter rows, the display
// preview, the commands, the port field, the status line and the link's hidden helpers.
// Its handlers keep the rows in step with the chosen mode and the entries within what the
// controller's display can show.

#include "controller/entrychecks.h"
#include "controller/fields.h"
#include "controller/modetable.h"

#include <QMainWindow>

#include <array>
#include <memory>

class QAction;
class QButtonGroup;
class QDragEnterEvent;
class QDropEvent;
class QMenu;
class QFrame;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QRadioButton;
class QSlider;
class QTimer;

namespace morvane
{

class ClickableField;
class ConfigCommands;
class ConnectionMenu;
class FileMenu;
class PrintMenu;
class TrafficModel;
class TrafficRecorder;
class TrafficWindow;
class TransportPort;

class FrmMain : public QMainWindow
{
    Q_OBJECT
  public:
    explicit FrmMain(QWidget* parent = nullptr);
    ~FrmMain() override;

    // The elements by their names; indices as in the window's arrays.
    QLineEdit* Text1(int index) const;      // 0 to 10
    QLabel* Label5(int index) const;        // 0 to 10
    QLabel* Label6(int index) const;        // 1 to 9
    QRadioButton* Option1(int index) const; // 0 to 2: the input types
    QRadioButton* Option2(int index) const; // 1 to 11: the input modes
    QLineEdit* txtCom(int index) const;     // 0 only: the port number
    QLineEdit* Text2() const { return m_text2; }
    QLineEdit* txtTX() const { return m_txtTX; }
    QLineEdit* txtRX() const { return m_txtRX; }
    QPushButton* Command1() const { return m_command1; }
    QPushButton* Command2() const { return m_command2; }
    QTimer* Timer1() const { return m_timer1; }
    QLabel* Label3() const { return m_label3; }
    QLabel* Label4() const { return m_label4; }
    TransportPort* Comm1() const { return m_comm1; }
    // The read and write commands, with the link they drive.
    ConfigCommands& Commands() const { return *m_commands; }
    // Saving the configuration to a file and opening one.
    FileMenu& Files() const { return *m_files; }
    // The connection the commands use, its dialog and the search for a unit.
    ConnectionMenu& Connections() const { return *m_connections; }
    // Printing the configuration's page and exporting it as a PDF.
    PrintMenu& Printing() const { return *m_printing; }
    // The design area below the menu bar: every element keeps its place in it.
    QWidget* ClientArea() const { return m_client; }
    // What went over the line since the program started, and the window that shows it.
    TrafficModel& Traffic() const { return *m_traffic; }
    TrafficWindow* ShowLineTraffic();
    // For a kill or a session that ends: a command that waits ends without messages and
    // closes the port, and every window closes, message boxes among them.
    void CloseForStop();

    // Runs after every change of Text1(index): holds Digits and Dec Place in range, rebuilds
    // the display preview, and keeps the 0 mA / 4 mA pair together.
    void CheckParameterEntry(int index);
    // Puts the 4 mA value a fifth of the way from the 0 mA to the 20 mA value, as a change of
    // the 0 mA value does.
    void RecomputeFourMa();

    // Run when Option1(type) or Option2(mode) becomes selected, by the user or by code.
    void SelectInputType(int type);
    void SelectInputMode(int mode);

    int InputType() const { return m_inputType; }
    int ModeByType(int type) const { return m_modeByType.at(static_cast<std::size_t>(type)); }

  protected:
    // Closing the window abandons a command that waits for the controller.
    void closeEvent(QCloseEvent* event) override;
    // The desktop's colours changed: the captions keep reading on them.
    void changeEvent(QEvent* event) override;
    // A configuration file dropped on the window opens.
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;

  signals:
    // A pointer click into the enabled field Text1(index); reaching it by keyboard is not one.
    void fieldClicked(int index);
    // Alt+Down or F4 in the field Text1(index): the keyboard's way to ask for its chooser.
    void chooserKeyPressed(int index);

  private:
    // Building the elements (frmmain_build.cpp).
    void BuildWindow();
    void BuildInputModeFrame();
    void BuildModeGrid();
    void BuildParametersFrame();
    void BuildParameterRows(QGroupBox* frame);
    void BuildPreview(QGroupBox* frame);
    void BuildCommandArea(QGroupBox* frame);
    void ApplyDesignState();
    void ConnectHandlers();
    // A design rectangle in twips, in pixels at the window's scale.
    QRect Rect(int left, int top, int width, int height) const;
    void ShowDesktopColours();
    // The menu bar (frmmain_menus.cpp).
    void BuildMenus();
    void ShowRecentFiles();
    void ShowVerifyAfterWriting();
    void SetFileActionsEnabled(bool enabled);
    void ShowAbout();
    // The Connection menu (frmmain_connection.cpp).
    void BuildConnectionMenu();
    void WireConnectionMenu();
    // A scan under way ends with the window, and its dialog closes.
    void EndConnectionDialogs();
    // The load step and the commands' wiring (frmmain_wiring.cpp).
    void Load();

    // The handlers' steps.
    double Value(int index) const;
    void WriteField(int index, const QString& text);
    void ShowDisplayPreview();
    void RunTypeBlock(int type);
    void ApplyModeRows(int mode);
    void SetRowEnabled(int row, bool enabled);
    // The row's caption, and its field's name for screen readers, which say the caption as
    // shown without the colon.
    void SetRowCaption(int row, const QString& caption);
    void SetFourMaRowShown(bool shown);

    QWidget* m_client = nullptr;
    QAction* m_actionOpen = nullptr;
    QAction* m_actionSave = nullptr;
    QAction* m_actionSaveAs = nullptr;
    QAction* m_actionPrint = nullptr;
    QAction* m_actionExportPdf = nullptr;
    QAction* m_actionQuit = nullptr;
    QAction* m_actionAbout = nullptr;
    QAction* m_actionLineTraffic = nullptr;
    QAction* m_actionCompareWithController = nullptr;
    QAction* m_actionVerifyAfterWriting = nullptr;
    QAction* m_actionConnectionSettings = nullptr;
    QAction* m_actionRestoreConnection = nullptr;
    QAction* m_actionFindController = nullptr;
    std::array<QAction*, 8> m_recentActions{};
    QAction* m_recentSeparator = nullptr;
    std::array<ClickableField*, field::kCount> m_text1{};
    std::array<QLabel*, field::kCount> m_label5{};
    std::array<QLabel*, field::kLastRegisterField + 1> m_label6{}; // index 0 unused
    std::array<QRadioButton*, input::kTypeCount> m_option1{};
    std::array<QRadioButton*, mode::kLast + 1> m_option2{}; // index 0 unused
    QButtonGroup* m_option1Group = nullptr;
    QButtonGroup* m_option2Group = nullptr;
    QGroupBox* m_frame1 = nullptr;
    QFrame* m_frame2 = nullptr;
    QGroupBox* m_frame6 = nullptr;
    QLabel* m_label3 = nullptr;
    QLabel* m_label4 = nullptr;
    QLabel* m_label7 = nullptr;
    QSlider* m_slider1 = nullptr;
    QPushButton* m_command1 = nullptr;
    QPushButton* m_command2 = nullptr;
    QLineEdit* m_txtCom0 = nullptr;
    QLineEdit* m_text2 = nullptr;
    QLineEdit* m_txtRX = nullptr;
    QLineEdit* m_txtTX = nullptr;
    QTimer* m_timer1 = nullptr;
    TransportPort* m_comm1 = nullptr;
    TrafficModel* m_traffic = nullptr;
    TrafficWindow* m_trafficWindow = nullptr;
    // The commands talk through the recorder, which passes everything on to Comm1.
    std::unique_ptr<TrafficRecorder> m_recorder;
    std::unique_ptr<ConfigCommands> m_commands;
    std::unique_ptr<FileMenu> m_files;
    std::unique_ptr<ConnectionMenu> m_connections;
    std::unique_ptr<PrintMenu> m_printing;

    // How much larger than drawn the layout and its texts are, for a large desktop font.
    double m_scale = 1.0;
    int m_inputType = 0;
    std::array<int, input::kTypeCount> m_modeByType{};
    MilliampPair m_milliampPair; // shared by the nested runs of the checks
};

} // namespace morvane
