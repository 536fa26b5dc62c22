// Engine failure: a number, a description and a source, as every caller shows them.
#pragma once

#include <QString>
#include <stdexcept>

namespace pix {

// Error numbers the engine raises. Callers pass kSilentStatus over without a message.
enum ErrorNumber : int {
    kErrInvalidArgument = static_cast<int>(0x80040001u),
    kErrCorruptImage = static_cast<int>(0x80040002u),
    kErrUnsupported = static_cast<int>(0x80040003u),
    kErrTooLarge = static_cast<int>(0x80040004u),
    kErrIo = static_cast<int>(0x80040005u),
    kErrNoImage = static_cast<int>(0x80040006u),
    kErrCancelled = static_cast<int>(0x80040007u),
    kSilentStatus = static_cast<int>(0x8004029Au),
};

class PixError : public std::runtime_error {
public:
    PixError(int number, const QString& description, const QString& source)
        : std::runtime_error(description.toStdString()), number_(number), description_(description),
          source_(source) {}

    int number() const { return number_; }
    const QString& description() const { return description_; }
    const QString& source() const { return source_; }

private:
    int number_;
    QString description_;
    QString source_;
};

} // namespace pix
