// The rules without Qt that the windows and the quick lookup share: the search plan, num and
// Letter Starts, connection strings, and what counts as a blank.
#include <QTest>

#include <string>
#include <vector>

#include "connectionrules.h"
#include "letterstartrules.h"
#include "positionrule.h"
#include "searchplan.h"
#include "serverquery.h"
#include "termsuggestions.h"
#include "utf8text.h"

#include <random>

using namespace Qt::Literals::StringLiterals;

namespace {

// Runs the plan against a store that holds entries beginning with the given prefixes only,
// and keeps the queries in the order they were sent.
struct PlanRun {
    std::vector<std::string> queries;
    int longestAsked = 0;
    SearchPlan::Ending ending;
};

PlanRun runPlan(const std::string& word, const std::vector<std::string>& found, std::ptrdiff_t longest = 0, const std::string& failOn = {})
{
    PlanRun run;
    const auto query = [&](const std::string& text) {
        run.queries.push_back(text);
        if (!failOn.empty() && text.find(failOn) != std::string::npos)
            return SearchPlan::Answer::Failed;
        for (const std::string& beginning : found) {
            if (text == SearchPlan::exactQuery(QueryTexts::frenchToEnglish, beginning) || text == SearchPlan::beginningQuery(QueryTexts::frenchToEnglish, beginning))
                return SearchPlan::Answer::Found;
        }
        return SearchPlan::Answer::Empty;
    };
    run.ending = SearchPlan::run(QueryTexts::frenchToEnglish, word, query, [&] {
        ++run.longestAsked;
        return longest;
    });
    return run;
}

} // namespace

class TestCore : public QObject {
    Q_OBJECT

private slots:
    void planQueriesInOrder();
    void planForPastedText();
    void positions_data();
    void positions();
    void letterStarts();
    void connectionStrings_data();
    void connectionStrings();
    void blanksAndKeys();
    void editDistances_data();
    void editDistances();
    void bandedDistanceAgreesWithFullTable();
    void closestTerms();
    void closestOnAwkwardIndexes();
    void closestAgreesWithEveryDistance();
    void beginningsQueryText();
    void serverTranslations_data();
    void serverTranslations();
};

void TestCore::planQueriesInOrder()
{
    // Exact first, then every beginning down to the empty one, quotes doubled in both.
    const PlanRun none = runPlan("l'a", {});
    QCOMPARE(none.ending.answer, SearchPlan::Answer::Empty);
    const std::vector<std::string> expected { "select * from Ps where [Frensh] = 'l''a' order by frensh ",
                                              "select * from Ps where [Frensh] Between 'l''a *'  and 'l''az*' order by Frensh ASC ",
                                              "select * from Ps where [Frensh] Between 'l'' *'  and 'l''z*' order by Frensh ASC ",
                                              "select * from Ps where [Frensh] Between 'l *'  and 'lz*' order by Frensh ASC ",
                                              "select * from Ps where [Frensh] Between ' *'  and 'z*' order by Frensh ASC " };
    QCOMPARE(none.queries, expected);
    QCOMPARE(none.longestAsked, 0); // a typed word never asks

    const PlanRun exact = runPlan("peur", { "peur" });
    QCOMPARE(exact.queries.size(), std::size_t(1));
    QVERIFY(exact.ending.exact);
    QCOMPARE(exact.ending.beginning, std::string("peur"));

    // A combining accent goes with the letter before it: "e" + U+0301 is dropped at once.
    const PlanRun accent = runPlan("pe\xcc\x81x", { "p" });
    QCOMPARE(accent.queries.size(), std::size_t(4)); // exact, pe´x, pe´, p
    QVERIFY(!accent.ending.exact);
    QCOMPARE(accent.ending.beginning, std::string("p"));

    // A character beyond the BMP is one character.
    const PlanRun emoji = runPlan("a\xf0\x9f\x98\x80", { "a" });
    QCOMPARE(emoji.queries.size(), std::size_t(3));

    // The store's failure ends the plan where it happens.
    const PlanRun failed = runPlan("abc", {}, 0, "'ab *'");
    QCOMPARE(failed.ending.answer, SearchPlan::Answer::Failed);
    QCOMPARE(failed.queries.size(), std::size_t(3));
}

