#include "PrintedKey.h"

#include <random>
#include <string>

#include <gtest/gtest.h>

#include "KeyTable.h"

namespace keylinker {
namespace {

KeyTableRow row(const char* from, const char* statement, const char* to, const char* label = "",
                const char* subkey = "")
{
    KeyTableRow row;
    row.from = from;
    row.statement = statement;
    row.to = to;
    row.label = label;
    row.subkey = subkey;
    return row;
}

// Each line as "depth label|text|destination|target|starts|keep", so that a failure shows them all.
std::string described(const QList<PrintedLine>& lines)
{
    std::string text;
    for (const PrintedLine& line : lines) {
        text += std::to_string(line.depth) + ' ' + (line.heading ? "# " : (line.label + u'|').toStdString()) +
                plainText(line.text).toStdString() + '|' + plainText(line.destination).toStdString() + '|' +
                std::to_string(line.target) + '|' + std::to_string(line.starts) +
                (line.keepWithNext ? "|keep" : "") + (line.nestedFollows ? "|nested" : "") + '\n';
    }
    return text;
}

TEST(PrintedKeyTest, InlineMarkupBecomesStyledRuns)
{
    const PrintedText runs = printedText(
        "<I>Acer</I> <b>campestre</b>, x <br/>y &deg; <span>z</span> &amp;  a < b <em>c</em>d<br>");
    const PrintedText expected = {
        {QStringLiteral("Acer"), true, false},      {QStringLiteral(" "), false, false},
        {QStringLiteral("campestre"), false, true}, {QStringLiteral(", x"), false, false},
        {QStringLiteral("\n"), false, false},       {QStringLiteral("y ° z & a < b "), false, false},
        {QStringLiteral("c"), true, false},         {QStringLiteral("d"), false, false},
    };
    EXPECT_EQ(runs, expected);
}

TEST(PrintedKeyTest, BracketedCoupletsKeepTheAuthorsLabelsAndBackReferences)
{
    KeyTable table;
    table.rows = {row("1", "Wings <i>red</i>", "2"),
                  row("1", "Wings blue", "Larvae", "1'"),
                  row("2", "Head black", "Species A"),
                  row("2", "Head brown", "9", "-"),
                  row("2", "Head green", "1"),
                  row("1", "Legs", "X", "", "Larvae"),
                  row("1", "No legs", "Y|Z", "1b", "Larvae")};
    const PrintedKey key(table);
    EXPECT_EQ(described(key.lines(PrintLayout::Bracketed, 10)), "0 1|Wings red|2|1|0|keep\n"
                                                                "0 1'|Wings blue|Larvae|2|-1\n"
                                                                "0 2(1)|Head black|Species A|-1|1|keep\n"
                                                                "0 –|Head brown|9|-1|-1|keep\n"
                                                                "0 –|Head green|1|0|-1\n"
                                                                "0 # Larvae||-1|-1|keep\n"
                                                                "0 1|Legs|X|-1|2|keep\n"
                                                                "0 1b|No legs|Y, Z|-1|-1\n");
    EXPECT_EQ(key.lines(PrintLayout::Bracketed, 10).at(2).labelTargets, QList<qsizetype>{0});
    // Every lead that leads back is named, each couplet once, and each is a piece of its own.
    table.rows << row("3", "a", "2") << row("3", "b", "2") << row("1", "c", "3", "1''");
    const PrintedKey looped(table);
    const PrintedLine second = looped.lines(PrintLayout::Bracketed, 10).at(3);
    EXPECT_EQ(second.label, QStringLiteral("2(1, 3)"));
    QStringList pieces;
    for (const LabelPiece& piece : looped.labelPieces(second))
        pieces << piece.text + u'>' + QString::number(piece.target);
    EXPECT_EQ(pieces.join(u'|'), QStringLiteral("2(>-1|1>0|, >-1|3>2|)>-1"));
}

TEST(PrintedKeyTest, IndentedPrintsALoopOnce)
{
    KeyTable table;
    table.rows = {row("1", "a", "2"), row("1", "b", "3"), row("2", "c", "3"), row("2", "d", "A"),
                  row("3", "e", "1"), row("3", "f", "B"), row("4", "g", "C"), row("4", "h", "D")};
    EXPECT_EQ(described(PrintedKey(table).lines(PrintLayout::Indented, 1)), "0 1|a||1|0|nested\n"
                                                                            "1 2|c||2|1|nested\n"
                                                                            "1 3|e|1|0|2|keep\n"
                                                                            "1 3*|f|B|-1|-1\n"
                                                                            "1 2*|d|A|-1|-1\n"
                                                                            "0 1*|b|3|2|-1\n"
                                                                            "0 4|g|C|-1|3|keep\n"
                                                                            "0 4*|h|D|-1|-1\n");
}

// Keys of every shape: each couplet begins once in either layout, each lead is printed once, and in
// the indented layout a lead that opens a couplet is followed by it, one step deeper up to the limit.
TEST(PrintedKeyTest, EveryLayoutPrintsEachLeadOnce)
{
    for (unsigned seed = 1; seed <= 50; ++seed) {
        std::mt19937 random(seed);
        KeyTable table;
        const int entries = 1 + int(random() % 40);
        for (int entry = 1; entry <= entries; ++entry) {
            for (int lead = 0, leads = 2 + int(random() % 2); lead < leads; ++lead) {
                // Any entry, earlier (a loop), later or missing, or a taxon.
                const QByteArray to = random() % 3 == 0
                                          ? QByteArray("Taxon")
                                          : QByteArray::number(1 + int(random() % quint32(entries + 4)));
                table.rows << row(QByteArray::number(entry).constData(), "x", to.constData());
            }
        }
        const PrintedKey key(table);
        SCOPED_TRACE("seed " + std::to_string(seed));
        for (const PrintLayout layout : {PrintLayout::Bracketed, PrintLayout::Indented}) {
            const QList<PrintedLine> lines = key.lines(layout, 3);
            ASSERT_EQ(lines.size(), table.rows.size()) << described(lines);
            QList<int> starts(entries, 0);
            for (qsizetype at = 0; at < lines.size(); ++at) {
                const PrintedLine& line = lines.at(at);
                EXPECT_LE(line.depth, 3);
                if (line.starts >= 0)
                    ++starts[line.starts];
                if (line.nestedFollows) {
                    ASSERT_LT(at + 1, lines.size());
                    EXPECT_EQ(lines.at(at + 1).starts, line.target) << described(lines);
                    EXPECT_EQ(lines.at(at + 1).depth, qMin(line.depth + 1, 3)) << described(lines);
                }
                EXPECT_EQ(line.destination.isEmpty(), line.nestedFollows);
            }
            EXPECT_EQ(starts, QList<int>(entries, 1)) << described(lines);
        }
    }
}

} // namespace
} // namespace keylinker
