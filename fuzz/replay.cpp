// Runs every file of the given corpus folders through a fuzz target once: the saved corpus and
// every crash ever found become an ordinary test.
#include <cstdint>
#include <cstdio>

#include <QCoreApplication>
#include <QDirIterator>
#include <QFile>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        // A folder of crashes exists only once something crashed.
        QDirIterator it(QString::fromLocal8Bit(argv[i]), QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            QFile file(it.next());
            if (!file.open(QIODevice::ReadOnly)) {
                std::fprintf(stderr, "cannot read %s\n", qPrintable(file.fileName()));
                return 1;
            }
            const QByteArray bytes = file.readAll();
            LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.constData()), static_cast<size_t>(bytes.size()));
            ++files;
        }
    }
    std::printf("%d inputs replayed\n", files);
    return files > 0 ? 0 : 1;
}
