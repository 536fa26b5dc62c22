#include "atomic_write.h"

#include "../pix_error.h"

#include <QFile>
#include <QFileInfo>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {
int gInjectedErrno = 0;
long long gInjectedAfter = 0;

// Writeback is started for every this many new bytes.
constexpr int64_t kWritebackChunk = int64_t(1) << 20;
} // namespace

void injectWriteFailureForTesting(int errnoValue, long long afterBytes) {
    gInjectedErrno = errnoValue;
    gInjectedAfter = afterBytes;
}

AtomicFile::AtomicFile(const QString& path) : path_(path) {
    const QFileInfo info(path);
    target_ = QFile::encodeName(info.absoluteFilePath());
    temp_ = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName() +
                              QStringLiteral(".XXXXXX"));
    fd_ = ::mkstemp(temp_.data());
    if (fd_ < 0) fail(QStringLiteral("cannot create a temporary file"), errno);
}

AtomicFile::~AtomicFile() {
    if (fd_ >= 0) ::close(fd_);
    if (!committed_) ::unlink(temp_.constData());
}

bool AtomicFile::writeAt(int64_t offset, const void* data, int64_t n) {
    if (offset < 0 || n < 0) return error_ = EINVAL, false;
    const auto* bytes = static_cast<const char*>(data);
    int64_t done = 0;
    while (done < n) {
        if (gInjectedErrno && offset + done >= gInjectedAfter)
            return error_ = gInjectedErrno, false;
        const ssize_t w = ::pwrite(fd_, bytes + done, size_t(std::min<int64_t>(n - done, 1 << 24)),
                                   off_t(offset + done));
        if (w < 0) {
            if (errno == EINTR) continue;
            return error_ = errno, false;
        }
        done += w;
    }
    size_ = std::max(size_, offset + n);
    if (size_ - writebackFrom_ >= kWritebackChunk) startWriteback();
    return true;
}

int64_t AtomicFile::readAt(int64_t offset, void* data, int64_t n) const {
    ssize_t r = 0;
    do r = ::pread(fd_, data, size_t(n), off_t(offset));
    while (r < 0 && errno == EINTR);
    return r;
}

// Asks the kernel to start writing the new bytes now, without waiting for them: the disk then
// works while the rest is encoded, and commit()'s flush finds little left to do.
void AtomicFile::startWriteback() {
#ifdef __linux__
    ::sync_file_range(fd_, writebackFrom_, size_ - writebackFrom_, SYNC_FILE_RANGE_WRITE);
#endif
    writebackFrom_ = size_;
}

void AtomicFile::append(const QByteArray& bytes) {
    if (!writeAt(size_, bytes.constData(), bytes.size())) fail(QStringLiteral("write failed"));
}

void AtomicFile::fail(const QString& what, int err) const {
    const int code = err ? err : error_;
    throw PixError(kErrIo,
                   QStringLiteral("Cannot write %1: %2 (%3)")
                       .arg(path_, what, QString::fromLocal8Bit(std::strerror(code))),
                   QStringLiteral("SaveToFile"));
}

void AtomicFile::commit() {
    if (gInjectedErrno) fail(QStringLiteral("write failed"), gInjectedErrno);
    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(target_.constData(), &st) == 0) {
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    if (::fdatasync(fd_) != 0) fail(QStringLiteral("flush failed"), errno);
    const int closed = ::close(fd_);
    fd_ = -1;
    if (closed != 0) fail(QStringLiteral("close failed"), errno);
    if (::rename(temp_.constData(), target_.constData()) != 0)
        fail(QStringLiteral("rename failed"), errno);
    committed_ = true;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    AtomicFile file(path);
    file.append(bytes);
    file.commit();
}

} // namespace pix
