// The readers of outside files, each on its own format: mount table, music files, help files,
// the product's particulars, programs on the disc, PDF files the program writes.
#include <QTest>

#include "chmfile.h"
#include "mounttable.h"
#include "musicfile.h"
#include "pdffile.h"
#include "productcontent.h"
#include "programfile.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

class TestFormats : public QObject {
    Q_OBJECT

private slots:
    void mountTable_data();
    void mountTable();
    void musicFileKinds_data();
    void musicFileKinds();
    void chmSample();
    void chmContents();
    void productContent();
    void programsAndPdfs();
};

void TestFormats::mountTable_data()
{
    QTest::addColumn<QByteArray>("mounts");
    QTest::addColumn<QStringList>("drives");
    const QByteArray system = "/dev/vda1 / ext4 rw,relatime 0 0\nproc /proc proc rw 0 0\n";
    QTest::newRow("none") << system << QStringList();
    QTest::newRow("one disc") << system + "/dev/sr0 /media/cdrom0 iso9660 ro,nosuid 0 0\n" << QStringList { u"/media/cdrom0"_s };
    QTest::newRow("two, by mount point") << system + "/dev/sr1 /media/zdisc udf ro 0 0\n/dev/sr0 /media/adisc iso9660 ro 0 0\n"
                                         << QStringList { u"/media/adisc"_s, u"/media/zdisc"_s };
    QTest::newRow("optical device, other file system") << QByteArray("/dev/sr0 /mnt/dvd vfat ro 0 0\n") << QStringList { u"/mnt/dvd"_s };
    QTest::newRow("escaped blank") << QByteArray("/dev/sr0 /media/user/EVELMORA\\040CD iso9660 ro 0 0\n") << QStringList { u"/media/user/EVELMORA CD"_s };
    QTest::newRow("garbage") << QByteArray("\x01\xff\n  \nshort line\n") << QStringList();
}

void TestFormats::mountTable()
{
    QFETCH(QByteArray, mounts);
    QFETCH(QStringList, drives);
    QCOMPARE(MountTable::opticalMountPoints(mounts), drives);
}

void TestFormats::musicFileKinds_data()
{
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wave") << QByteArray("RIFF\x24\0\0\0WAVEfmt ", 16) << 0 << QString();
    QTest::newRow("ogg") << QByteArray("OggS\0\x02", 6) << 0 << QString();
    QTest::newRow("flac") << QByteArray("fLaC") << 0 << QString();
    QTest::newRow("mp3") << QByteArray("ID3\x03") << 0 << QString();
    QTest::newRow("garbage") << QByteArray("hello, world") << 321 << u"not a MIDI, WAV, Ogg, MP3 or FLAC file"_s;
    QTest::newRow("empty") << QByteArray() << 321 << u"the file is empty"_s;
}

void TestFormats::musicFileKinds()
{
    QFETCH(QByteArray, bytes);
    QFETCH(int, number);
    QFETCH(QString, reason);
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"piece"_s, bytes);
    const auto kind = MusicFile::kind(dir.filePath(u"piece"_s));
    QCOMPARE(kind ? 0 : kind.failure().number, number);
    if (!kind)
        QCOMPARE(kind.failure().description, u"cannot play "_s + dir.filePath(u"piece"_s) + u": "_s + reason);
    QCOMPARE(MusicFile::kind(dir.filePath(u"absent"_s)).failure().number, 53);

    // A MIDI header that goes nowhere is refused before FluidSynth sees it.
    writeTextFile(dir.path(), u"broken.mid"_s, "MThd\0\0\0\x06\0\0\0\x01\0\x60XXXX");
    QCOMPARE(MusicFile::checkMidi(dir.filePath(u"broken.mid"_s)).failure().number, 321);
}

void TestFormats::chmSample()
{
    auto chm = ChmFile::open(QStringLiteral(SAMPLE_CHM));
    QVERIFY2(chm, qPrintable(chm ? QString() : chm.failure().description));
    QCOMPARE((*chm)->defaultTopic(), u"/start.html"_s);
    QCOMPARE((*chm)->title(), u"Sample help"_s);
    QVERIFY((*chm)->read(u"/second.html"_s)->contains("Second page"));
    QVERIFY((*chm)->read(u"/PIC.PNG"_s)->startsWith("\x89PNG")); // names without regard to case
    QCOMPARE((*chm)->read(u"/absent.html"_s).failure().number, 53);
}

