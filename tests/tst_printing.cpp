#include <QDate>
#include <QLocale>
#include <QPainter>
#include <QPdfWriter>
#include <QPrintPreviewDialog>
#include <QPrintPreviewWidget>
#include <QPrinter>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include "printing.h"
#include "qtreportviewer.h"
#include "standins.h"
#include "testsupport.h"

using namespace Qt::Literals::StringLiterals;

namespace {

class RecordingViewer final : public ReportViewer {
public:
    void discard(const QString& name) override { events.append(u"discard "_s + name); }
    Outcome show(const ReportDocument& document) override
    {
        events.append(u"show "_s + document.layout.name);
        shown = document;
        return {};
    }
    QStringList events;
    ReportDocument shown;
};

// One window's print button on recording stand-ins.
struct RecordedPrint {
    explicit RecordedPrint(const QString& dataDirectory, ReportLayout (*layout)() = &ReportLayout::prEng1)
        : button(layout, terms, viewer, presenter, busy, dataDirectory)
    {
    }
    PrintableTerms terms;
    RecordingViewer viewer;
    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    PrintOperation button;
};

QString renderToPdf(const ReportDocument& document, const QString& path)
{
    {
        QPdfWriter writer(path);
        setReportMargins(writer);
        if (auto done = renderReport(document, writer); !done)
            qFatal("%s", qPrintable(done.failure().description));
    }
    if (QFileInfo(path).size() == 0)
        qFatal("no PDF was written to %s", qPrintable(path));
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, { u"-layout"_s, path, u"-"_s });
    pdftotext.waitForFinished();
    return QString::fromUtf8(pdftotext.readAllStandardOutput());
}

// The non-empty lines of the text, each with its blanks folded.
QStringList lines(const QString& text)
{
    QStringList result;
    for (const QString& line : text.split(u'\n')) {
        if (!line.simplified().isEmpty())
            result.append(line.simplified());
    }
    return result;
}

} // namespace

class TestPrinting : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void layouts_data();
    void layouts();
    void printOperation();
    void previewsAreReplacedPerReport();
    void missingRows();
    void rowsWithoutASchema();
    void longTermsWrapInsideTheirLabel();
    void printsOnlyFilesItCouldWrite();

private:
    QTemporaryDir m_dir;
    const QString m_date = QLocale::system().toString(QDate::currentDate(), QLocale::ShortFormat);
};

void TestPrinting::initTestCase()
{
    writeTextFile(m_dir.path(), u"schema.ini"_s, "[p1.txt]\nCol1=\"a1 a2 a3 \" Text\n");
    writeTextFile(m_dir.path(), u"p1.txt"_s, "a1 a2 a3 \nSource:\neVelmora EF\n");
}

void TestPrinting::layouts_data()
{
    QTest::addColumn<bool>("french");
    QTest::addColumn<QStringList>("expected");
    QTest::newRow("pr_eng1") << false
                             << QStringList { u"eVelmora English - French Edition 1.0 Version"_s, u"ELECTRONIC DICTIONARY OF PSYCHOLOGICAL SCIENCES"_s,
                                              u"English - French"_s, u"ENGLISH state anxiety"_s, u"FRENCH anxiété-état"_s, u"Source:"_s,
                                              u"eVelmora EF"_s };
    QTest::newRow("pr_frensh") << true
                               << QStringList { u"eVelmora English - French Edition 1.0 Version"_s,
                                                u"DICTIONNAIRE ELECTRONIQUE DES SCIENCES PSYCHOLOGIQUES"_s, u"Français - Anglais"_s,
                                                u"FRANCAIS anxiété-état"_s, u"ANGLAIS state anxiety"_s, u"Source:"_s, u"eVelmora EF"_s };
}

void TestPrinting::layouts()
{
    QFETCH(bool, french);
    QFETCH(QStringList, expected);
    ReportDocument document { french ? ReportLayout::prFrensh() : ReportLayout::prEng1(), {}, m_date };
    QVERIFY(DataReport_Initialize(document.layout, { u"state anxiety"_s, u"anxiété-état"_s }));
    document.detailRows = *fetchReportRows(m_dir.path());
    const QStringList printed = lines(renderToPdf(document, m_dir.filePath(document.layout.name + u".pdf"_s)));
    // The fixed texts, the terms with the window's language first, the rows, then the footer.
    QCOMPARE(printed.mid(0, expected.size()), expected);
    QCOMPARE(printed.last(), u"English eVelmora "_s.simplified() + u' ' + m_date);
}