void TestCore::planForPastedText()
{
    // 65 characters: pasted. With entries at most 3 long, beginnings of 3 or more are left out.
    const std::string pasted(65, 'q');
    const PlanRun run = runPlan(pasted, {}, 3);
    QCOMPARE(run.longestAsked, 1);
    QCOMPARE(run.queries.size(), std::size_t(1 + 3)); // exact, then qq, q and the empty beginning
    QCOMPARE(run.queries[1], SearchPlan::beginningQuery(QueryTexts::frenchToEnglish, "qq"));

    // Unknown longest: every beginning is asked, as for a typed word.
    QCOMPARE(runPlan(pasted, {}, 0).queries.size(), std::size_t(1 + 66));
    // 64 characters is still typed.
    QCOMPARE(runPlan(std::string(64, 'q'), {}, 3).longestAsked, 0);
    // Length counts UTF-16 units, as the window's text box does: 33 emoji are 66 units.
    std::string emoji;
    for (int i = 0; i < 33; ++i)
        emoji += "\xf0\x9f\x98\x80";
    QCOMPARE(runPlan(emoji, {}, 2).longestAsked, 1);
}

void TestCore::positions_data()
{
    QTest::addColumn<QByteArray>("num");
    QTest::addColumn<int>("verdict");
    QTest::addColumn<int>("position");
    const int position = int(PositionRule::Verdict::Position);
    QTest::newRow("whole") << QByteArray("12") << position << 12;
    QTest::newRow("blanks") << QByteArray(" \t12\xc2\xa0") << position << 12; // a no-break space is a blank
    QTest::newRow("half to even down") << QByteArray("2.5") << position << 2;
    QTest::newRow("half to even up") << QByteArray("3.5") << position << 4;
    QTest::newRow("exponent") << QByteArray("1.2e3") << position << 1200;
    QTest::newRow("point only after") << QByteArray("5.") << position << 5;
    QTest::newRow("point only before") << QByteArray(".5") << position << 0;
    QTest::newRow("small negative rounds to 0") << QByteArray("-0.4") << position << 0;
    QTest::newRow("largest") << QByteArray("2147483647") << position << 2147483647;
    QTest::newRow("just over") << QByteArray("2147483648") << int(PositionRule::Verdict::Overflow) << 0;
    QTest::newRow("huge exponent") << QByteArray("1e400") << int(PositionRule::Verdict::Overflow) << 0;
    QTest::newRow("below 0") << QByteArray("-3") << int(PositionRule::Verdict::Negative) << -3;
    QTest::newRow("lone point") << QByteArray(".") << int(PositionRule::Verdict::NotANumber) << 0;
    QTest::newRow("hex") << QByteArray("0x10") << int(PositionRule::Verdict::NotANumber) << 0;
    QTest::newRow("Arabic digits") << QByteArray("\xd9\xa1\xd9\xa2") << int(PositionRule::Verdict::NotANumber) << 0;
    QTest::newRow("empty") << QByteArray("") << int(PositionRule::Verdict::NotANumber) << 0;
    QTest::newRow("bare exponent") << QByteArray("1e") << int(PositionRule::Verdict::NotANumber) << 0;
}

void TestCore::positions()
{
    QFETCH(QByteArray, num);
    QFETCH(int, verdict);
    QFETCH(int, position);
    const auto parsed = PositionRule::parse(num.toStdString());
    QCOMPARE(int(parsed.verdict), verdict);
    if (parsed.verdict == PositionRule::Verdict::Position || parsed.verdict == PositionRule::Verdict::Negative)
        QCOMPARE(parsed.position, position);
}

