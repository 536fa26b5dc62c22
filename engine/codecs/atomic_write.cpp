#include "atomic_write.h"
#include "codec.h"

#include "../pix_error.h"

#include <QFile>
#include <QFileInfo>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace pix {

namespace {
int gInjectedErrno = 0;
long long gInjectedAfter = 0;

QString errnoText(int err) {
    return QString::fromLocal8Bit(std::strerror(err));
}

[[noreturn]] void fail(const QString& path, const QString& what, int err) {
    throw PixError(kErrIo,
                   QStringLiteral("Cannot write %1: %2 (%3)").arg(path, what, errnoText(err)),
                   QStringLiteral("SaveToFile"));
}
} // namespace

void injectWriteFailureForTesting(int errnoValue, long long afterBytes) {
    gInjectedErrno = errnoValue;
    gInjectedAfter = afterBytes;
}

void writeFileAtomically(const QString& path, const QByteArray& bytes) {
    const QFileInfo info(path);
    const QByteArray target = QFile::encodeName(info.absoluteFilePath());
    QByteArray tmpl = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") +
                                        info.fileName() + QStringLiteral(".XXXXXX"));
    const int fd = ::mkstemp(tmpl.data());
    if (fd < 0) fail(path, QStringLiteral("cannot create a temporary file"), errno);

    auto abandon = [&](const QString& what, int err) {
        ::close(fd);
        ::unlink(tmpl.constData());
        fail(path, what, err);
    };

    const char* data = bytes.constData();
    long long left = bytes.size();
    long long written = 0;
    while (left > 0) {
        if (gInjectedErrno && written >= gInjectedAfter)
            abandon(QStringLiteral("write failed"), gInjectedErrno);
        const ssize_t n = ::write(fd, data + written, size_t(std::min<long long>(left, 1 << 24)));
        if (n < 0) {
            if (errno == EINTR) continue;
            abandon(QStringLiteral("write failed"), errno);
        }
        written += n;
        left -= n;
    }
    if (gInjectedErrno) abandon(QStringLiteral("write failed"), gInjectedErrno);

    // Keep the permissions of the file being replaced; a new file gets the usual 0666 & ~umask.
    struct stat st {};
    if (::stat(target.constData(), &st) == 0) {
        ::fchmod(fd, st.st_mode & 07777);
    } else {
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd, 0666 & ~mask);
    }
    if (::fsync(fd) != 0) abandon(QStringLiteral("flush failed"), errno);
    if (::close(fd) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        fail(path, QStringLiteral("close failed"), err);
    }
    if (::rename(tmpl.constData(), target.constData()) != 0) {
        const int err = errno;
        ::unlink(tmpl.constData());
        fail(path, QStringLiteral("rename failed"), err);
    }
}

} // namespace pix
