// The program's numeric and text conventions: leading-number parsing, half-to-even conversions,
// byte conversion, the numeric-string test, boolean text, the "#.#" format, twips.
#pragma once

#include <QString>
#include <cstdint>
#include <stdexcept>

namespace vb {

// Raised by the whole-number conversions when the value does not fit (error 6, "Overflow").
class OverflowError : public std::overflow_error {
public:
    OverflowError() : std::overflow_error("Overflow") {}
    static constexpr int kNumber = 6;
};

// Reads the number at the start of text: leading blanks skipped, optional sign, digits, "." as
// the decimal point, optional exponent; whatever follows is ignored; no number at all gives 0.
double leadingNumber(const QString& text);

// Rounds half to even and converts; throws OverflowError outside the type's range.
int16_t toInt16(double value);
int32_t toInt32(double value);
// Rounds half to even; throws OverflowError outside 0..255.
uint8_t toByte(double value);

// True when the whole text (blanks around it allowed) is one number.
bool isNumeric(const QString& text);

// "True" / "False".
QString boolText(bool value);
// "True"/"False" (any case) or a number (0 = false, anything else = true); ok false otherwise.
bool textToBool(const QString& text, bool* ok = nullptr);

// The "#.#" pattern: one decimal place, no leading zero, the point always written, a zero
// decimal digit left out: 100 -> "100.", 156.25 -> "156.3", 0.5 -> ".5".
QString formatOneDecimal(double value);

// Twips (1/1440 inch) and pixels at the given twips per pixel (15 at 96 dpi).
inline constexpr double kDefaultTwipsPerPixel = 15.0;
int twipsToPixels(double twips, double twipsPerPixel = kDefaultTwipsPerPixel);
double pixelsToTwips(int pixels, double twipsPerPixel = kDefaultTwipsPerPixel);

} // namespace vb
