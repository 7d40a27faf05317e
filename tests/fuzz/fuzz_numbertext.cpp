// Feeds arbitrary texts to the field reading and the number writers. Whatever a technician
// types, the reading must stay finite, and what the program writes back must read as the
// same number.

#include "common/numbertext.h"

#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    using namespace morvane;
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const double v = FieldValue(text);
    if (!std::isfinite(v))
        std::abort();

    const double plain = FieldValue(PlainNumberText(v));
    const double sign = FieldValue(SignedNumberText(v));
    if (plain != sign || !std::isfinite(plain))
        std::abort();
    // Fifteen significant digits: the text may round, but never by more than that.
    if (std::fabs(plain - v) > std::fabs(v) * 1e-14)
        std::abort();

    if (const auto r = RoundToInt16(v); r && std::fabs(*r - v) > 0.5)
        std::abort();
    if (const auto r = RoundToInt32(v); r && std::fabs(*r - v) > 0.5)
        std::abort();
    return 0;
}
