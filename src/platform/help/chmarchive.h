#pragma once
// Read-only access to the files inside a compiled HTML help file (.chm).

#include <memory>
#include <optional>

#include <QByteArray>
#include <QString>

struct chmFile;

namespace lumbrast::platform {

class ChmArchive {
public:
    // nullptr when the file is missing, is not a regular file, or is not a
    // compiled help file this reader can decode safely.
    static std::unique_ptr<ChmArchive> open(const QString &path);

    ~ChmArchive();
    ChmArchive(const ChmArchive &) = delete;
    ChmArchive &operator=(const ChmArchive &) = delete;

    // Paths inside the file, with or without the leading "/"; the case of the
    // letters does not matter, as in the format itself.
    bool contains(const QString &innerPath) const;

    // The whole content, or nothing when the entry is missing or cannot be
    // read completely (a damaged file never yields half a page).
    std::optional<QByteArray> read(const QString &innerPath) const;

private:
    explicit ChmArchive(chmFile *file);

    chmFile *file_;
};

} // namespace lumbrast::platform
