#pragma once

#include "Package.h"

#include <QByteArray>
#include <QDir>
#include <QString>

namespace engine {

// Files this program writes for the user (saved decks, chart pictures) replace what was there
// whole or not at all, and writers into one folder keep out of each other's way.

// An exclusive advisory lock (flock) on a folder, held by each of this program's writers for as
// long as it has a temporary file there. Saves of one file take turns under it, and a save may
// take away temporaries it finds, knowing their writers have died (a live one would hold the
// lock). Nothing is written for it: the lock is on the folder itself and goes with the process.
// Where the folder cannot be opened or its file system takes no locks, nothing is held
// (held() is false) and writing goes on unlocked. Programs that do not take it are not held
// back by it.
class FolderLock {
public:
    // How long a writer waits for another one to finish before giving up.
    static constexpr int kWaitSeconds = 120;

    // Waits while another writer holds the folder's lock; throws DocumentError (kind Io)
    // naming display when it is still held after kWaitSeconds.
    FolderLock(const QString& folder, const QString& display);
    ~FolderLock();
    FolderLock(const FolderLock&) = delete;
    FolderLock& operator=(const FolderLock&) = delete;

    bool held() const { return m_fd >= 0; }

private:
    int m_fd = -1;
};

// Replaces the file at path by one written beside it. Made, it holds the folder's lock and an
// empty temporary file (".<name>.XXXXXX.tmp", private to its owner) that a writer fills by its
// path; commit() flushes that file to the disk and renames it over path. A symbolic link at path
// is replaced by the new file, never written through. The new file keeps the permissions of
// the regular file it replaces, else gets rw-r--r--. Destroyed without commit(), the temporary
// file goes and path is as it was. Errors are DocumentError (kind Io) naming display; a full
// disk is said in the user's words (systemWriteErrorText).
class FileReplacement {
public:
    FileReplacement(const QString& path, const QString& display);
    ~FileReplacement();
    FileReplacement(const FileReplacement&) = delete;
    FileReplacement& operator=(const FileReplacement&) = delete;

    const QString& temporaryPath() const { return m_temporary; }
    const FolderLock& lock() const { return m_lock; }

    // Writes bytes into the temporary file, every write checked.
    void write(const QByteArray& bytes);
    // Flushes the temporary file and renames it over path, then flushes the folder. With
    // removeLeftovers, and the folder's lock held, temporaries that killed writers left in the
    // folder (of any file) are taken away too.
    void commit(bool removeLeftovers);

private:
    [[noreturn]] void fail(const QString& what, int error) const;

    QString m_path;
    QString m_display;
    QDir m_folder;
    FolderLock m_lock;
    QString m_temporary;
    bool m_committed = false;
};

// bytes as the file at path, through a FileReplacement: whole or not at all.
void writeFileAtomically(const QString& path, const QByteArray& bytes, const QString& display);

// Whether a file name is one of this program's temporaries: ".<name>.XXXXXX.tmp", or the zip
// writer's own beside it, ".<name>.XXXXXX.tmp.YYYYYY".
bool isWriterTemporaryName(const QString& fileName);

}  // namespace engine
