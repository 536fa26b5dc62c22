#include "input_file.h"

#include "../pix_error.h"

#include <QFile>
#include <atomic>
#include <cerrno>
#include <csignal>
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

// The mappings the bus-error guard watches. Touching a mapped page past the end of a file that
// was shortened raises SIGBUS; inside a watched mapping the handler puts a page of zeros there,
// marks the mapping, and lets the reader go on.
struct GuardSlot {
    std::atomic<uintptr_t> start{0}, end{0};
    std::atomic<bool> shortened{false};
};
constexpr int kGuardSlots = 16;
GuardSlot gSlots[kGuardSlots];
struct sigaction gPreviousBusHandler {};
uintptr_t gPageSize = 4096;

void onBusError(int sig, siginfo_t* info, void* context) {
    const auto address = reinterpret_cast<uintptr_t>(info->si_addr);
    for (GuardSlot& slot : gSlots) {
        if (address < slot.start.load() || address >= slot.end.load()) continue;
        void* page = reinterpret_cast<void*>(address & ~(gPageSize - 1));
        if (::mmap(page, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            slot.shortened.store(true);
            return;
        }
    }
    // Not ours: whatever handled the signal before, or the default action.
    if ((gPreviousBusHandler.sa_flags & SA_SIGINFO) && gPreviousBusHandler.sa_sigaction) {
        gPreviousBusHandler.sa_sigaction(sig, info, context);
    } else if (gPreviousBusHandler.sa_handler != SIG_DFL &&
               gPreviousBusHandler.sa_handler != SIG_IGN) {
        gPreviousBusHandler.sa_handler(sig);
    } else {
        ::signal(SIGBUS, SIG_DFL);
        ::raise(SIGBUS);
    }
}

bool installGuard() {
    static const bool installed = [] {
        gPageSize = uintptr_t(::sysconf(_SC_PAGESIZE));
        struct sigaction action {};
        action.sa_sigaction = onBusError;
        action.sa_flags = SA_SIGINFO | SA_NODEFER;
        sigemptyset(&action.sa_mask);
        return ::sigaction(SIGBUS, &action, &gPreviousBusHandler) == 0;
    }();
    return installed;
}

// A free slot now watching [start, start + size), or -1 (the file is then read instead).
int watch(const void* start, size_t size) {
    if (!installGuard()) return -1;
    for (int i = 0; i < kGuardSlots; ++i) {
        uintptr_t expected = 0;
        const auto begin = reinterpret_cast<uintptr_t>(start);
        if (gSlots[i].start.compare_exchange_strong(expected, begin)) {
            gSlots[i].shortened.store(false);
            gSlots[i].end.store(begin + size);
            return i;
        }
    }
    return -1;
}

void unwatch(int slot) {
    gSlots[slot].end.store(0);
    gSlots[slot].start.store(0);
}

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
            guardSlot_ = watch(m, size_t(st.st_size));
            if (guardSlot_ >= 0) {
                ::close(fd);
                mapping_ = m;
                data_ = static_cast<const uint8_t*>(m);
                size_ = size_t(st.st_size);
                path_ = path;
                source_ = source;
                return;
            }
            ::munmap(m, size_t(st.st_size));
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
    if (!mapping_) return;
    unwatch(guardSlot_);
    ::munmap(mapping_, size_);
}

void InputFile::checkUnchanged() const {
    if (mapping_ && gSlots[guardSlot_].shortened.load())
        cannot(QStringLiteral("read"), path_,
               QStringLiteral("the file was shortened while it was being read"), source_);
}

} // namespace pix