void TestFormats::chmContents()
{
    const QList<HelpTopic> topics = parseContents(
        "<ul><li><object type=text/sitemap><param name=\"Name\" value=\"A\"><param name='Local' value='a.html'></object>"
        "<ul><li><OBJECT><PARAM NAME=\"Name\" VALUE=\"A.1\"><param name=\"Local\" value=\"a1.html\"></OBJECT></ul>"
        "<li><object><param name=\"Name\" value=\"B\"></object></ul></ul></ul><object><param name=\"Local\" value=\"stray.html\">");
    QCOMPARE(topics.size(), 2);
    QCOMPARE(topics[0].children.size(), 1);
    QCOMPARE(topics[0].children[0].local, u"a1.html"_s);
    QCOMPARE(topics[1].name, u"B"_s);

    // Deep nesting stays bounded and loses no entry.
    QByteArray deep;
    for (int i = 0; i < 5000; ++i)
        deep += "<li><object><param name=\"Name\" value=\"x\"></object><ul>";
    int count = 0;
    QList<const QList<HelpTopic>*> pending { nullptr };
    const QList<HelpTopic> parsed = parseContents(deep);
    pending = { &parsed };
    while (!pending.isEmpty()) {
        const QList<HelpTopic>* list = pending.takeLast();
        for (const HelpTopic& topic : *list) {
            ++count;
            pending.append(&topic.children);
        }
    }
    QCOMPARE(count, 5000);
}

void TestFormats::productContent()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"content.json"_s, contentJson(u"Test Editions"_s, u"اختبار"_s, u"A. Writer"_s, u"(c) test"_s));
    const auto content = ProductContent::read(dir.path());
    QVERIFY2(content, qPrintable(content ? QString() : content.failure().description));
    QCOMPARE(content->companyArabic, u"اختبار"_s);
    QCOMPARE(content->publisher.address.size(), 3);
    QCOMPARE(content->writer.affiliationsFrench.last(), u"fr6"_s);

    writeTextFile(dir.path(), u"content.json"_s, "{\"companyLatin\": \"x\",");
    const auto cut = ProductContent::read(dir.path());
    QCOMPARE(cut.failure().number, int(FailureNumber::MalformedTable));
    QVERIFY2(cut.failure().description.contains(u"at offset"_s), qPrintable(cut.failure().description));
    writeTextFile(dir.path(), u"content.json"_s, "{\"companyLatin\": 5}");
    QVERIFY(ProductContent::read(dir.path()).failure().description.endsWith(u"no text for \"companyLatin\""_s));
}

void TestFormats::programsAndPdfs()
{
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"mmfr.exe"_s, QByteArray("MZ\x90\0", 4));
    writeTextFile(dir.path(), u"script"_s, "#!/bin/sh\n");
    QVERIFY(ProgramFile::isWindowsProgram(dir.filePath(u"mmfr.exe"_s)));
    QVERIFY(!ProgramFile::isWindowsProgram(dir.filePath(u"script"_s)));
    QVERIFY(!ProgramFile::isWindowsProgram(dir.filePath(u"absent"_s)));

    writeTextFile(dir.path(), u"done.pdf"_s, "%PDF-1.4\n" + QByteArray(4000, 'x') + "\n%%EOF\n");
    writeTextFile(dir.path(), u"cut.pdf"_s, "%PDF-1.4\n" + QByteArray(4000, 'x'));
    writeTextFile(dir.path(), u"empty.pdf"_s, "");
    QCOMPARE(PdfFile::whyIncomplete(dir.filePath(u"done.pdf"_s)), QString());
    QCOMPARE(PdfFile::whyIncomplete(dir.filePath(u"cut.pdf"_s)), u"the file is incomplete (is the disk full?)"_s);
    QCOMPARE(PdfFile::whyIncomplete(dir.filePath(u"empty.pdf"_s)), u"the file is empty (is the disk full?)"_s);
    QVERIFY(!PdfFile::whyIncomplete(dir.filePath(u"absent.pdf"_s)).isEmpty());
}

QTEST_GUILESS_MAIN(TestFormats)
#include "tst_formats.moc"