void TestPrinting::printOperation()
{
    PrintableTerms terms;
    RecordingViewer viewer;
    RecordingPresenter presenter;
    RecordingBusyPointer busy;
    PrintOperation f1Print(&ReportLayout::prFrensh, terms, viewer, presenter, busy, m_dir.path());
    f1Print.cmdImprimer_Click(u"typed, never looked up"_s, u"peur"_s);
    QCOMPARE(terms.terme_anglais, u"typed, never looked up"_s);
    QCOMPARE(terms.terme_francais, u"peur"_s);
    QCOMPARE(viewer.events, (QStringList { u"discard pr_frensh"_s, u"show pr_frensh"_s }));
    QCOMPARE(viewer.shown.layout.bands[ReportLayout::PageHeader].controls[0].text, u"typed, never looked up"_s);
    QCOMPARE(viewer.shown.detailRows, (QStringList { u"Source:"_s, u"eVelmora EF"_s }));
    QCOMPARE(busy.events, (QStringList { u"hourglass"_s, u"default"_s }));

    // Empty boxes print the fixed texts alone, without a message.
    f1Print.cmdImprimer_Click(QString(), QString());
    const QStringList printed = lines(renderToPdf(viewer.shown, m_dir.filePath(u"empty.pdf"_s)));
    QVERIFY2(printed.contains(u"FRANCAIS"_s) && printed.contains(u"ANGLAIS"_s), qPrintable(printed.join(u'|')));
    QVERIFY(!printed.join(u' ').contains(u"Label2"_s));
    QCOMPARE(presenter.messages, QStringList());

    // A page header without its two labels: reported under "Initialize", the report still shown.
    ReportLayout broken = ReportLayout::prEng1();
    broken.bands[ReportLayout::PageHeader].controls.resize(1);
    QCOMPARE(DataReport_Initialize(broken, terms).failure().number, 9);
}

void TestPrinting::previewsAreReplacedPerReport()
{
    PrintableTerms terms;
    RecordingPresenter presenter;
    QtReportViewer viewer(presenter);
    RecordingBusyPointer busy;
    PrintOperation f1Print(&ReportLayout::prFrensh, terms, viewer, presenter, busy, m_dir.path());
    PrintOperation eng2Print(&ReportLayout::prEng1, terms, viewer, presenter, busy, m_dir.path());
    const auto previews = [] {
        QStringList names;
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (qobject_cast<QPrintPreviewDialog*>(widget) && widget->isVisible())
                names.append(widget->objectName() + u": "_s + widget->windowTitle());
        }
        names.sort();
        return names;
    };
    f1Print.cmdImprimer_Click(u"fear"_s, u"peur"_s);
    f1Print.cmdImprimer_Click(u"anger"_s, u"colère"_s);
    QCOMPARE(previews(), QStringList { u"pr_frensh: Print eVelmora     English - French  Edition 1.0 Version"_s });
    eng2Print.cmdImprimer_Click(u"joy"_s, u"joie"_s);
    QCOMPARE(previews().size(), 2);
    QCOMPARE(presenter.messages, QStringList());
    viewer.discard(u"pr_frensh"_s);
    viewer.discard(u"pr_eng1"_s);
    QCOMPARE(previews(), QStringList());
}

void TestPrinting::missingRows()
{
    QTemporaryDir empty;
    RecordedPrint print(empty.path());
    print.button.cmdImprimer_Click(u"fear"_s, u"peur"_s);
    QCOMPARE(print.presenter.messages, QStringList { u"3024cannot find the table p1.txt: no file p1.txt in "_s + empty.path() + u"Imprimer"_s });
    QCOMPARE(print.viewer.events, QStringList { u"discard pr_eng1"_s }); // no preview for this print
    QCOMPARE(print.busy.events, (QStringList { u"hourglass"_s, u"default"_s }));

    RecordedPrint nowhere(empty.filePath(u"gone"_s));
    nowhere.button.cmdImprimer_Click(QString(), QString());
    QVERIFY(nowhere.presenter.messages.last().startsWith(u"3024cannot find the data directory"_s));
}

void TestPrinting::rowsWithoutASchema()
{
    // Without a schema.ini the header line names the column; inside its quotes the trailing
    // blank the report reads by is part of the name.
    QTemporaryDir dir;
    writeTextFile(dir.path(), u"p1.txt"_s, "\"a1 a2 a3 \"\nSource:\n\"eVelmora, EF\"\n");
    const auto rows = fetchReportRows(dir.path());
    QVERIFY2(rows, qPrintable(rows ? QString() : rows.failure().description));
    QCOMPARE(*rows, (QStringList { u"Source:"_s, u"eVelmora, EF"_s }));

    RecordedPrint print(dir.path());
    print.button.cmdImprimer_Click(u"fear"_s, u"peur"_s);
    QCOMPARE(print.presenter.messages, QStringList());
    QCOMPARE(print.viewer.shown.detailRows, *rows);

    // Unquoted, the blank is layout and the name the report reads is not there.
    writeTextFile(dir.path(), u"p1.txt"_s, "a1 a2 a3 \nSource:\n");
    QCOMPARE(fetchReportRows(dir.path()).failure().number, int(FailureNumber::FieldNotFound));
}

