#include "FileReplacement.h"

#include "Zip.h"

#include <QFile>
#include <QFileInfo>
#include <QThread>
#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace engine {

namespace {

// Flushes what is open at fd to the disk: 0, or the errno of the failure. File systems that
// cannot flush at all (EINVAL, EROFS for special files) have nothing to report. A file system
// that allocates late (network file systems, some quotas) reports a full disk only here.
int flushToDisk(int fd) {
    if (::fsync(fd) == 0 || errno == EINVAL || errno == EROFS) return 0;
    return errno;
}

void flushFolder(const QDir& folder) {
    const int fd = ::open(QFile::encodeName(folder.absolutePath()).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    flushToDisk(fd);
    ::close(fd);
}

bool isTemporaryLetter(QChar c) {
    return (c >= u'a' && c <= u'z') || (c >= u'A' && c <= u'Z') || (c >= u'0' && c <= u'9');
}

// Temporaries of writers that ended before their rename (killed, or the machine lost power):
// worthless, whichever file they were for. Called under the folder's lock, so no live writer
// of this program has one.
void removeLeftTemporaries(const QDir& folder) {
    const QStringList names = folder.entryList({QStringLiteral(".*.tmp*")}, QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& name : names) {
        if (isWriterTemporaryName(name)) QFile::remove(folder.filePath(name));
    }
}

}  // namespace

bool isWriterTemporaryName(const QString& name) {
    // ".<name>." + six letters + ".tmp", then perhaps "." and six more.
    qsizetype end = name.size();
    if (end > 11 && name[end - 7] == u'.' && name.mid(end - 11, 4) == QLatin1String(".tmp")) end -= 7;
    if (end < 13 || !name.startsWith(u'.') || name.mid(end - 4, 4) != QLatin1String(".tmp") || name[end - 11] != u'.') {
        return false;
    }
    for (qsizetype i = end - 10; i < end - 4; ++i) {
        if (!isTemporaryLetter(name[i])) return false;
    }
    return true;
}

FolderLock::FolderLock(const QString& folder, const QString& display) {
    const int fd = ::open(QFile::encodeName(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    // Polled rather than blocking, so that a writer stopped for good (a suspended job) turns
    // into a message instead of a wait without end.
    constexpr int kPauseMs = 50;
    for (int waited = 0;; waited += kPauseMs) {
        if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
            m_fd = fd;
            return;
        }
        if (errno == EINTR) continue;
        if (errno != EWOULDBLOCK) {
            ::close(fd);
            return;
        }
        if (waited >= kWaitSeconds * 1000) {
            ::close(fd);
            throw DocumentError(DocumentError::Kind::Io, display, QString(),
                                QStringLiteral("another save into %1 has not finished in %2 seconds")
                                    .arg(QDir::toNativeSeparators(folder))
                                    .arg(kWaitSeconds));
        }
        QThread::msleep(kPauseMs);
    }
}

FolderLock::~FolderLock() {
    if (m_fd >= 0) ::close(m_fd);  // closing the last descriptor of the folder lets the lock go
}

FileReplacement::FileReplacement(const QString& path, const QString& display)
    : m_path(QFileInfo(path).absoluteFilePath()),
      m_display(display),
      m_folder(QFileInfo(path).absoluteDir()),
      m_lock(m_folder.absolutePath(), display) {
    if (!m_folder.exists()) {
        throw DocumentError(DocumentError::Kind::Io, display, QString(), QStringLiteral("folder does not exist"));
    }
    QByteArray name = QFile::encodeName(m_folder.filePath(u'.' + QFileInfo(path).fileName() + QStringLiteral(".XXXXXX.tmp")));
    const int fd = ::mkostemps(name.data(), 4, O_CLOEXEC);
    if (fd < 0) {
        throw DocumentError(DocumentError::Kind::Io, display, QString(),
                            QStringLiteral("cannot write in ") + QDir::toNativeSeparators(m_folder.path()));
    }
    ::close(fd);
    m_temporary = QFile::decodeName(name);
}

FileReplacement::~FileReplacement() {
    if (!m_committed) ::unlink(QFile::encodeName(m_temporary).constData());
}

void FileReplacement::fail(const QString& what, int error) const {
    throw DocumentError(DocumentError::Kind::Io, m_display, QString(), what + systemWriteErrorText(error));
}

void FileReplacement::write(const QByteArray& bytes) {
    const int fd = ::open(QFile::encodeName(m_temporary).constData(), O_WRONLY | O_TRUNC | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail(QStringLiteral("cannot be written: "), errno);
    const char* data = bytes.constData();
    qsizetype left = bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, data, size_t(std::min<qsizetype>(left, qsizetype(1) << 30)));
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            const int error = n < 0 ? errno : ENOSPC;
            ::close(fd);
            fail(QStringLiteral("cannot be written: "), error);
        }
        data += n;
        left -= n;
    }
    // A network file system may say only at close that the data did not reach the server.
    if (::close(fd) != 0 && errno != EINTR) fail(QStringLiteral("cannot be written: "), errno);
}

void FileReplacement::commit(bool removeLeftovers) {
    const QByteArray temporary = QFile::encodeName(m_temporary);
    const QByteArray target = QFile::encodeName(m_path);
    const int fd = ::open(temporary.constData(), O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (fd < 0) fail(QStringLiteral("cannot be written: "), errno);
    if (const int error = flushToDisk(fd)) {
        ::close(fd);
        fail(QStringLiteral("cannot be written: "), error);
    }
    // A temporary file is private to its owner; the file gets the usual permissions, or keeps
    // those of the regular file it replaces (not those a link's target has).
    struct stat replaced {};
    const bool regular = ::lstat(target.constData(), &replaced) == 0 && S_ISREG(replaced.st_mode);
    ::fchmod(fd, regular ? (replaced.st_mode & 07777) : (S_IRUSR | S_IWUSR | S_IRGRP | S_IROTH));
    ::close(fd);
    if (std::rename(temporary.constData(), target.constData()) != 0) {
        fail(QStringLiteral("cannot replace the file: "), errno);
    }
    m_committed = true;
    // The rename is done; a folder that cannot be flushed leaves nothing to undo.
    flushFolder(m_folder);
    if (removeLeftovers && m_lock.held()) removeLeftTemporaries(m_folder);
}

void writeFileAtomically(const QString& path, const QByteArray& bytes, const QString& display) {
    FileReplacement file(path, display);
    file.write(bytes);
    file.commit(false);
}

}  // namespace engine
