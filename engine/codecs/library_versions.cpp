#include "library_versions.h"

#include <cstdio>
#include <exiv2/exiv2.hpp>
#include <gif_lib.h>
#include <jpeglib.h>
#include <opencv2/core/version.hpp>
#include <png.h>
#include <tiffio.h>
#include <zlib.h>

namespace pix {

namespace {

#define PIX_TEXT(x) #x
#define PIX_STRING(x) PIX_TEXT(x)

// libtiff's version text is "LIBTIFF, Version 4.5.0\n<copyright lines>": the number only.
QString tiffVersion() {
    const QString text = QString::fromLatin1(TIFFGetVersion()).section(QLatin1Char('\n'), 0, 0);
    const int at = text.lastIndexOf(QLatin1Char(' '));
    return at < 0 ? text : text.mid(at + 1);
}

} // namespace

QList<QPair<QString, QString>> libraryVersions() {
    return {
        {QStringLiteral("Qt"), QString::fromLatin1(qVersion())},
#ifdef LIBJPEG_TURBO_VERSION
        {QStringLiteral("libjpeg-turbo"), QStringLiteral(PIX_STRING(LIBJPEG_TURBO_VERSION))},
#else
        {QStringLiteral("libjpeg"), QString::number(JPEG_LIB_VERSION)},
#endif
        {QStringLiteral("libpng"), QString::fromLatin1(png_get_libpng_ver(nullptr))},
        {QStringLiteral("libtiff"), tiffVersion()},
        {QStringLiteral("giflib"),
         QStringLiteral("%1.%2.%3").arg(GIFLIB_MAJOR).arg(GIFLIB_MINOR).arg(GIFLIB_RELEASE)},
        {QStringLiteral("zlib"), QString::fromLatin1(zlibVersion())},
        {QStringLiteral("Exiv2"), QString::fromStdString(Exiv2::versionString())},
        {QStringLiteral("OpenCV"), QStringLiteral(CV_VERSION)},
    };
}

} // namespace pix
