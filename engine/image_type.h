// The seven page types and how each is held in a QImage.
#pragma once

#include "progress.h"

#include <QImage>
#include <QString>

namespace pix {

// Page types 0..6; the numbers are part of the program's interface (menus, dialogs, files).
enum ImageType : int {
    kMono = 0,         // QImage::Format_Mono
    kIndexed = 1,      // Format_Indexed8, opaque colour table
    kIndexedAlpha = 2, // Format_Indexed8, colour table with alpha
    kGray = 3,         // Format_Grayscale8
    kGrayAlpha = 4,    // Format_ARGB32 whose colour channels are equal (grey + alpha)
    kRgb = 5,          // Format_RGB32
    kRgba = 6,         // Format_ARGB32, straight alpha
};

inline constexpr int kImageTypeCount = 7;

bool isValidImageType(int type);

// Caption of a type, e.g. "24-bit RGB".
QString imageTypeName(int type);

// Bits per pixel the type stands for (1, 8, 8, 8, 16, 24, 32).
int bitsPerPixel(int type);

// The QImage format that holds pages of this type.
QImage::Format storageFormat(int type);

// The type that best describes an image in any QImage format (grey ARGB32 is not detected:
// callers that know it is grey + alpha say so).
int imageTypeFromFormat(const QImage& image);

// Converts any QImage to the storage format of `type`, quantising or promoting as needed.
// Indexed types get an optimal-ish palette (Qt's conversion), grey types a luminance mix.
QImage convertToType(const QImage& image, int type);

// The same, with progress: the conversion to colour-mapped with alpha, the long one, is made
// band by band and reports after each; a false answer throws PixError(kErrCancelled).
QImage convertToType(const QImage& image, int type, const ProgressFn& progress);

// The 32-bit working form of an image of the given type: ARGB32 when the type has alpha,
// else RGB32. Operations work on this form and convert back with convertToType.
QImage toWorkingFormat(const QImage& image, int type);

// True when the type carries alpha.
bool typeHasAlpha(int type);

// The number of colours a page of the type can show: 2 for 1-bit, the colour table's size for
// paletted pages, 256 grey levels for grey pages, 16777216 for RGB.
int colourCount(const QImage& image, int type);

} // namespace pix
