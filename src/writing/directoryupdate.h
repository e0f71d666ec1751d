#pragma once

#include <filesystem>
#include <memory>

#include <QByteArrayView>
#include <QSet>
#include <QString>

#include "failure.h"

// A change to a data directory that lands whole. The directory is copied beside itself (its
// files as second names where the file system allows, so the copy costs next to no space), the
// change is made in the copy, and the copy then takes the directory's place in one exchange of
// names: a desktop reading it, or a run killed at any instant, meets the old directory or the
// new one. A directory that cannot be exchanged (its parent cannot be written, it is a mount
// point, its file system has no exchange) gets the names that changed one at a time instead,
// each whole. What a killed run leaves is removed by the next one.
class DirectoryUpdate final {
public:
    static Result<std::unique_ptr<DirectoryUpdate>> begin(const QString& directory);
    ~DirectoryUpdate();
    DirectoryUpdate(const DirectoryUpdate&) = delete;
    DirectoryUpdate& operator=(const DirectoryUpdate&) = delete;

    // The copy, to read and to change; `name` is a path inside the directory.
    QString path() const;
    QString filePath(const QString& name) const;
    // Whether the commit will switch the whole directory in one step.
    bool whole() const { return m_whole; }

    // A new file `name` holding `bytes`, on disk before the commit. The old file's second
    // name in the copy is dropped first, so the directory's own file is never written.
    Outcome write(const QString& name, QByteArrayView bytes);
    // Drops a file or folder from the copy.
    Outcome remove(const QString& name);
    // A file another writer made in the copy (a database): synced with the rest.
    Outcome adopt(const QString& name);

    // Puts the copy in the directory's place. Until then the directory is untouched.
    Outcome commit();
    // What the commit could not tidy (the old directory, when it cannot be removed).
    const QString& note() const { return m_note; }

private:
    DirectoryUpdate() = default;
    Outcome mirror();
    Outcome moveNames();
    QString shown(const QString& name) const;
    Failure failed(const QString& what, const QString& name, int error) const;
    Failure notInPlace(const QString& name, int error) const;

    std::filesystem::path m_target; // the directory, its links resolved
    std::filesystem::path m_parent;
    std::filesystem::path m_name;
    std::filesystem::path m_staging; // the copy
    int m_parentFd = -1;
    int m_lockFd = -1;
    bool m_exists = false;
    bool m_whole = true;
    bool m_committed = false;
    QSet<QString> m_touched; // names at the top of the copy that changed
    QString m_note;
};