void TestCore::letterStarts()
{
    std::string text = "0";
    for (int i = 1; i < 26; ++i)
        text += ", " + std::to_string(i * 10);
    const auto good = LetterStartRules::parse(text);
    QVERIFY(good.table);
    QCOMPARE((*good.table)[25], 250);

    using Kind = LetterStartRules::Problem::Kind;
    QCOMPARE(LetterStartRules::parse("0,1,2").problem.kind, Kind::Count);
    QCOMPARE(LetterStartRules::parse("0,1,2").problem.fields, 3);
    const auto notNumber = LetterStartRules::parse(text.replace(text.find("30"), 2, "3x"));
    QCOMPARE(notNumber.problem.kind, Kind::NotANumber);
    QCOMPARE(notNumber.problem.letter, 3);
    QCOMPARE(notNumber.problem.field, std::string("3x"));
    const auto empty = LetterStartRules::parse("0" + std::string(25, ','));
    QCOMPARE(empty.problem.kind, Kind::NotANumber);
    QCOMPARE(empty.problem.letter, 1);
    std::string falling = "0";
    for (int i = 1; i < 26; ++i)
        falling += "," + std::to_string(i == 7 ? 1 : i * 10);
    const auto fall = LetterStartRules::parse(falling);
    QCOMPARE(fall.problem.kind, Kind::Falling);
    QCOMPARE(fall.problem.letter, 7);
    QCOMPARE(fall.problem.previous, 60);
    std::string first = "4";
    for (int i = 1; i < 26; ++i)
        first += ",9";
    QCOMPARE(LetterStartRules::parse(first).problem.kind, Kind::FirstNotZero);
    std::string big = "0";
    for (int i = 1; i < 26; ++i)
        big += ",2147483648";
    QCOMPARE(LetterStartRules::parse(big).problem.kind, Kind::NotANumber);
}

void TestCore::connectionStrings_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QByteArray>("provider"); // empty: refused
    QTest::addColumn<QByteArray>("source");
    QTest::addColumn<QByteArray>("problem");
    QTest::newRow("plain") << QByteArray("Provider=text;Data Source=fr") << QByteArray("text") << QByteArray("fr") << QByteArray();
    QTest::newRow("comments and [oledb]") << QByteArray("\n[OLEDB]\n; a note\n  Provider=sqlite ; Data Source = a.sqlite \nignored")
                                          << QByteArray("sqlite") << QByteArray("a.sqlite") << QByteArray();
    QTest::newRow("quoted with ; and doubled quote") << QByteArray("provider=text;data source=\"a;b \"\"c\"\"\"  ;")
                                                     << QByteArray("text") << QByteArray("a;b \"c\"") << QByteArray();
    QTest::newRow("last key wins") << QByteArray("Provider=x;Provider=text") << QByteArray("text") << QByteArray() << QByteArray();
    QTest::newRow("long s in a key") << QByteArray("Provider=text;Data \xc5\xbfource=fr") << QByteArray("text") << QByteArray("fr") << QByteArray();
    QTest::newRow("no-break spaces trimmed") << QByteArray("Provider=text;Data Source=\xc2\xa0" "fr\xe3\x80\x80") << QByteArray("text")
                                             << QByteArray("fr") << QByteArray();
    QTest::newRow("empty") << QByteArray(" \n;x\n") << QByteArray() << QByteArray() << QByteArray("no connection string");
    QTest::newRow("no provider") << QByteArray("Data Source=fr") << QByteArray() << QByteArray() << QByteArray("no Provider");
    QTest::newRow("no =") << QByteArray("Provider=text;junk;") << QByteArray() << QByteArray() << QByteArray("\"junk\" has no '='");
    QTest::newRow("no key") << QByteArray("=text") << QByteArray() << QByteArray() << QByteArray("a value has no key");
    QTest::newRow("open quote") << QByteArray("Provider=\"text") << QByteArray() << QByteArray() << QByteArray("the value of Provider has no closing quote");
    QTest::newRow("after quote") << QByteArray("Provider=\"text\" x") << QByteArray() << QByteArray() << QByteArray("text after the quoted value of Provider");
}

void TestCore::connectionStrings()
{
    QFETCH(QByteArray, text);
    QFETCH(QByteArray, provider);
    QFETCH(QByteArray, source);
    QFETCH(QByteArray, problem);
    const auto parsed = ConnectionRules::parse(text.toStdString());
    if (provider.isEmpty()) {
        QVERIFY(!parsed.connection);
        QCOMPARE(QByteArray::fromStdString(parsed.problem), problem);
        return;
    }
    QVERIFY2(parsed.connection, parsed.problem.c_str());
    QCOMPARE(QByteArray::fromStdString(*parsed.connection->provider), provider);
    QCOMPARE(QByteArray::fromStdString(parsed.connection->dataSource), source);
}

