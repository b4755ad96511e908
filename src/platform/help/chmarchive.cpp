#include "platform/help/chmarchive.h"

#include <chm_lib.h>

#include <cerrno>
#include <cstdint>
#include <vector>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

namespace lumbrast::platform {
namespace {

// Entries are at most a few megabytes in any sensible help file; a length
// beyond this comes from a damaged directory and must not drive an allocation.
constexpr std::uint64_t kMaxEntrySize = 64u * 1024u * 1024u;

QByteArray innerName(const QString &innerPath) {
    QByteArray name = innerPath.toUtf8();
    if (!name.startsWith('/') && !name.startsWith("::"))
        name.prepend('/');
    return name;
}

int readEntry(chmFile *file, chmUnitInfo *unit, void *) {
    if (unit->length > kMaxEntrySize)
        return CHM_ENUMERATOR_FAILURE;
    std::vector<unsigned char> buffer(static_cast<std::size_t>(unit->length) + 1);
    chm_retrieve_object(file, unit, buffer.data(), 0, static_cast<LONGINT64>(unit->length));
    return CHM_ENUMERATOR_CONTINUE;
}

// The reader trusts the file's own offsets and sizes, and a damaged file can
// crash it or make it spin. So a throwaway child process first opens the file
// and decodes every entry; only a file that survives that is opened here.
// The child uses nothing but the reader and the C allocator, then _exit()s.
bool survivesFullRead(const QByteArray &path) {
    const pid_t child = fork();
    if (child < 0)
        return false;
    if (child == 0) {
        alarm(10); // a reader stuck in a loop on a damaged file
        const rlimit noCore{0, 0};
        setrlimit(RLIMIT_CORE, &noCore);
        chmFile *file = chm_open(path.constData());
        if (!file)
            _exit(1);
        const int rc = chm_enumerate(file, CHM_ENUMERATE_ALL, readEntry, nullptr);
        chm_close(file);
        _exit(rc == 1 ? 0 : 1);
    }
    int status = 0;
    while (waitpid(child, &status, 0) < 0) {
        if (errno != EINTR)
            return false;
    }
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

} // namespace

std::unique_ptr<ChmArchive> ChmArchive::open(const QString &path) {
    // A FIFO or device would block or misbehave inside the reader.
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable())
        return nullptr;

    const QByteArray localPath = QFile::encodeName(path);
    if (!survivesFullRead(localPath))
        return nullptr;
    chmFile *file = chm_open(localPath.constData());
    if (!file)
        return nullptr;
    return std::unique_ptr<ChmArchive>(new ChmArchive(file));
}

ChmArchive::ChmArchive(chmFile *file) : file_(file) {}

ChmArchive::~ChmArchive() {
    chm_close(file_);
}

bool ChmArchive::contains(const QString &innerPath) const {
    chmUnitInfo unit{};
    return chm_resolve_object(file_, innerName(innerPath).constData(), &unit) ==
           CHM_RESOLVE_SUCCESS;
}

std::optional<QByteArray> ChmArchive::read(const QString &innerPath) const {
    chmUnitInfo unit{};
    if (chm_resolve_object(file_, innerName(innerPath).constData(), &unit) != CHM_RESOLVE_SUCCESS)
        return std::nullopt;
    if (unit.length > kMaxEntrySize)
        return std::nullopt;
    QByteArray data(static_cast<qsizetype>(unit.length), Qt::Uninitialized);
    if (unit.length == 0)
        return data;
    const LONGINT64 got =
        chm_retrieve_object(file_, &unit, reinterpret_cast<unsigned char *>(data.data()), 0,
                            static_cast<LONGINT64>(unit.length));
    if (got != static_cast<LONGINT64>(unit.length))
        return std::nullopt;
    return data;
}

} // namespace lumbrast::platform
