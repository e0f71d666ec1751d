// The CHM opener and the contents parser on arbitrary bytes.
#include <cstdint>

#include <QFile>
#include <QTemporaryDir>

#include "chmfile.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static QTemporaryDir dir;
    const QByteArray bytes(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    parseContents(bytes);
    QFile file(dir.filePath(QStringLiteral("help.chm")));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return 0;
    file.write(bytes);
    file.close();
    if (auto chm = ChmFile::open(file.fileName())) {
        // Reading the start page must end in its bytes or a failure that says why.
        if (auto page = (*chm)->read((*chm)->defaultTopic()); !page && page.failure().description.isEmpty())
            __builtin_trap();
        if (!(*chm)->contentsFile().isEmpty())
            if (auto hhc = (*chm)->read((*chm)->contentsFile()))
                parseContents(*hhc);
    }
    return 0;
}