void TestCore::blanksAndKeys()
{
    // Every character Qt calls a blank, and none it does not, over the whole BMP.
    for (char32_t c = 0; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        if (Utf8Text::isSpace(c) != QChar(char16_t(c)).isSpace())
            QFAIL(qPrintable(u"U+%1 is a blank to one side only"_s.arg(quint32(c), 4, 16, QChar(u'0'))));
    }
    QCOMPARE(Utf8Text::trimmed(" \xe2\x80\x83" "a b\xe2\x80\xa8\t"), std::string_view("a b"));
    QCOMPARE(Utf8Text::trimmed("\xc2\xa0"), std::string_view());
    // Keys compare as Qt compares them without regard to case.
    for (const char* key : { "provider", "PROVIDER", "Pro\xc5\xbfvider", "\xe2\x84\xaa" "ey" }) {
        const QString qt = QString::fromUtf8(key);
        QCOMPARE(Utf8Text::equalsIgnoringCase(key, "provider"), qt.compare(u"provider"_s, Qt::CaseInsensitive) == 0);
        QCOMPARE(Utf8Text::equalsIgnoringCase(key, "key"), qt.compare(u"key"_s, Qt::CaseInsensitive) == 0);
    }
    QVERIFY(!Utf8Text::equalsIgnoringCase("provide", "provider"));
    QCOMPARE(Utf8Text::utf16Length("a\xc3\xa9\xf0\x9f\x98\x80"), 4);
    QVERIFY(Utf8Text::valid("a\xc3\xa9"));
    QVERIFY(!Utf8Text::valid("\xc0\xaf"));       // overlong
    QVERIFY(!Utf8Text::valid("\xed\xa0\x80"));   // a surrogate
    QVERIFY(!Utf8Text::valid("\xf4\x90\x80\x80")); // beyond U+10FFFF
    QVERIFY(!Utf8Text::valid("\xe2\x82"));       // cut
}

void TestCore::editDistances_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("term");
    QTest::addColumn<bool>("toBeginning");
    QTest::addColumn<int>("expected");

    QTest::newRow("same") << u"anxiety"_s << u"anxiety"_s << false << 0;
    QTest::newRow("transposition is one edit") << u"anxeity"_s << u"anxiety"_s << false << 1;
    QTest::newRow("f for ph") << u"schizofrenie"_s << u"schizophrenie"_s << false << 2;
    QTest::newRow("British and American") << u"behaviour therapy"_s << u"behavior therapy"_s << false << 1;
    QTest::newRow("empty typed") << u""_s << u"abc"_s << false << 3;
    QTest::newRow("beginning of a longer term") << u"schizofr"_s << u"schizophrenie"_s << true << 2;
    QTest::newRow("whole term counts when not to a beginning") << u"schizo"_s << u"schizophrenie"_s << false << 4;
    QTest::newRow("beyond the limit") << u"abcdef"_s << u"uvwxyz"_s << false << 4; // limit 3, so limit + 1
    QTest::newRow("length alone is too far") << u"a"_s << u"abcdefgh"_s << false << 4;
    QTest::newRow("typed longer than term and limit") << u"abcdefgh"_s << u"a"_s << true << 4;
}

void TestCore::editDistances()
{
    QFETCH(QString, typed);
    QFETCH(QString, term);
    QFETCH(bool, toBeginning);
    QFETCH(int, expected);
    const std::u32string a = typed.toStdU32String();
    const std::u32string b = term.toStdU32String();
    QCOMPARE(int(TermSuggestions::distance(a, b, 3, toBeginning)), expected);
}

