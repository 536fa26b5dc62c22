#include "input_file.h"

#include "../pix_error.h"

#include <QFile>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {

[[noreturn]] void cannot(const QString& what, const QString& path, const QString& cause,
                         const QString& source) {
    throw PixError(kErrIo, QStringLiteral("Cannot %1 %2: %3").arg(what, path, cause), source);
}

// Files below this size are simply read: mapping costs more than copying them.
constexpr off_t kMapFrom = 256 * 1024;

} // namespace

InputFile::InputFile(const QString& path, const QString& source) {
    const QByteArray name = QFile::encodeName(path);
    const int fd = ::open(name.constData(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        cannot(QStringLiteral("open"), path, QString::fromLocal8Bit(std::strerror(errno)), source);
    struct stat st {};
    if (::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= kMapFrom) {
        // MAP_POPULATE maps the cached pages at once instead of one fault per 64 KB.
        void* m = ::mmap(nullptr, size_t(st.st_size), PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
        if (m != MAP_FAILED) {
            ::close(fd);
            mapping_ = m;
            data_ = static_cast<const uint8_t*>(m);
            size_ = size_t(st.st_size);
            return;
        }
    }
    QFile f;
    if (!f.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        ::close(fd);
        cannot(QStringLiteral("open"), path, f.errorString(), source);
    }
    read_ = f.readAll();
    if (f.error() != QFileDevice::NoError)
        cannot(QStringLiteral("read"), path, f.errorString(), source);
    data_ = reinterpret_cast<const uint8_t*>(read_.constData());
    size_ = size_t(read_.size());
}

InputFile::~InputFile() {
    if (mapping_) ::munmap(mapping_, size_);
}

} // namespace pix
