#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "InlineMarkup.h"
#include "InteractiveKey.h"
#include "KeyImport.h"
#include "KeyPageReader.h"
#include "KeyPageWriter.h"
#include "KeyRewrite.h"
#include "KeyTable.h"
#include "KeyTableExport.h"
#include "TableImport.h"
#include "TextKeyImport.h"

namespace keylinker {
namespace {

using Kind = KeyImportError::Kind;

// Rows as "from|statement|to|subkey|shortcut" lines, so that a failure shows the whole table.
std::string described(const QList<KeyTableRow>& rows)
{
    std::string text;
    for (const KeyTableRow& row : rows)
        text += (row.from + '|' + row.statement + '|' + row.to + '|' + row.subkey + '|' + row.shortcut + '\n')
                    .toStdString();
    return text;
}

// A text that an import refuses, and the reason and line it must give.
struct Refused
{
    QByteArray content;
    Kind kind;
    int line;
};

template <typename Read> void expectRefusals(Read read, std::initializer_list<Refused> refusals)
{
    for (const Refused& refused : refusals) {
        KeyTable table;
        KeyImportError error;
        EXPECT_FALSE(read(refused.content, table, error));
        EXPECT_EQ(error.kind, refused.kind) << refused.content.toStdString();
        EXPECT_EQ(error.line, refused.line) << refused.content.toStdString();
    }
}

KeyTable importTable(const QByteArray& content)
{
    KeyTable table;
    KeyImportError error;
    EXPECT_TRUE(TableImport::isTable(content)) << content.toStdString();
    EXPECT_TRUE(TableImport::read(content, table, error)) << int(error.kind) << " at " << error.line;
    return table;
}

// A key with every hazard a statement can bring: separators, quotes, inline markup, bare & < >, a
// "#" before a digit and dots before a digit; targets that are later entries, missing entries, loops
// and taxa (one of several items, one beginning with a digit).
KeyTable generatedKey(unsigned seed)
{
    static const std::vector<QByteArray> words = {
        "Wings",
        "red,",
        "\"shining\"",
        "<i>Carabus</i>",
        "&deg;",
        "&",
        "<",
        ">",
        "#3",
        "...5",
        "x<sup>2</sup>",
        "Blätter",
        "gegenständig;",
        "Länge",
        "mm",
        "a/b",
        "*",
        "(see",
        "12)",
        "'",
        "-",
        "long<BR>narrow",
        "<a href=\"https://example.org/a?b=1&c=2#x\">Goldlaufkäfer</a>",
        "<a href=\"javascript:alert(1)\">x</a>"};
    static const std::vector<QByteArray> taxa = {"Species A",         "Carabus|Cychrus|Calosoma",
                                                 "<i>Salix</i> alba", "Acer (Ahorn)",
                                                 "3-spined form",     "Apterygota"};
    std::mt19937 random(seed);
    const auto pick = [&random](qsizetype count) { return qsizetype(random() % quint32(count)); };
    KeyTable table;
    const int entries = 1 + int(pick(12));
    for (int entry = 1; entry <= entries; ++entry) {
        const int leads = 1 + int(pick(3));
        for (int lead = 0; lead < leads; ++lead) {
            KeyTableRow row;
            row.from = QByteArray::number(entry);
            for (qsizetype word = 0, count = pick(8); word < count; ++word)
                row.statement += (word > 0 ? " " : "") + words.at(size_t(pick(qsizetype(words.size()))));
            const qsizetype kind = pick(6);
            row.to = kind < 3    ? QByteArray::number(entry + 1 + int(pick(4))) // later or missing
                     : kind == 3 ? QByteArray::number(1 + int(pick(entry)))     // back: a loop
                                 : taxa.at(size_t(pick(qsizetype(taxa.size()))));
            table.rows << row;
        }
    }
    return table;
}

TEST(KeyExchangeTest, GeneratedKeysSurviveEveryRoundTrip)
{
    for (unsigned seed = 1; seed <= 60; ++seed) {
        const KeyTable key = generatedKey(seed);
        SCOPED_TRACE("seed " + std::to_string(seed) + "\n" + described(key.rows));

        // KeyBase CSV, with and without header, and TSV as KeyBase quotes it: the same rows back, and
        // the CSV written again byte for byte.
        const bool header = seed % 2 == 0;
        const QByteArray csv = KeyTableExport::keybase(key, header);
        const KeyTable fromCsv = importTable(csv);
        EXPECT_EQ(described(fromCsv.rows), described(key.rows));
        EXPECT_EQ(KeyTableExport::keybase(fromCsv, header), csv);
        QByteArray tsv = "from\tstatement\tto\n";
        for (const KeyTableRow& row : key.rows) {
            QByteArray statement = row.statement;
            if (statement.contains(',') || statement.contains('"'))
                statement = '"' + statement.replace('"', "\"\"") + '"';
            tsv += row.from + '\t' + statement + '\t' + row.to + '\n';
        }
        EXPECT_EQ(described(importTable(tsv).rows), described(key.rows));

        // The page: processing links exactly the entries and the leads to entries, so no statement
        // turned into a mark, and the key reader finds the table's rows in it, processed or not.
        const QByteArray page = KeyPageWriter::write(key);
        const RewriteResult linked = verknuepfen(page);
        ASSERT_EQ(linked.outcome, RewriteResult::Outcome::Rewritten);
        qsizetype leadsToEntries = 0;
        for (const KeyTableRow& row : key.rows) {
            leadsToEntries += KeyTableRow::isNumber(row.to) ? 1 : 0;
        }
        EXPECT_EQ(linked.text.count("NAME=\"anKer"), key.entries().size());
        EXPECT_EQ(linked.text.count("\">..."), leadsToEntries);
        EXPECT_EQ(described(KeyPageReader::read(page).rows), described(key.rows));
        EXPECT_EQ(described(KeyPageReader::read(linked.text).rows), described(key.rows));

        // The reader's page holds the same couplets, leads, targets and taxa whether it is made from
        // the table or from the table's page.
        const InteractiveKey player = InteractiveKey::fromTable(key);
        const InteractiveKey playerOfPage = InteractiveKey::fromPage(page);
        ASSERT_EQ(playerOfPage.couplets.size(), player.couplets.size());
        for (qsizetype at = 0; at < player.couplets.size(); ++at) {
            const InteractiveKey::Couplet& expected = player.couplets.at(at);
            const InteractiveKey::Couplet& found = playerOfPage.couplets.at(at);
            EXPECT_EQ(found.number, expected.number);
            EXPECT_EQ(found.reachedFrom, expected.reachedFrom);
            ASSERT_EQ(found.leads.size(), expected.leads.size());
            for (qsizetype lead = 0; lead < expected.leads.size(); ++lead) {
                EXPECT_EQ(found.leads.at(lead).html, expected.leads.at(lead).html);
                EXPECT_EQ(found.leads.at(lead).target, expected.leads.at(lead).target);
                EXPECT_EQ(found.leads.at(lead).index, expected.leads.at(lead).index);
            }
        }
        ASSERT_EQ(playerOfPage.taxa.size(), player.taxa.size());
        for (qsizetype taxon = 0; taxon < player.taxa.size(); ++taxon)
            EXPECT_EQ(playerOfPage.taxa.at(taxon).plain, player.taxa.at(taxon).plain);

        // The flora's text: the same entries, leads and targets, the statements as plain text.
        KeyTable fromText;
        KeyImportError error;
        const QByteArray text = KeyTableExport::text(key);
        ASSERT_FALSE(TableImport::isTable(text));
        ASSERT_TRUE(TextKeyImport::read(text, fromText, error)) << int(error.kind) << " at " << error.line;
        KeyTable plain = key;
        for (KeyTableRow& row : plain.rows) {
            row.statement = InlineMarkup::toPlain(row.statement);
            row.to = InlineMarkup::toPlain(row.to);
        }
        EXPECT_EQ(described(fromText.rows), described(plain.rows));
    }
}

// Long leads wrap under a hanging indent with the target ending in the last column; the author's
// labels stand; read back, the text gives the same key.
TEST(KeyExchangeTest, TextWrapsLongLeadsAndKeepsLabels)
{
    for (unsigned seed = 0; seed < 200; ++seed) {
        KeyTable key = generatedKey(seed);
        std::mt19937 random(seed);
        for (qsizetype at = 0; at < key.rows.size(); ++at) {
            KeyTableRow& row = key.rows[at];
            row.statement.replace("...", "."); // a leader of its own keeps a lead on one line
            // A word that reads as a label ("12)") never begins a line: such leads may run long.
            for (char& c : row.statement)
                c = (c >= '0' && c <= '9') || c == '-' ? 'n' : c;
            for (unsigned again = random() % 6; again > 0; --again)
                row.statement += ' ' + row.statement;
            if (at > 0 && key.rows.at(at - 1).from == row.from)
                row.label = row.from + '\'';
        }
        const QByteArray text = KeyTableExport::text(key);
        const QList<QByteArray> lines = text.chopped(1).split('\n');
        for (const QByteArray& line : lines)
            ASSERT_LE(QString::fromUtf8(line).size(), 72) << text.toStdString();
        KeyTable fromText;
        KeyImportError error;
        ASSERT_TRUE(TextKeyImport::read(text, fromText, error)) << error.line << '\n' << text.toStdString();
        ASSERT_EQ(fromText.rows.size(), key.rows.size()) << text.toStdString();
        qsizetype line = 0;
        for (qsizetype at = 0; at < key.rows.size(); ++at) {
            const KeyTableRow& row = key.rows.at(at);
            EXPECT_EQ(fromText.rows.at(at).statement, InlineMarkup::toPlain(row.statement))
                << text.toStdString();
            EXPECT_TRUE(lines.at(line).startsWith(row.label.isEmpty() ? row.from + ' ' : row.label + ' '));
            // The lead's last line ends in its target (flush right where the target leaves room).
            while (!lines.at(line).endsWith(' ' + InlineMarkup::toPlain(row.to)))
                ASSERT_LT(++line, lines.size()) << text.toStdString();
            ++line;
        }
    }
}

TEST(KeyExchangeTest, TablesAreReadWhateverTheirDress)
{
    const std::string expected = "1|Wings red, shining|2||\n1|Wings\"blue\"|Apterygota||\n"
                                 "2|Head <i>black</i> &deg;|A|B||\n2|Head brown|Sp. B||\n";
    const QByteArray inputs[] = {
        // KeyBase CSV with BOM and CR LF, a line break inside a quoted field, "." after numbers.
        "\xEF\xBB\xBF"
        "from,statement,to\r\n1.,\"Wings red,\r\n shining\",2.\r\n1,\"Wings\"\"blue\"\"\",Apterygota\r\n"
        "2,Head <i>black</i> &deg;,A|B\r\n\r\n2:,Head brown,Sp. B\r\n",
        // TSV, columns named in another order and case, LF.
        "To\tFROM\tText\n2\t1\t\"Wings red, shining\"\nApterygota\t1\tWings\"blue\"\nA|B\t2\tHead "
        "<i>black</i> &deg;\n"
        "Sp. B\t2\tHead brown\n",
        // A header of other words keeps the usual order.
        "Couplet,Lead,Goes to\n1,\"Wings red, shining\",2\n1,\"Wings\"\"blue\"\"\",Apterygota\n2,Head "
        "<i>black</i> "
        "&deg;,A|B\n2,Head brown,Sp. B\n",
        // No header, no line end at the end.
        "1,\"Wings red, shining\",2\n1,\"Wings\"\"blue\"\"\",Apterygota\n2,Head <i>black</i> "
        "&deg;,A|B\n2,Head brown,Sp. B",
    };
    for (const QByteArray& input : inputs)
        EXPECT_EQ(described(importTable(input).rows), expected) << input.toStdString();

    // A spreadsheet's export in Windows-1252 reads as UTF-8.
    KeyTable windows;
    KeyImportError error;
    ASSERT_TRUE(KeyImport::read("1,Bl\xE4tter \x96 gro\xDF,2\n1,x,Y\n", windows, error));
    EXPECT_EQ(windows.rows.front().statement, "Blätter – groß");

    // The sub-key column without header, and a shortcut column by name.
    const KeyTable withSubkeys = importTable("1,a,2\n1,b,Eggs\n1,\"c,d\",5,Eggs\n3,e,X,Eggs\n");
    EXPECT_EQ(withSubkeys.subkeys(), QList<QByteArray>{"Eggs"});
    EXPECT_EQ(importTable("from,statement,to,shortcut\n1,a,Salix,Willows\n").rows.front().shortcut,
              "Willows");

    // What cannot be read is reported at the line where it begins.
    expectRefusals(TableImport::read,
                   {
                       {"from,statement,to\n1,a,2\n1,\"b\nc,3\n2,d,X\n", Kind::UnclosedQuote, 3},
                       {"from,statement,to\n1,a,2\n\n1,\"b\nc\",\n", Kind::NoTarget, 4},
                       {"1,a,2\n,b,3\n", Kind::NoFrom, 2},
                       {"from,statement,to\n", Kind::Empty, 1},
                   });
}

TEST(KeyExchangeTest, TextKeysInTheFormsOfTheLiterature)
{
    const QByteArray flora = "Key to the genera\r\n"
                             "of ground beetles\n"
                             "\n"
                             "1. Wings present, 3 ... 5 mm ..... 2\n"
                             "-  Wings absent . . . . . Apterygota\n"
                             "2(1). Head black and\n"
                             "      shining ........ 3.\n"
                             "2*  Head brown\tCarabus|Cychrus\n"
                             "3a Legs long …… Species A\n"
                             "3b Legs short ......... Species B\n"
                             "3' Legs absent ......... 4\n"
                             "4. Tail long .....\n"
                             "   Species C\n"
                             "4* Tail short, with a\n"
                             "   fringe of hairs\tSpecies D\n";
    KeyTable table;
    KeyImportError error;
    ASSERT_FALSE(TableImport::isTable(flora));
    ASSERT_TRUE(TextKeyImport::read(flora, table, error)) << int(error.kind) << " at " << error.line;
    EXPECT_EQ(table.introduction, QList<QByteArray>{"Key to the genera of ground beetles"});
    EXPECT_EQ(described(table.rows),
              "1|Wings present, 3 ... 5 mm|2||\n1|Wings absent|Apterygota||\n"
              "2|Head black and shining|3||\n2|Head brown|Carabus|Cychrus||\n"
              "3|Legs long|Species A||\n3|Legs short|Species B||\n3|Legs absent|4||\n"
              "4|Tail long|Species C||\n4|Tail short, with a fringe of hairs|Species D||\n");
    QList<QByteArray> labels;
    for (const KeyTableRow& row : table.rows)
        labels << row.label;
    EXPECT_EQ(labels, (QList<QByteArray>{"1.", "-", "2(1).", "2*", "3a", "3b", "3'", "4.", "4*"}));

    expectRefusals(TextKeyImport::read,
                   {
                       {"Intro\n- Wings ..... 2\n", Kind::LeadOutsideKey, 2},
                       {"1. Wings ..... 2\nstray words\n", Kind::NotALead, 2},
                       {"1. Wings ..... 2\n1* Wings absent\n2. Head ..... X\n", Kind::NoTarget, 2},
                       {"only an introduction\n", Kind::Empty, 1},
                   });
}

TEST(KeyExchangeTest, PageSectionsAndGraph)
{
    KeyTable table =
        importTable("from,statement,to,subkey,shortcut\n"
                    "1,Larva,Larvae,,\n1,Adult,2,,\n2,Red,Species A,,Genus B\n2,Blue,5,,\n"
                    "1,Legs,2,Larvae,\n1,No legs,7 ... Spot,Larvae,\n2,Long,1,Larvae,\n2,Short,X,Larvae,\n");
    table.title = "Käfer & Co";
    EXPECT_EQ(KeyPageWriter::write(table),
              "<HTML>\r\n<HEAD>\r\n<META charset=\"utf-8\">\r\n<TITLE>Käfer &amp; Co</TITLE>\r\n</HEAD>\r\n"
              "<BODY>\r\n<H1>Käfer &amp; Co</H1>\r\n"
              "<P>#1 Larva .......3<BR>\r\n1* Adult .......2</P>\r\n"
              "<P>#2 Red ........Species A:Genus B<BR>\r\n2* Blue .......5</P>\r\n"
              "<H2>Larvae</H2>\r\n"
              "<P>#3 Legs .......4<BR>\r\n3* No legs ........&#55; ..&#46; Spot</P>\r\n"
              "<P>#4 Long .......3<BR>\r\n4* Short ........X</P>\r\n"
              "</BODY>\r\n</HTML>\r\n");

    // Read back, the page has the table's title, introduction and sub-keys, and leads into a sub-key
    // name it; within the sub-key the page's own numbers stand.
    table.introduction = {"See <a href=\"https://example.org/guide\">the guide</a>."};
    const KeyTable read = KeyPageReader::read(KeyPageWriter::write(table));
    EXPECT_EQ(read.rows.at(5).to, "7 ... Spot");
    EXPECT_EQ(read.title, table.title);
    EXPECT_EQ(read.introduction, table.introduction);
    EXPECT_EQ(read.subkeys(), table.subkeys());
    QList<QByteArray> targets;
    for (const KeyTableRow& row : read.rows)
        targets << row.to;
    EXPECT_EQ(targets,
              (QList<QByteArray>{"Larvae", "2", "Species A:Genus B", "5", "4", "7 ... Spot", "3", "X"}));
    // A lead that reaches into a section other than at its start keeps the page one key.
    QByteArray crossing = KeyPageWriter::write(table);
    crossing.replace("#2 Red ........Species A:Genus B", "#2 Red .......4");
    EXPECT_TRUE(KeyPageReader::read(crossing).subkeys().isEmpty());

    const QByteArray graph = KeyTableExport::dot(table);
    EXPECT_TRUE(graph.contains("\"entry 5\" [label=\"5\", style=dashed, color=red];")) << graph.toStdString();
    EXPECT_TRUE(graph.contains("\"taxon Species A:Genus B\" [shape=box")) << graph.toStdString();
    EXPECT_TRUE(graph.contains("\"entry 2\" -> \"entry 1\" [label=\"Long\"]")) << graph.toStdString();
}

// A long lead with dashes between its words wraps so that no line begins with one: an en or em dash
// there would read as the label of a new lead.
TEST(KeyExchangeTest, WrappedLeadsNeverBeginALineWithADash)
{
    QByteArray statement = "Wings";
    for (int word = 0; word < 40; ++word)
        statement += word % 2 == 0 ? " \xE2\x80\x93 red" : " \xE2\x80\x94 blue";
    const KeyTable key = importTable("1," + statement + ",Species A\n1,Wings absent,Species B\n");
    KeyTable fromText;
    KeyImportError error;
    const QByteArray text = KeyTableExport::text(key);
    ASSERT_TRUE(TextKeyImport::read(text, fromText, error)) << int(error.kind) << " at " << error.line;
    EXPECT_EQ(described(fromText.rows), described(key.rows));
}

// A taxon that begins with a dot keeps it on the page: the dot does not join the leader before it.
TEST(KeyExchangeTest, TaxonBeginningWithADotSurvivesThePage)
{
    const KeyTable table = importTable("1,Red,.5 mm form\n1,Blue,. X\n");
    const QByteArray page = KeyPageWriter::write(table);
    EXPECT_TRUE(page.contains("........&#46;5 mm form<BR>")) << page.toStdString();
    EXPECT_EQ(described(KeyPageReader::read(page).rows), described(table.rows));
}

} // namespace
} // namespace keylinker
