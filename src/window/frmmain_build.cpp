// The elements of the main window and the state it opens in.

#include "window/frmmain.h"

#include "controller/modetable.h"
#include "window/palettes.h"
#include "window/twips.h"
#include "window/widgets.h"

#include <QApplication>
#include <QButtonGroup>
#include <QFontInfo>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QRadioButton>
#include <QSlider>
#include <QTimer>

#include <span>

namespace morvane
{
namespace
{

constexpr int kClientWidth = 5550;
constexpr int kClientHeight = 5865;

// The application font the design's 7.5-point texts and its layout were drawn beside: Qt's
// own default. A larger desktop font makes both larger in proportion; a smaller one leaves
// them as drawn.
constexpr double kDesignDesktopPointSize = 9;

// Heights the layout leaves open, chosen to fit the window's font.
constexpr int kRowPitch = 240;
constexpr int kRowLabelHeight = 240;
constexpr int kOptionHeight = 240;
constexpr int kPreviewHeight = 360;

constexpr int RowTop(int row)
{
    return 360 + kRowPitch * row;
}

QString ToQString(std::string_view text)
{
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

QString Indexed(const char* name, int index)
{
    return QString("%1_%2").arg(name).arg(index);
}

template <typename W> W* Place(W* widget, const QString& name, const QRect& pixelRect)
{
    widget->setObjectName(name);
    widget->setGeometry(pixelRect);
    return widget;
}

double LayoutScale(const QFont& desktopFont)
{
    const double points = desktopFont.pointSizeF() > 0 ? desktopFont.pointSizeF()
                                                       : QFontInfo(desktopFont).pointSizeF();
    return points > kDesignDesktopPointSize ? points / kDesignDesktopPointSize : 1.0;
}

// The grid's lines are one pixel wide whatever their length in twips.
void AddLine(QWidget* parent, double scale, int number, int x1, int y1, int x2, int y2)
{
    auto* line = new QFrame(parent);
    line->setObjectName(QString("Line%1").arg(number));
    const int width = x1 == x2 ? 1 : TwipsToPixels(x2 - x1, scale) + 1;
    const int height = y1 == y2 ? 1 : TwipsToPixels(y2 - y1, scale) + 1;
    line->setGeometry(TwipsToPixels(x1, scale), TwipsToPixels(y1, scale), width, height);
    line->setAutoFillBackground(true);
    QPalette palette = line->palette();
    palette.setColor(QPalette::Window, QColor(0xC0, 0xC0, 0xC0));
    line->setPalette(palette);
    line->lower();
}

// The captions must fit the widths the layout gives them ("Quadrature Counter" in 113
// pixels beside its button); a condensed face at 7.5 points does.
QFont WindowFont(double scale)
{
    QFont font("DejaVu Sans Condensed");
    font.setStyleHint(QFont::SansSerif);
    font.setPointSizeF(7.5 * scale);
    return font;
}

QFont PreviewFont(double scale)
{
    QFont font("Courier New");
    font.setStyleHint(QFont::TypeWriter);
    font.setPointSizeF(14.25 * scale);
    font.setWeight(QFont::Bold);
    return font;
}

} // namespace

void FrmMain::BuildWindow()
{
    setObjectName("FrmMain");
    setWindowTitle("Morvane Config");
    m_scale = LayoutScale(QApplication::font());
    setFont(WindowFont(m_scale));
    // The design area keeps its size and every element its place in it; the menu bar sits
    // above it, and the window is as tall as both.
    m_client = new QWidget(this);
    m_client->setObjectName("ClientArea");
    m_client->setFixedSize(TwipsToPixels(kClientWidth, m_scale),
                           TwipsToPixels(kClientHeight, m_scale));
    setCentralWidget(m_client);
    BuildMenus();
    layout()->setSizeConstraint(QLayout::SetFixedSize);

    BuildInputModeFrame();
    BuildParametersFrame();
    ShowDesktopColours();

    m_timer1 = new QTimer(this);
    m_timer1->setObjectName("Timer1");
    m_timer1->setInterval(1000);
}

void FrmMain::BuildInputModeFrame()
{
    m_frame1 = Place(new QGroupBox("Input Mode", m_client), "Frame1", Rect(120, 0, 5295, 2655));
    m_frame2 = Place(new QFrame(m_frame1), "Frame2", Rect(240, 360, 4815, 255));
    m_frame2->setFrameShape(QFrame::NoFrame);

    m_option1Group = new QButtonGroup(this);
    const std::array<int, input::kTypeCount> typeLefts = {0, 1080, 3000};
    const std::array<int, input::kTypeCount> typeWidths = {855, 735, 735};
    for (int t = 0; t < input::kTypeCount; ++t) {
        const auto i = static_cast<std::size_t>(t);
        m_option1[i] = Place(new QRadioButton(ToQString(InputTypeCaption(t)), m_frame2),
                             Indexed("Option1", t), Rect(typeLefts[i], 0, typeWidths[i], 195));
        m_option1Group->addButton(m_option1[i], t);
    }

    // Each type's modes stand in its own column of the grid, one option under the other.
    m_option2Group = new QButtonGroup(this);
    const std::array<int, input::kTypeCount> columnLefts = {240, 1320, 3240};
    std::array<int, input::kTypeCount> nextTop = {720, 720, 720};
    for (int m = mode::kFirst; m <= mode::kLast; ++m) {
        const auto type = static_cast<std::size_t>(InputTypeOfMode(m));
        // The longest caption gets a wider button than the others of its column.
        const int width = m == mode::kModbusSignedLong ? 1815 : std::array{855, 1695, 975}[type];
        auto* option = new QRadioButton(ToQString(ModeCaption(m)), m_frame1);
        m_option2[static_cast<std::size_t>(m)] =
            Place(option, Indexed("Option2", m),
                  Rect(columnLefts[type], nextTop[type], width, kOptionHeight));
        nextTop[type] += 240;
        m_option2Group->addButton(option, m);
    }
    BuildModeGrid();
}

void FrmMain::BuildModeGrid()
{
    AddLine(m_frame1, m_scale, 1, 120, 240, 5160, 240);
    AddLine(m_frame1, m_scale, 2, 120, 240, 120, 2520);
    AddLine(m_frame1, m_scale, 3, 120, 600, 5160, 600);
    AddLine(m_frame1, m_scale, 4, 120, 2520, 5160, 2520);
    AddLine(m_frame1, m_scale, 5, 5160, 240, 5160, 2520);
    AddLine(m_frame1, m_scale, 6, 1200, 240, 1200, 2520);
    AddLine(m_frame1, m_scale, 7, 3120, 240, 3120, 2520);
    AddLine(m_frame2, m_scale, 8, 960, 0, 960, 240);
    AddLine(m_frame2, m_scale, 9, 2880, 0, 2880, 240);
    AddLine(m_frame2, m_scale, 10, 0, 240, 5040, 240);
}

void FrmMain::BuildParametersFrame()
{
    m_frame6 = Place(new QGroupBox("Parameters", m_client), "Frame6", Rect(120, 2760, 5295, 3015));
    BuildParameterRows(m_frame6);
    BuildPreview(m_frame6);
    BuildCommandArea(m_frame6);
}

void FrmMain::BuildParameterRows(QGroupBox* frame)
{
    for (int row = 0; row < field::kCount; ++row) {
        const auto i = static_cast<std::size_t>(row);
        const bool fourMa = row == field::kFourMa;
        if (field::IsRegisterField(row)) {
            m_label6[i] =
                Place(new QLabel(QString("Param%1").arg(row), frame), Indexed("Label6", row),
                      Rect(120, RowTop(row), 975, kRowLabelHeight));
            m_label6[i]->setAutoFillBackground(true);
        }
        m_label5[i] = Place(
            new QLabel(ToQString(field::kRows[i].caption), frame), Indexed("Label5", row),
            fourMa ? Rect(2760, 1080, 975, 285) : Rect(1080, RowTop(row), 975, kRowLabelHeight));
        m_label5[i]->setAutoFillBackground(true);
        if (fourMa) // clear of Text1(3), which it overlaps
            m_label5[i]->setIndent(TwipsToPixels(60, m_scale));
        m_text1[i] = Place(new ClickableField(ToQString(field::kRows[i].designText), frame),
                           Indexed("Text1", row),
                           fourMa ? Rect(3720, 1080, 735, 285) : Rect(2040, RowTop(row), 735, 285));
        m_label5[i]->setBuddy(m_text1[i]);
        SetRowCaption(row, m_label5[i]->text());
        if (field::IsRegisterField(row))
            m_text1[i]->setAccessibleDescription(m_label6[i]->text());
    }
}

void FrmMain::BuildPreview(QGroupBox* frame)
{
    auto addLabel = [frame](const char* name, const char* text, const QRect& rect) {
        auto* label = Place(new QLabel(text, frame), name, rect);
        label->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
        return label;
    };
    addLabel("Label1", "Min:", Rect(2880, 240, 360, kPreviewHeight));
    addLabel("Label2", "Max:", Rect(2880, 600, 360, kPreviewHeight));
    m_label3 = addLabel("Label3", "-9999.9", Rect(3240, 240, 1935, kPreviewHeight));
    m_label4 = addLabel("Label4", "9999.9", Rect(3240, 600, 1935, kPreviewHeight));
    m_label7 = addLabel("Label7", "999.99", Rect(3120, 1800, 1935, 375));
    for (QLabel* label : {m_label3, m_label4, m_label7})
        label->setFont(PreviewFont(m_scale));

    // Built for completeness of the window; nothing shows it.
    m_slider1 = Place(new QSlider(Qt::Horizontal, frame), "Slider1", Rect(3000, 1800, 1935, 495));
}

void FrmMain::BuildCommandArea(QGroupBox* frame)
{
    m_command1 = Place(new WrappingButton("Read From Controller", frame), "Command1",
                       Rect(3120, 1680, 975, 495));
    m_command2 = Place(new WrappingButton("Write To Controller", frame), "Command2",
                       Rect(4200, 1680, 975, 495));
    m_command1->setShortcut(QKeySequence(Qt::ALT | Qt::Key_R));
    m_command2->setShortcut(QKeySequence(Qt::ALT | Qt::Key_W));
    auto* portCaption =
        Place(new QLabel("COM Port: ", frame), "Label8", Rect(3240, 2280, 975, 285));
    m_txtCom0 = Place(new QLineEdit("1", frame), "txtCom_0", Rect(4200, 2280, 855, 285));
    // Screen readers name a field by its caption; without one they take the frame's title.
    portCaption->setBuddy(m_txtCom0);
    m_txtCom0->setAccessibleName("COM Port");
    m_text2 = Place(new QLineEdit("Status", frame), "Text2", Rect(3240, 2520, 1815, 285));
    m_text2->setReadOnly(true);
    m_text2->setAccessibleName("Status");
    m_txtRX = Place(new QLineEdit("Text2", frame), "txtRX", Rect(2760, 2760, 975, 285));
    m_txtTX = Place(new QLineEdit("Text3", frame), "txtTX", Rect(3960, 2760, 1335, 285));
    m_txtRX->setReadOnly(true);
    m_txtTX->setReadOnly(true);
}

// The state of "0-5V" under "Analog", set without running a handler: the preview keeps its
// design captions until the first change of a field.
void FrmMain::ApplyDesignState()
{
    const int type = InputTypeOfMode(mode::kDesign);
    m_option1[static_cast<std::size_t>(type)]->setChecked(true);
    m_option2[mode::kDesign]->setChecked(true);
    for (int m = mode::kFirst; m <= mode::kLast; ++m)
        m_option2[static_cast<std::size_t>(m)]->setEnabled(InputTypeOfMode(m) == type);
    ApplyModeRows(mode::kDesign);
    for (QWidget* hidden : std::initializer_list<QWidget*>{m_label7, m_slider1, m_txtRX, m_txtTX})
        hidden->hide();
}

QRect FrmMain::Rect(int left, int top, int width, int height) const
{
    return TwipsRect(left, top, width, height, m_scale);
}

// Also run when the desktop's colours change while the window is open.
void FrmMain::ShowDesktopColours()
{
    const QPalette desktop = QApplication::palette(this);
    m_client->setPalette(LegibleDisabledPalette(desktop).value_or(QPalette()));
    for (const auto& captions :
         {std::span<QLabel* const>(m_label5), std::span<QLabel* const>(m_label6)})
        for (QLabel* caption : captions)
            if (caption)
                caption->setPalette(RowCaptionPalette(desktop));
}

} // namespace morvane
