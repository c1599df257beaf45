// Numbers in settings text: the runtime's wide conversions (_wtoi, _wtol, _wtof) and the
// "%d", "%ld" and "%f" formats, independent of the C locale.
#pragma once

#include <cstdint>
#include <string>

namespace viewersettings::text {

// _wtoi / _wtol: leading white space, an optional sign, decimal digits up to the first other
// character; no digits give 0. Values beyond the 32-bit range saturate, as the Windows runtime
// does.
int32_t WideToInt32(const char16_t* text);

// _wtof: leading white space, an optional sign, digits with an optional decimal point and
// exponent, or "inf"/"infinity"/"nan"; no number gives 0. Overflow gives an infinity,
// underflow zero.
double WideToDouble(const char16_t* text);

// "%d" / "%ld": a minus sign when negative, no plus sign, blanks or leading zeros.
std::u16string FormatDecimal(int64_t value);

// "%f": six digits after the decimal point.
std::u16string FormatFixed(double value);

}  // namespace viewersettings::text
