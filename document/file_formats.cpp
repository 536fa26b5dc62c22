#include "file_formats.h"

namespace fileformats {

const QString kOpenFilter = QStringLiteral(
    "All Images|*.jpg;*.gif;*.bmp;*.png;*.psd;*.tif;*.pcx;*.tga;*.wbmp;*.wmf;*.emf;*.tla|"
    "Joint Photographic Experts Group  <JPG>|*.jpg|Graphics Interchange Format  <GIF>|*.gif|"
    "Windows Bitmap  <BMP>|*.bmp|Portable Network Graphics  <PNG>|*.png|Photoshop  <PSD>|*.psd|"
    "Tagged Image File  <TIF>|*.tif|ZSoft PaintBrush  <PCX>|*.pcx|Truevision Targa  <TGA>|*.tga|"
    "Wireless Bitmap  <WBMP>|*.wbmp|Windows Meta File  <WMF>|*.wmf|"
    "Windows Enhanced Meta File <EMF>|*.emf|All Files|*.*");

const QString kSaveFilter = QStringLiteral(
    "Joint Photographic Experts Group  <JPG>|*.jpg|Portable Network Graphics  <PNG>|*.png|"
    "Photoshop  <PSD>|*.psd|Tagged Image File  <TIF>|*.tif|ZSoft PaintBrush  <PCX>|*.pcx|"
    "Truevision Targa  <TGA>|*.tga|Wireless Bitmap  <WBMP>|*.wbmp|Windows Bitmap  <BMP>|*.bmp|"
    "Windows Metafile  <WMF>|*.wmf|Windows Enhanced Metafile  <EMF>|*.emf");

namespace {

struct SaveFormat {
    const char* ext;
    int code;
};

// Save filter positions 1..10 in order.
constexpr SaveFormat kSaveFormats[] = {
    {"jpg", 1}, {"png", 2},   {"psd", 9}, {"tif", 3}, {"pcx", 4},
    {"tga", 5}, {"wbmp", 10}, {"bmp", 6}, {"wmf", 7}, {"emf", 8},
};

} // namespace

int FormatFromFilterIndex(int filterIndex, QString* ext, int unchanged) {
    if (filterIndex < 1 || filterIndex > int(std::size(kSaveFormats))) {
        if (ext) ext->clear();
        return unchanged;
    }
    const SaveFormat& f = kSaveFormats[filterIndex - 1];
    if (ext) *ext = QString::fromLatin1(f.ext);
    return f.code;
}

int FilterIndexFromFormat(int fileType) {
    for (int i = 0; i < int(std::size(kSaveFormats)); ++i)
        if (kSaveFormats[i].code == fileType) return i + 1;
    return 0;
}

} // namespace fileformats