namespace {

// The whole optimal string alignment table, no band, no early end.
std::size_t fullDistance(const std::u32string& a, const std::u32string& b, bool toBeginning)
{
    std::vector<std::vector<std::size_t>> d(a.size() + 1, std::vector<std::size_t>(b.size() + 1));
    for (std::size_t i = 0; i <= a.size(); ++i)
        d[i][0] = i;
    for (std::size_t j = 0; j <= b.size(); ++j)
        d[0][j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        for (std::size_t j = 1; j <= b.size(); ++j) {
            d[i][j] = std::min({ d[i - 1][j] + 1, d[i][j - 1] + 1, d[i - 1][j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1) });
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                d[i][j] = std::min(d[i][j], d[i - 2][j - 2] + 1);
        }
    }
    return toBeginning ? *std::min_element(d[a.size()].begin(), d[a.size()].end()) : d[a.size()][b.size()];
}

} // namespace

void TestCore::bandedDistanceAgreesWithFullTable()
{
    // Short words over three letters, so that transpositions and repeats come often.
    std::mt19937 random(20261209);
    const auto word = [&] {
        std::u32string text(std::uniform_int_distribution<int>(0, 9)(random), U'a');
        for (char32_t& c : text)
            c = U'a' + char32_t(std::uniform_int_distribution<int>(0, 2)(random));
        return text;
    };
    for (int round = 0; round < 20000; ++round) {
        const std::u32string a = word();
        const std::u32string b = word();
        const bool toBeginning = round % 2;
        const std::size_t limit = std::uniform_int_distribution<std::size_t>(0, 5)(random);
        const std::size_t full = fullDistance(a, b, toBeginning);
        const std::size_t banded = TermSuggestions::distance(a, b, limit, toBeginning);
        if (full <= limit)
            QCOMPARE(banded, full);
        else
            QCOMPARE(banded, limit + 1);
    }
}

void TestCore::closestTerms()
{
    // In browse order; a repeat stands with its equals under the ordering.
    const TermSuggestions::Index index({ "anxiété", "Anxiete", "anxiété", "anxiété sociale", "behavior therapy", "behaviour therapy", "œdème",
                                         "Œdipe", "schizoïdie", "schizophrénie", "schizophrénie paranoïde" });
    QCOMPARE(index.size(), std::size_t(10)); // the repeated term once

    // Case, accents and ligatures are no edits; the shorter of two equally close terms first.
    QCOMPARE(index.closest("SCHIZOFRENIE", 2), (std::vector<std::string> { "schizophrénie", "schizophrénie paranoïde" }));
    QCOMPARE(index.closest("anxeite", 1), (std::vector<std::string> { "anxiété" }));
    QCOMPARE(index.closest("oedipe", 1), (std::vector<std::string> { "Œdipe" }));
    QCOMPARE(index.closest("behavour therapy", 2), (std::vector<std::string> { "behaviour therapy", "behavior therapy" }));
    // Equal distance and length: browse order.
    QCOMPARE(TermSuggestions::Index({ "test c", "test d" }).closest("test x", 2), (std::vector<std::string> { "test c", "test d" }));
    QCOMPARE(TermSuggestions::Index({ "test d", "test c" }).closest("test x", 2), (std::vector<std::string> { "test d", "test c" }));
    // A typo at the first letter is still found, though that block is scanned first.
    QCOMPARE(index.closest("xnxiété", 1), (std::vector<std::string> { "anxiété" }));
    // Too far from everything: nothing rather than anything.
    QVERIFY(index.closest("zzzzzzzz", 10).empty());
    QVERIFY(index.closest("q", 10).empty());
    QCOMPARE(index.closest("anxq", 1), std::vector<std::string> { "anxiété" }); // one edit in four letters
    // A long paste is out of reach of every term, and says so at once.
    QVERIFY(index.closest(std::string(32767, 'a'), 10).empty());
    // Nothing asked, or nothing to fold.
    QVERIFY(index.closest("anxiété", 0).empty());
    QVERIFY(index.closest("", 10).empty());
    QVERIFY(index.closest("'", 10).size() <= 1);
}

