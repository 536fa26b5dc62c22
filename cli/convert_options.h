// The converter's command line: one table of options, each with its help text and what it sets.
#pragma once

#include "engine/save_options.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <stdexcept>

namespace pix {
class PixImage;
}

namespace pixcli {

struct ConvertRequest {
    QString input;
    QString output;
    int fileType = 0;     // engine code; 0 follows the output's extension
    int page = 0;         // 1-based page to write; 0 writes every page the format holds
    int imageType = -1;   // page type 0..6 to convert to; -1 keeps each page's own
    bool info = false;    // list pages and metadata instead of converting
    bool append = false;  // add the page to an existing TIFF output
    bool salvage = false; // write a picture whose file ends early, its missing part grey
    QString markersFrom;  // copy this file's JPEG markers into the output
    pix::SaveOptions options;
    bool help = false;
    // Applied to the loaded image before it is written (the --apply operations).
    std::function<void(pix::PixImage&)> edit;
    // Carries out the request band by band without loading the whole image, when it can; false
    // (having written nothing) when it cannot, and the image is then loaded whole.
    std::function<bool(const ConvertRequest&)> streamed;
};

// A command line the converter cannot act on; the text says why.
class UsageError : public std::runtime_error {
public:
    explicit UsageError(const QString& text) : std::runtime_error(text.toStdString()) {}
};

// Parses the arguments after the program name. Throws UsageError.
ConvertRequest parseArguments(const QStringList& args);

// The usage text, built from the option table.
QString usageText();

} // namespace pixcli