void TestPrinting::longTermsWrapInsideTheirLabel()
{
    const QString longTerm = u"trouble de la personnalité "_s.repeated(6) + u"Weltanschauungsgeschichtlichkeitsproblematik"_s;
    ReportDocument document { ReportLayout::prEng1(), { u"row"_s }, m_date };
    QVERIFY(DataReport_Initialize(document.layout, { longTerm, u"court"_s }));

    QPdfWriter writer(m_dir.filePath(u"probe.pdf"_s));
    setReportMargins(writer);
    QPainter painter(&writer);
    const ReportBand& header = document.layout.bands[ReportLayout::PageHeader];
    const PlacedBand placed = placeBand(header, { longTerm, u"court"_s, u"FRENCH"_s, u"ENGLISH"_s }, painter, writer.logicalDpiY());
    painter.end();
    const QRect english = placed.controls[0].twips;
    QVERIFY(english.height() > 270);
    QCOMPARE(english.width(), 6435);
    // The French line and its label move below the grown English term; the band grows with them.
    QVERIFY(placed.controls[1].twips.top() >= english.bottom());
    QVERIFY(placed.controls[2].twips.top() >= english.bottom());
    QCOMPARE(placed.height - header.height, english.height() - 270);

    // In the PDF every word lies inside the label: from its left edge to its right one,
    // 1440 + 1695 + 6435 twips from the page's edge (20 twips make a point).
    const QString path = m_dir.filePath(u"long.pdf"_s);
    renderToPdf(document, path);
    QProcess bbox;
    bbox.start(u"pdftotext"_s, { u"-bbox"_s, path, u"-"_s });
    bbox.waitForFinished();
    const QString html = QString::fromUtf8(bbox.readAllStandardOutput());
    static const QRegularExpression word(uR"re(<word xMin="([\d.]+)" yMin="[\d.]+" xMax="([\d.]+)" yMax="[\d.]+">([^<]*)</word>)re"_s);
    int inside = 0;
    for (auto match = word.globalMatch(html); match.hasNext();) {
        const auto m = match.next();
        if (!longTerm.contains(m.captured(3)) || m.captured(3).size() < 4)
            continue;
        QVERIFY2(m.captured(1).toDouble() >= (1440 + 1695) / 20.0 - 1 && m.captured(2).toDouble() <= (1440 + 1695 + 6435) / 20.0 + 1,
                 qPrintable(m.captured(0)));
        ++inside;
    }
    QVERIFY(inside >= 12);
    QVERIFY(html.contains(u"court"_s));
}

void TestPrinting::printsOnlyFilesItCouldWrite()
{
    ReportDocument document { ReportLayout::prEng1(), { u"row"_s }, m_date };
    QVERIFY(DataReport_Initialize(document.layout, { u"fear"_s, u"peur"_s }));
    const auto printTo = [&](const QString& path) {
        QPrinter printer;
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(path);
        return printReport(document, printer);
    };
    const QString written = m_dir.filePath(u"report.pdf"_s);
    QVERIFY(printTo(written));
    QProcess pdftotext;
    pdftotext.start(u"pdftotext"_s, { written, u"-"_s });
    pdftotext.waitForFinished();
    const QString text = QString::fromUtf8(pdftotext.readAllStandardOutput());
    QVERIFY2(text.contains(u"fear"_s) && text.contains(u"peur"_s), qPrintable(text));

    // A folder that cannot exist (its parent is a file), and a disk that is full.
    const QString inFile = written + u"/report.pdf"_s;
    const Outcome unopened = printTo(inFile);
    QVERIFY(!unopened);
    QVERIFY2(unopened.failure().description.contains(inFile), qPrintable(unopened.failure().description));
    const Outcome full = printTo(u"/dev/full"_s);
    QVERIFY(!full);
    QCOMPARE(full.failure().number, 75);
    QVERIFY2(full.failure().description.contains(u"/dev/full"_s) && full.failure().description.contains(u"disk full"_s), qPrintable(full.failure().description));

    // Printing from the preview says so when the file was not written, and only then.
    RecordingPresenter presenter;
    QtReportViewer viewer(presenter);
    QVERIFY(viewer.show(document));
    auto* preview = [] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* dialog = qobject_cast<QPrintPreviewDialog*>(widget); dialog && dialog->isVisible())
                return dialog;
        }
        return static_cast<QPrintPreviewDialog*>(nullptr);
    }();
    QVERIFY(preview);
    preview->printer()->setOutputFormat(QPrinter::PdfFormat);
    preview->printer()->setOutputFileName(m_dir.filePath(u"from-preview.pdf"_s));
    preview->findChild<QPrintPreviewWidget*>()->print();
    QCOMPARE(presenter.messages, QStringList());
    QVERIFY(QFileInfo(m_dir.filePath(u"from-preview.pdf"_s)).size() > 0);
    preview->printer()->setOutputFileName(u"/dev/full"_s);
    preview->findChild<QPrintPreviewWidget*>()->print();
    QCOMPARE(presenter.messages.size(), 1);
    QVERIFY2(presenter.messages[0].startsWith(u"75the report pr_eng1 was not written to /dev/full"_s) && presenter.messages[0].endsWith(u"Imprimer"_s),
             qPrintable(presenter.messages[0]));
    viewer.discard(u"pr_eng1"_s);
}

QTEST_MAIN(TestPrinting)
#include "tst_printing.moc"