void TestCore::closestOnAwkwardIndexes()
{
    QVERIFY(TermSuggestions::Index().closest("anxiety", 10).empty());
    QCOMPARE(TermSuggestions::Index({ "anxiety" }).closest("anxeity", 10), std::vector<std::string> { "anxiety" });
    // Terms that are nothing once folded are left out.
    QCOMPARE(TermSuggestions::Index({ "", "anxiety" }).size(), std::size_t(1));

    // Every term shares a long beginning: the ranking is decided by the end alone.
    std::vector<std::string> shared;
    const std::string beginning(40, 'p');
    for (const char* end : { "sychology", "sychiatry", "sychosis", "sycho" })
        shared.push_back(beginning + end);
    const TermSuggestions::Index index(shared);
    QCOMPARE(index.closest(beginning + "sychosys", 1), std::vector<std::string> { beginning + "sychosis" });
    QCOMPARE(index.closest(beginning + "sychaitry", 1), std::vector<std::string> { beginning + "sychiatry" });
    QCOMPARE(index.closest(beginning + "x", 4).size(), std::size_t(4));
}

void TestCore::closestAgreesWithEveryDistance()
{
    // Terms over three letters in browse order, so that they share beginnings and tie often;
    // the ranking by the distance of each term on its own is what the walk must give.
    std::mt19937 random(4242);
    const auto word = [&](int shortest, int longest) {
        std::string text(std::uniform_int_distribution<int>(shortest, longest)(random), 'a');
        for (char& c : text)
            c = char('a' + std::uniform_int_distribution<int>(0, 2)(random));
        return text;
    };
    for (int round = 0; round < 300; ++round) {
        std::vector<std::string> terms;
        for (int i = std::uniform_int_distribution<int>(1, 60)(random); i > 0; --i)
            terms.push_back(word(1, 12));
        std::sort(terms.begin(), terms.end());
        terms.erase(std::unique(terms.begin(), terms.end()), terms.end());
        if (round % 3 == 0) // out of order too, where no beginning can be skipped
            std::shuffle(terms.begin(), terms.end(), random);
        const TermSuggestions::Index index(terms);
        const std::string typed = word(2, 14);
        const std::size_t count = std::uniform_int_distribution<std::size_t>(1, 12)(random);
        const std::size_t budget = TermSuggestions::Index::edits(typed.size());
        std::vector<std::tuple<std::size_t, std::size_t, std::size_t>> ranks;
        const std::u32string query = TermSuggestions::folded(typed);
        for (std::size_t i = 0; i < terms.size(); ++i) {
            const std::size_t d = TermSuggestions::distance(query, TermSuggestions::folded(terms[i]), budget, true);
            if (d <= budget)
                ranks.emplace_back(d, terms[i].size(), i);
        }
        std::sort(ranks.begin(), ranks.end());
        std::vector<std::string> expected;
        for (std::size_t i = 0; i < std::min(count, ranks.size()); ++i)
            expected.push_back(terms[std::get<2>(ranks[i])]);
        if (budget == 0) // too short for a typo: the entries that begin so are the list's
            expected.clear();
        QCOMPARE(index.closest(typed, count), expected);
    }
}

void TestCore::beginningsQueryText()
{
    const auto& direction = QueryTexts::frenchToEnglish;
    // Folded as the ordering folds, quotes doubled, the end of the range one letter on.
    const std::string query = TermSuggestions::beginningsQuery(direction, "L'Été", 40);
    QVERIFY2(query.find("[Frensh] >= 'l''ete'") != std::string::npos, query.c_str());
    QVERIFY2(query.find("[Frensh] < 'l''etf'") != std::string::npos, query.c_str());
    QVERIFY2(query.ends_with("ORDER BY [Frensh] LIMIT 40"), query.c_str());
    QVERIFY(TermSuggestions::beginningsQuery(direction, "", 40).empty());
    QVERIFY(TermSuggestions::beginningsQuery(QueryTexts::englishToFrench, "fear", 10).find("[English] >= 'fear'") != std::string::npos);
}

