// The RTF reader on arbitrary bytes.
#include <cstdint>

#include <QGuiApplication>
#include <QTextDocument>

#include "rtfreader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // A text document needs a GUI application; under libFuzzer nobody else makes one.
    if (!QCoreApplication::instance()) {
        static int argc = 1;
        static char name[] = "fuzz_rtf";
        static char* argv[] = { name, nullptr };
        qputenv("QT_QPA_PLATFORM", "offscreen");
        new QGuiApplication(argc, argv);
    }
    QTextDocument document;
    RtfReader::read(QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size)), document);
    return 0;
}
