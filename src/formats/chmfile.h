#pragma once

#include <memory>

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include "failure.h"

struct chmFile;

// A compiled HTML help file, read through chmlib.
class ChmFile final {
public:
    // Opens the file, refusing anything that does not begin as a CHM file does ("ITSF").
    static Result<std::unique_ptr<ChmFile>> open(const QString& path);
    ~ChmFile();
    ChmFile(const ChmFile&) = delete;
    ChmFile& operator=(const ChmFile&) = delete;

    // An object of the file by its path inside it ("/index.html"), without regard to case
    // when the exact path is not there.
    Result<QByteArray> read(const QString& objectPath) const;

    // The page to open first: the file's own default topic, else its first page.
    QString defaultTopic() const;
    QString title() const;
    // The contents (.hhc) inside the file, or empty.
    QString contentsFile() const;
    QStringList objects() const;

private:
    ChmFile() = default;
    void readSystemData();

    chmFile* m_handle = nullptr;
    QString m_path;
    QStringList m_objects;
    QString m_defaultTopic;
    QString m_title;
    QString m_contents;
};

// One entry of the contents tree of a help file.
struct HelpTopic final {
    QString name;
    QString local;
    QList<HelpTopic> children;
};

// Reads the sitemap of an .hhc file: nested lists of name and page pairs. Tolerant of broken
// markup; nesting is bounded.
QList<HelpTopic> parseContents(const QByteArray& hhc);
