#include "controller/modetable.h"

#include <vector>

namespace morvane
{
namespace
{

using namespace std::string_view_literals;
using namespace mode;
using namespace input;
constexpr std::optional<std::string_view> kKept;

// Index 0 stands for every number that is not a mode.
constexpr std::array<ModeRow, 12> kModeRows = {{
    // mode              type      Option2 caption          rows 2..9  row 10  Label5(3)  Label5(4)
    // timer
    {0, kSerial, ""sv, "DDDEDDDD"sv, false, kKept, kKept, false},
    {k0To5V, kAnalog, "0-5V"sv, "DEEEDDDD"sv, false, "0V Value: "sv, "5V Value: "sv, false},
    {k0To20mA, kAnalog, "0-20mA"sv, "DEEEDDDD"sv, true, "0mA Value: "sv, "20mA Value: "sv, false},
    {kCounter, kDigital, "Counter  "sv, "DEEEDDDD"sv, false, "Count By: "sv, "Reset To: "sv, false},
    {kUpDownCounter, kDigital, "Up/Down Counter"sv, "DEEEDDDD"sv, false, "Count By: "sv,
     "Reset To: "sv, false},
    {kQuadratureCounter, kDigital, "Quadrature Counter"sv, "DEEEDDDD"sv, false, "Count By: "sv,
     "Reset To: "sv, false},
    {kTachometerRpm, kDigital, "Tachometer RPM"sv, "DEDEDDDD"sv, false, "Pulses/Rev: "sv, kKept,
     false},
    {kFrequency, kDigital, "Frequency"sv, "DEDEDDDD"sv, false, "Pulses/Hz: "sv, kKept, false},
    {kAscii, kSerial, "ASCII"sv, "DDDEDDEE"sv, false, kKept, kKept, false},
    {kUpTimer, kDigital, "Up Timer"sv, "DEDEDDDD"sv, false, "Seconds: "sv, kKept, true},
    {kDownTimer, kDigital, "Down Timer"sv, "DEDEDDDD"sv, false, "Seconds: "sv, kKept, true},
    {kModbusSignedLong, kSerial, "Modbus Signed Long"sv, "DDDEDEEE"sv, false, kKept, kKept, false},
}};

static_assert([] {
    for (int m = 0; m < int(kModeRows.size()); ++m)
        if (kModeRows[std::size_t(m)].mode != m)
            return false;
    return true;
}());

std::vector<int> CollectModesOfType(int type)
{
    std::vector<int> modes;
    for (int m = kFirst; m <= kLast; ++m)
        if (kModeRows[std::size_t(m)].type == type)
            modes.push_back(m);
    return modes;
}

} // namespace

bool ModeRow::RowEnabled(int row) const
{
    return row >= field::kFirstModeRow && row <= field::kLastModeRow &&
           rows[static_cast<std::size_t>(row - field::kFirstModeRow)] == 'E';
}

bool IsMode(int m)
{
    return m >= kFirst && m <= kLast;
}

const ModeRow& ModeRowFor(int m)
{
    return kModeRows[static_cast<std::size_t>(IsMode(m) ? m : 0)];
}

std::string_view ModeCaption(int m)
{
    return ModeRowFor(m).option;
}

std::string_view InputTypeCaption(int type)
{
    static constexpr std::array<std::string_view, kTypeCount> kCaptions = {"Analog", "Digital",
                                                                           "Serial"};
    return kCaptions.at(static_cast<std::size_t>(type));
}

int InputTypeOfMode(int m)
{
    return ModeRowFor(IsMode(m) ? m : kStandIn).type;
}

int FirstModeOfType(int type)
{
    return ModesOfType(type).front();
}

std::span<const int> ModesOfType(int type)
{
    static const std::array<std::vector<int>, kTypeCount> kModesOfType = {
        CollectModesOfType(kAnalog), CollectModesOfType(kDigital), CollectModesOfType(kSerial)};
    // Any number that is no type stands for the last one, as an option group's default would.
    const int known = type == kAnalog || type == kDigital ? type : kSerial;
    return kModesOfType[static_cast<std::size_t>(known)];
}

bool IsTimerMode(int m)
{
    return ModeRowFor(m).timer;
}

std::optional<int> FirstModeUsingRow(int row)
{
    for (int m = kFirst; m <= kLast; ++m)
        if (ModeRowFor(m).RowEnabled(row))
            return m;
    return std::nullopt;
}

int ModeSelectedBy(int modeRegister)
{
    return IsMode(modeRegister) ? modeRegister : kStandIn;
}

std::array<std::string_view, field::kCount> CaptionsAfterRead(int modeRegister)
{
    std::array<std::string_view, field::kCount> captions{};
    for (std::size_t row = 0; row < captions.size(); ++row)
        captions[row] = field::kRows[row].caption;
    const auto apply = [&captions](int m) {
        const ModeRow& row = ModeRowFor(m);
        if (row.caption3)
            captions[field::kParameter1] = *row.caption3;
        if (row.caption4)
            captions[field::kParameter2] = *row.caption4;
    };
    const int selected = ModeSelectedBy(modeRegister);
    if (InputTypeOfMode(selected) != InputTypeOfMode(kDesign))
        apply(FirstModeOfType(InputTypeOfMode(selected)));
    apply(selected);
    return captions;
}

} // namespace morvane
