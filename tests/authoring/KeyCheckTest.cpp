#include "KeyCheck.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QElapsedTimer>

#include "KeyRewrite.h"
#include "QtPrinters.h"

namespace keylinker {
namespace {

using Kind = KeyFinding::Kind;
using Language = Language;

// Findings as "LINE:COLUMN kind numbers", so that a failure shows what was found where. Warnings
// only where asked for: most keys here name a taxon more than once.
std::vector<std::string> described(const QList<KeyFinding>& findings, bool withColumn = true,
                                   bool withWarnings = false)
{
    static const char* const kindNames[] = {
        "before-first",  "missing",     "duplicate",   "unreached",        "loop",        "no-lead",
        "one-lead",      "in-markup",   "not-anchor",  "wrong-back-link",  "not-decimal", "many-leads",
        "reached-twice", "same-target", "taxon-twice", "missing-back-link"};
    std::vector<std::string> lines;
    for (const KeyFinding& finding : findings) {
        if (!withWarnings && !finding.isError())
            continue;
        std::string line = std::to_string(finding.line) +
                           (withColumn ? ":" + std::to_string(finding.column) : "") + " " +
                           kindNames[static_cast<int>(finding.kind)] + " ";
        for (qsizetype i = 0; i < finding.numbers.size(); ++i)
            line += (i > 0 ? "," : "") + finding.numbers[i].toStdString();
        lines.push_back(line);
    }
    return lines;
}

QList<KeyFinding> errorsOf(const QList<KeyFinding>& findings)
{
    QList<KeyFinding> errors;
    std::copy_if(findings.begin(), findings.end(), std::back_inserter(errors),
                 [](const KeyFinding& finding) { return finding.isError(); });
    return errors;
}

QByteArray joinLines(const std::vector<const char*>& lines, const char* end, bool finalEnd)
{
    QByteArray text;
    for (size_t i = 0; i < lines.size(); ++i)
        text += QByteArray(lines[i]) + (i + 1 < lines.size() || finalEnd ? end : "");
    return text;
}

struct KeyCase
{
    const char* name;
    std::vector<const char*> lines;
    std::vector<std::string> expected; // "LINE:COLUMN kind numbers", in file order
};

// Each key shows one kind of finding (or none); lines begin with "<P>" so that the "#" of each entry
// stands where the rewrite takes it for a mark.
const std::vector<KeyCase> keyCases = {
    {"clean",
     {"<P>#1 a ....2 b ....3", "<P>#2 c ....Species A d ....Species B",
      "<P>#3 e ....Species C f ....Species D"},
     {}},
    {"non-marks",
     // A character reference, a zero after the dots, a blank between dots and number and the text of
     // a link to another page are no marks; the last three are still leads.
     {"<P>#1 a ....2 &#228; b ....3", "<P>#2 c ....0 d ..... 9",
      "<P>#3 e ....Y f <A HREF=\"x.htm\">...4</A>"},
     {}},
    {"missing", {"<P>#1 a ....2 b ....7", "<P>#2 c ....X d ....Y"}, {"1:18 missing 7"}},
    {"duplicate",
     {"<P>#1 a ....2 b ....2", "<P>#2 c ....X d ....Y", "<P>#2 e ....X f ....Y"},
     {"2:4 duplicate 2", "3:4 duplicate 2"}},
    {"unreached",
     {"<P>#1 a ....2 b ....X", "<P>#2 c ....X d ....Y", "<P>#3 e ....X f ....Y"},
     {"3:4 unreached 3"}},
    {"loop", {"<P>#1 a ....2 b ....X", "<P>#2 c ....3 d ....Y", "<P>#3 e ....2 f ....Y"}, {"2:4 loop 2,3,2"}},
    {"loop-through-first", {"<P>#1 a ....2 b ....X", "<P>#2 c ....1 d ....Y"}, {"1:4 loop 1,2,1"}},
    {"self-loop", {"<P>#1 a ....2 b ....X", "<P>#2 c ....2 d ....Y"}, {"2:4 loop 2,2"}},
    {"two-loops",
     {"<P>#1 a ....2 b ....4", "<P>#2 c ....3 d ....X", "<P>#3 e ....2 f ....X", "<P>#4 g ....5 h ....X",
      "<P>#5 i ....4 j ....X"},
     {"2:4 loop 2,3,2", "4:4 loop 4,5,4"}},
    // Entries 2, 3 and 4 lead to each other in several ways: one finding, with a shortest loop from 2.
    {"tangle",
     {"<P>#1 a ....2 b ....X", "<P>#2 c ....3 d ....4", "<P>#3 e ....4 f ....X", "<P>#4 g ....2 h ....3"},
     {"2:4 loop 2,4,2"}},
    {"few-leads", {"<P>#1 a ....2 b ....3", "<P>#2 c ....X", "<P>#3 e"}, {"2:4 one-lead 2", "3:4 no-lead 3"}},
    // Dots in front of the three that the rewrite turns into a link belong to the same lead.
    {"long-leader", {"<P>#1 a .......2", "<P>#2 c ....X d ....Y"}, {"1:4 one-lead 1"}},
    {"before-first", {"<P>a ....1", "<P>#1 c ....X d ....Y"}, {"1:7 before-first "}},
    // A "#" among the first two bytes of the file is no mark.
    {"hash-at-start",
     {"#1 a ....2 b ....X", "<P>#2 c ....X d ....Y"},
     {"1:1 not-anchor ", "1:7 before-first "}},
    // At one place the findings come in a fixed order: loop before leads, and so on.
    {"several-at-one-place",
     {"<P>#1 a ....1", "<P>#3 c ....9"},
     {"1:4 loop 1,1", "1:4 one-lead 1", "2:4 unreached 3", "2:4 one-lead 3", "2:10 missing 9"}},
};

TEST(KeyCheck, EachKindOfFindingAtItsPlaceWithAnyLineEnd)
{
    for (const KeyCase& key : keyCases) {
        for (const char* end : {"\n", "\r\n", "\r"}) {
            for (const bool finalEnd : {true, false}) {
                EXPECT_EQ(described(checkKey(joinLines(key.lines, end, finalEnd))), key.expected)
                    << key.name << " line end " << QByteArray(end).toHex().toStdString() << " final "
                    << finalEnd;
            }
        }
    }
}

// Where a finding names an entry, the file has that entry's "#" there; where it names a reference,
// the three dots of that reference.
void expectPointsAtMark(const QByteArray& text, const KeyFinding& finding, const char* name)
{
    const QByteArray at = text.mid(finding.offset);
    switch (finding.kind) {
    case Kind::NotAnchor:
        EXPECT_TRUE(at.startsWith("#")) << name;
        break;
    case Kind::WrittenInsideMarkup:
        EXPECT_TRUE(at.startsWith("\"anKer") || at.startsWith("\"#anKer")) << name;
        break;
    case Kind::ReferenceBeforeFirstEntry:
        EXPECT_TRUE(at.startsWith("...")) << name;
        break;
    case Kind::MissingEntry:
        EXPECT_TRUE(at.startsWith("..." + finding.numbers.front())) << name;
        break;
    default:
        if (!finding.isError())
            break; // placed on leads and taxa
        EXPECT_TRUE(at.startsWith("#" + finding.numbers.front())) << name << " " << at.left(20).toStdString();
        break;
    }
}

TEST(KeyCheck, MarksProcessingMisreadsAreErrorsAndOddShapesWarnings)
{
    // An anchor that an earlier run wrote into a tag; a "#" in a tag is no mark and no finding.
    const QByteArray key = "<BODY bgcolor=<A NAME=\"anKerFFFFFF\"></A>#FFFFFF><FONT COLOR=#FF0000>\n"
                           "<P>#1 a ....2<BR>b ....3 #4<BR>c ....4</P>\n"
                           "<P>#2 d ....3<BR>e ....3</P>\n"
                           "<P>#3 f ....<I>Carabus</I> auratus<BR>g ....Species B</P>\n"
                           "<P>#4 h ....Carabus  auratus<BR>i ....Species C</P>\n";
    const std::vector<std::string> expected = {
        "1:23 in-markup ",      "2:4 many-leads 1,3",  "2:26 not-anchor ",
        "3:21 same-target 2,3", "4:4 reached-twice 3", "4:9 taxon-twice Carabus auratus,2,5",
    };
    for (const char* end : {"\n", "\r\n"}) {
        QByteArray text = key;
        const QList<KeyFinding> findings = checkKey(text.replace("\n", end));
        EXPECT_EQ(described(findings, true, true), expected);
        EXPECT_EQ(
            findings.front().report(QStringLiteral("k.htm"), Language::English),
            QStringLiteral("k.htm:1:23: error: anchor or link that an earlier run wrote into an HTML tag, "
                           "comment, script or style: the page is broken here (process the first backup, "
                           "_bak0, again)"));
        EXPECT_EQ(findings.back().report(QStringLiteral("k.htm"), Language::German),
                  QStringLiteral("k.htm:4:9: Warnung: Carabus auratus wird an 2 Stellen ausgeschlüsselt "
                                 "(Zeile 5)"));
    }
}

TEST(KeyCheck, BackLinksThatLeadElsewhereAreErrorsAndMissingOnesWarnings)
{
    // As an earlier pass left it: entry 1 leads back to entry 2, which does not refer to it, and entry
    // 3 is referred to but has no back link.
    const QByteArray processed =
        "<P><A NAME=\"anKer1\"></A><A HREF=\"#anKer2\">#1</A> a .<A HREF=\"#anKer2\">...2</A> b ....X</P>\n"
        "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> c .<A HREF=\"#anKer3\">...3</A> d ....Y</P>\n"
        "<P><A NAME=\"anKer3\"></A>#3 e ....Z f ....W</P>\n";
    const QList<KeyFinding> findings = checkKey(processed);
    EXPECT_EQ(described(findings, true, true),
              (std::vector<std::string>{"1:25 wrong-back-link 1,2", "3:25 missing-back-link 3"}));
    EXPECT_EQ(findings.front().text(Language::English),
              QStringLiteral("the back link of entry 1 leads to entry 2, which does not refer to entry 1 "
                             "(keylinker-cli --relink makes the back links anew)"));
    EXPECT_TRUE(findings.front().text(Language::German).contains(u"Rückverweis"));
    // Processing adds the missing back link and leaves the wrong one; processing anew mends both.
    EXPECT_EQ(described(checkKey(verknuepfen(processed).text), true, true),
              std::vector<std::string>{"1:25 wrong-back-link 1,2"});
}

TEST(KeyCheck, TaxonKeyedOutAtManyPlacesIsOneWarningNamingTheOtherLines)
{
    QByteArray key = "<P>#1 a ....2 b ....Carabus</P>\n";
    for (int n = 2; n <= 13; ++n)
        key += "<P>#" + QByteArray::number(n) + " a ...." + (n < 13 ? QByteArray::number(n + 1) : "Y") +
               " b ....Carabus</P>\n";
    // A reference before the first entry makes no entry reached twice.
    const QList<KeyFinding> findings = checkKey("<P>see ....2</P>\n" + key);
    const auto taxa = std::count_if(findings.begin(), findings.end(),
                                    [](const KeyFinding& f) { return f.kind == Kind::TaxonTwice; });
    EXPECT_EQ(taxa, 1);
    EXPECT_TRUE(std::none_of(findings.begin(), findings.end(),
                             [](const KeyFinding& f) { return f.kind == Kind::ReachedTwice; }));
    const auto taxon = std::find_if(findings.begin(), findings.end(),
                                    [](const KeyFinding& f) { return f.kind == Kind::TaxonTwice; });
    ASSERT_NE(taxon, findings.end());
    EXPECT_EQ(taxon->line, 2);
    EXPECT_EQ(taxon->text(Language::English),
              QStringLiteral("Carabus is keyed out at 13 places (lines 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, …)"));
}

TEST(KeyCheck, ProcessedKeyGivesTheFindingsOfItsSource)
{
    for (const KeyCase& key : keyCases) {
        for (const char* end : {"\r\n", "\n"}) {
            const QByteArray source = joinLines(key.lines, end, true);
            const RewriteResult processed = verknuepfen(source);
            if (processed.outcome == RewriteResult::Outcome::StructureError)
                continue; // the rewrite refuses a reference before the first entry
            ASSERT_EQ(processed.outcome, RewriteResult::Outcome::Rewritten) << key.name;
            ASSERT_NE(processed.text, source) << key.name;
            const QList<KeyFinding> fromSource = checkKey(source);
            const QList<KeyFinding> fromProcessed = checkKey(processed.text);
            // No number in these keys runs on over a line end, so the rewrite adds no line: only the
            // columns differ.
            EXPECT_EQ(described(fromProcessed, false), described(fromSource, false)) << key.name;
            for (const KeyFinding& finding : fromSource)
                expectPointsAtMark(source, finding, key.name);
            for (const KeyFinding& finding : fromProcessed)
                expectPointsAtMark(processed.text, finding, key.name);
            // Processing once more gives the same findings.
            EXPECT_EQ(checkKey(verknuepfen(processed.text).text), fromProcessed) << key.name;
        }
    }
}

TEST(KeyCheck, HalfProcessedKeyGivesTheFindingsOfItsSource)
{
    const QByteArray firstPart = "<P>#1 a ....2 b ....3\r\n<P>#2 c ....3 d ....9\r\n";
    const QByteArray addedLater = "<P>#3 e ....2 f ....Y\r\n<P>#4 g ....X\r\n";
    const QByteArray half = verknuepfen(firstPart).text + addedLater;
    const std::vector<std::string> expected = {"2 loop 2,3,2", "2 missing 9", "4 unreached 4",
                                               "4 one-lead 4"};
    EXPECT_EQ(described(checkKey(firstPart + addedLater), false), expected);
    EXPECT_EQ(described(checkKey(half), false), expected);
}

TEST(KeyCheck, MarkAtTheEndOfALineTakesTheLineEndIntoItsNumber)
{
    // The number of "#12" runs on over the line end to the "<"; the rewrite copies that line end into
    // the anchor's name, so in the processed key the mark stands a line further down.
    const QByteArray source = "<P>#1 a ....12 b ....X\r\n<P>#12\r\n<B>c</B> ....X d ....Y\r\n";
    const QByteArray processed = verknuepfen(source).text;
    EXPECT_EQ(described(checkKey(source)),
              (std::vector<std::string>{"1:10 missing 12", "2:4 unreached 12\r\n"}));
    const QList<KeyFinding> findings = checkKey(processed);
    EXPECT_EQ(described(findings), (std::vector<std::string>{"1:50 missing 12", "3:7 unreached 12\r\n"}));
    for (const KeyFinding& finding : findings)
        expectPointsAtMark(processed, finding, "line end");
}

TEST(KeyCheck, NumberTextOfAReferenceIsNotSearchedForMarks)
{
    // The rewrite takes "2...3" as the number and looks no further into it, in a link's text either.
    const QByteArray source = "<P>#1 a ....2...3 b ....2\n<P>#2 c ....X d ....Y\n";
    const std::vector<std::string> expected = {"1 missing 2...3"};
    EXPECT_EQ(described(checkKey(source), false), expected);
    EXPECT_EQ(described(checkKey(verknuepfen(source).text), false), expected);
}

TEST(KeyCheck, AnchorsAndLinksWrittenByHandCountOnce)
{
    // Lower-case tags and a back link: the "#" behind each anchor is that anchor's mark, the link
    // behind the back link's mark is no reference, and the dots of a link are one lead.
    const QByteArray text = "<p><a name=\"anKer1\"></a>#1 a ..<a href=\"#anKer2\">...2</a> b ....X\n"
                            "<p><a name=\"anKer2\"></a><a href=\"#anKer1\">#2</a> c ....X\n";
    EXPECT_EQ(described(checkKey(text)), (std::vector<std::string>{"2:43 one-lead 2"}));
}

TEST(KeyCheck, StrayMarkWithLongNumberIsNamedByItsBeginning)
{
    // The "ä" (two bytes in UTF-8) straddles byte 64 of the number, so the cut comes before it.
    const QByteArray number = '9' + QByteArray(62, 'x') + "\xc3\xa4" + QByteArray(500, 'y');
    const QList<KeyFinding> findings =
        errorsOf(checkKey("<P>#1 a ....X b ....Y\n<P>#" + number + " c ....X d ....Y\n"));
    ASSERT_EQ(findings.size(), 1);
    EXPECT_EQ(findings[0].kind, Kind::UnreachedEntry);
    EXPECT_EQ(findings[0].numbers, QList<QByteArray>{'9' + QByteArray(62, 'x') + "..."});
}

TEST(KeyCheck, TextsInBothLanguages)
{
    // The command-line tests show the other texts in both languages.
    const Language de = Language::German;
    const Language en = Language::English;
    const struct
    {
        Kind kind;
        QList<QByteArray> numbers;
        Language language;
        const char16_t* text;
    } cases[] = {
        {Kind::ReferenceBeforeFirstEntry, {}, de, u"Verweis vor dem ersten Eintrag"},
        {Kind::ReferenceBeforeFirstEntry, {}, en, u"reference before the first entry"},
        {Kind::DuplicateEntry, {"4"}, de, u"Eintrag 4 kommt mehrfach vor"},
        {Kind::DuplicateEntry, {"4"}, en, u"entry 4 occurs more than once"},
        {Kind::OneLead, {"6"}, de, u"Eintrag 6 hat nur eine Alternative"},
        {Kind::OneLead, {"6"}, en, u"entry 6 has only one lead"},
        {Kind::Loop, {"3", "5", "3"}, en, u"loop: 3 → 5 → 3"},
        // A number that runs on over a line end stays on one line; an empty one is named as such.
        {Kind::UnreachedEntry, {"12\r\nWings"}, en, u"entry 12↵Wings: no lead leads here"},
        {Kind::NoLead, {""}, de, u"Eintrag (ohne Nummer) hat keine Alternative"},
        {Kind::NoLead, {""}, en, u"entry (without number) has no lead"},
        // UTF-8 where it is valid, else Latin-1; "%2" in a number is no placeholder.
        {Kind::MissingEntry, {"2\xc3\xa4"}, en, u"reference to entry 2ä, which does not exist"},
        {Kind::MissingEntry, {"2\xe4%2\t"}, en, u"reference to entry 2ä%2\\x09, which does not exist"},
    };
    for (const auto& [kind, numbers, language, text] : cases) {
        KeyFinding finding;
        finding.kind = kind;
        finding.numbers = numbers;
        EXPECT_EQ(finding.text(language), QString::fromUtf16(text));
    }
}

TEST(KeyCheck, BigKeyIsCheckedQuickly)
{
    // About 1 MB: a chain of entries whose last one leads back to the first, and one entry that is
    // never reached. The chain also shows that a long path does not exhaust the call stack.
    const int entries = 20000;
    QByteArray key = "<HTML>\r\n";
    for (int n = 1; n <= entries; ++n) {
        const QByteArray next = QByteArray::number(n == entries ? 1 : n + 1);
        key += "<P>#" + QByteArray::number(n) + " Elytra dark ....." + next + " pale ....Carabus</P>\r\n";
    }
    key += "<P>#0 x ....A y ....B</P>\r\n";
    ASSERT_GT(key.size(), 1'000'000);

    QElapsedTimer timer;
    timer.start();
    const QList<KeyFinding> findings = errorsOf(checkKey(key));
    // Generous, for sanitizer builds; a check that grows with the square of the size takes minutes.
    EXPECT_LT(timer.elapsed(), 2000);

    ASSERT_EQ(findings.size(), 2);
    EXPECT_EQ(findings[0].kind, Kind::Loop);
    EXPECT_EQ(findings[0].line, 2);
    EXPECT_EQ(findings[0].numbers.size(), entries + 1);
    EXPECT_EQ(findings[0].numbers.back(), "1");
    EXPECT_EQ(findings[0].numbers[entries - 1], QByteArray::number(entries));
    EXPECT_EQ(findings[1].kind, Kind::UnreachedEntry);
    EXPECT_EQ(findings[1].line, entries + 2);
}

} // namespace
} // namespace keylinker
