#include "vb.h"

#include <cmath>
#include <limits>

namespace vb {

namespace {

bool isDigit(QChar c) {
    return c >= QLatin1Char('0') && c <= QLatin1Char('9');
}
bool isBlank(QChar c) {
    return c == QLatin1Char(' ') || c == QLatin1Char('\t');
}

// Length of the number at text[pos...] (0 when none); sets *value.
int scanNumber(const QString& text, int pos, double* value) {
    const int start = pos;
    const int n = int(text.size());
    if (pos < n && (text[pos] == QLatin1Char('+') || text[pos] == QLatin1Char('-'))) ++pos;
    int digits = 0;
    while (pos < n && isDigit(text[pos])) ++pos, ++digits;
    if (pos < n && text[pos] == QLatin1Char('.')) {
        ++pos;
        while (pos < n && isDigit(text[pos])) ++pos, ++digits;
    }
    if (digits == 0) return 0;
    int end = pos;
    if (pos < n && (text[pos] == QLatin1Char('e') || text[pos] == QLatin1Char('E'))) {
        int p = pos + 1;
        if (p < n && (text[p] == QLatin1Char('+') || text[p] == QLatin1Char('-'))) ++p;
        int expDigits = 0;
        while (p < n && isDigit(text[p])) ++p, ++expDigits;
        if (expDigits > 0) end = p;
    }
    bool ok = false;
    *value = text.mid(start, end - start).toDouble(&ok);
    if (!ok) *value = 0;
    return end - start;
}

template <typename T> T roundChecked(double value, double lo, double hi) {
    if (!std::isfinite(value)) throw OverflowError();
    const double r = std::nearbyint(value); // default rounding mode: half to even
    if (r < lo || r > hi) throw OverflowError();
    return static_cast<T>(r);
}

} // namespace

double leadingNumber(const QString& text) {
    int pos = 0;
    while (pos < text.size() && isBlank(text[pos])) ++pos;
    double value = 0;
    return scanNumber(text, pos, &value) > 0 ? value : 0.0;
}

int16_t toInt16(double value) {
    return roundChecked<int16_t>(value, -32768.0, 32767.0);
}

int32_t toInt32(double value) {
    return roundChecked<int32_t>(value, -2147483648.0, 2147483647.0);
}

uint8_t toByte(double value) {
    return roundChecked<uint8_t>(value, 0.0, 255.0);
}

bool isNumeric(const QString& text) {
    const QString t = text.trimmed();
    if (t.isEmpty()) return false;
    double value = 0;
    return scanNumber(t, 0, &value) == t.size();
}

QString boolText(bool value) {
    return value ? QStringLiteral("True") : QStringLiteral("False");
}

bool textToBool(const QString& text, bool* ok) {
    const QString t = text.trimmed();
    if (ok) *ok = true;
    if (t.compare(QLatin1String("True"), Qt::CaseInsensitive) == 0) return true;
    if (t.compare(QLatin1String("False"), Qt::CaseInsensitive) == 0) return false;
    if (isNumeric(t)) return leadingNumber(t) != 0.0;
    if (ok) *ok = false;
    return false;
}

QString formatOneDecimal(double value) {
    // Half away from zero, as the pattern formatter rounds (156.25 -> 156.3).
    const double tenths = std::round(std::fabs(value) * 10.0);
    const double whole = std::floor(tenths / 10.0);
    const int digit = int(tenths - whole * 10.0);
    QString s = (value < 0 && tenths > 0) ? QStringLiteral("-") : QString();
    if (whole > 0) s += QString::number(whole, 'f', 0);
    s += QLatin1Char('.');
    if (digit != 0) s += QString::number(digit);
    return s;
}

int twipsToPixels(double twips, double twipsPerPixel) {
    return int(std::lround(twips / twipsPerPixel));
}

double pixelsToTwips(int pixels, double twipsPerPixel) {
    return pixels * twipsPerPixel;
}

} // namespace vb