void TestCore::serverTranslations_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("expected"); // select | where | order | limit, or "refused: problem"
    const QString all = QStringLiteral("\"english\", \"frensh\", \"num\"");
    QTest::newRow("table alone") << QStringLiteral(" [PS] ") << all + QStringLiteral(" |  | stored | ");
    QTest::newRow("browse by French") << QStringLiteral("select * from PS order by Frensh") << all + QStringLiteral(" |  | place | ");
    QTest::newRow("lookup of the English window") << QStringLiteral("select * from PS ") << all + QStringLiteral(" |  | stored | ");
    // The literal goes folded: case, accents and ligatures as the ordering sees them.
    QTest::newRow("exact, quote doubled") << QStringLiteral("select * from Ps where [Frensh] = 'Œdipe l''É' order by frensh ")
                                          << all + QStringLiteral(" | key = $1::bytea [oedipe l'e] | keyed place | ");
    QTest::newRow("exact without order") << QStringLiteral("select * from Ps where [English] = 'a'") << QStringLiteral("refused: only frensh can be compared on the server, not English");
    QTest::newRow("range") << QStringLiteral("select * from Ps where [Frensh] Between 'ab *'  and 'abz*' order by Frensh ASC ")
                           << all + QStringLiteral(" | key BETWEEN $1::bytea AND $2::bytea [ab *] [abz*] | keyed place | ");
    QTest::newRow("completion") << QStringLiteral("SELECT [Frensh] AS term FROM Ps WHERE [Frensh] >= 'a' AND [Frensh] < 'b' ORDER BY [Frensh] LIMIT 40")
                                << QStringLiteral("\"frensh\" AS \"term\" | key >= $1::bytea AND key < $2::bytea [a] [b] | keyed place | 40");
    QTest::newRow("closest terms' reading") << QStringLiteral("SELECT [Frensh] AS term FROM Ps WHERE [Frensh] IS NOT NULL ORDER BY [Frensh]")
                                            << QStringLiteral("\"frensh\" AS \"term\" | key IS NOT NULL | place | ");
    QTest::newRow("longest") << QStringLiteral("select max(dictionary_length([Frensh])) as longest from Ps")
                             << QStringLiteral("max(char_length(convert_from(key, 'UTF8'))) AS \"longest\" |  | aggregate | ");
    QTest::newRow("two statements") << QStringLiteral("select * from PS; select * from PS") << QStringLiteral("refused: \"select\" is not understood here");
    QTest::newRow("another table") << QStringLiteral("select * from p1.txt") << QStringLiteral("refused: the table p1.txt is not published on the server: only PS is");
    QTest::newRow("no such field") << QStringLiteral("select Subfield from PS") << QStringLiteral("refused: no field named Subfield in the published table");
    QTest::newRow("a number compared") << QStringLiteral("select * from PS where [Frensh] = 3") << QStringLiteral("refused: a quoted text expected before \"3\"");
    QTest::newRow("limit beyond range") << QStringLiteral("select * from PS limit 99999999999999999999") << QStringLiteral("refused: LIMIT needs a whole number");
    QTest::newRow("odd character") << QStringLiteral("select * from PS where [Frensh] = \"a\"") << QStringLiteral("refused: the character '\"' at position 35 is not understood");
    QTest::newRow("unclosed bracket") << QStringLiteral("select [Frensh from PS") << QStringLiteral("refused: a [ without its ]");
    QTest::newRow("empty") << QStringLiteral("  ") << QStringLiteral("refused: the query is empty");
}

void TestCore::serverTranslations()
{
    QFETCH(QString, text);
    QFETCH(QString, expected);
    const ServerQuery::Table table { .columns = { "english", "frensh", "num" }, .keyField = "frensh" };
    const ServerQuery::Translation translation = ServerQuery::translate(text.toStdString(), table);
    QString actual;
    if (!translation.plan) {
        actual = QStringLiteral("refused: ") + QString::fromStdString(translation.problem);
    } else {
        const ServerQuery::Plan& plan = *translation.plan;
        const QString order = plan.aggregate ? QStringLiteral("aggregate")
                                             : QString(plan.keyed ? QStringLiteral("keyed ") : QString()) + (plan.order == ServerQuery::Order::Place ? QStringLiteral("place") : QStringLiteral("stored"));
        QString where = QString::fromStdString(plan.where);
        for (const std::string& parameter : plan.parameters)
            where += QStringLiteral(" [") + QString::fromStdString(parameter) + u']';
        actual = QString::fromStdString(plan.select) + QStringLiteral(" | ") + where + QStringLiteral(" | ") + order + QStringLiteral(" | ")
            + (plan.limit ? QString::number(*plan.limit) : QString());
    }
    QCOMPARE(actual, expected);
}

QTEST_GUILESS_MAIN(TestCore)
#include "tst_core.moc"
