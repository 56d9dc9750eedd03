#include "KeyReader.h"

#include <new>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include "KeyRewrite.h"

namespace keylinker {
namespace {

// A structure as lines "LINE number: target target ...", taxa in brackets, so that keys compare
// whatever their offsets.
std::vector<std::string> outline(const KeyStructure& key, bool withLines = true)
{
    std::vector<std::string> lines;
    for (const KeyLead& lead : key.referencesBeforeFirstEntry)
        lines.push_back("before " + lead.name.toStdString());
    for (const KeyEntry& entry : key.entries) {
        std::string line =
            (withLines ? std::to_string(entry.line) + " " : "") + entry.number.toStdString() + ":";
        for (const KeyLead& lead : entry.leads)
            line += lead.target == KeyLead::Target::Entry
                        ? " " + lead.name.toStdString()
                        : " [" + KeyReader::plainName(lead.name).toStdString() + "]";
        lines.push_back(line);
    }
    return lines;
}

TEST(KeyReader, ExampleKeyReadsTheSameUnprocessedProcessedAndWithLf)
{
    QFile example(QStringLiteral(KEYLINKER_EXAMPLES_DIR "/Laubbaeume.htm"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    const QByteArray source = example.readAll();
    const std::vector<std::string> expected = outline(KeyReader::read(source));
    ASSERT_EQ(expected.size(), 17u);
    EXPECT_EQ(expected[0], "10 1: 2 3");
    EXPECT_EQ(expected[1], "12 2: [Fraxinus (Esche)] [Acer (Ahorn)]");

    const QByteArray processed = verknuepfen(source).text;
    EXPECT_EQ(outline(KeyReader::read(processed)), expected);
    QByteArray withLf = source;
    withLf.replace("\r\n", "\n");
    EXPECT_EQ(outline(KeyReader::read(withLf)), expected);
    // Half processed: the first half linked, the rest added later.
    const qsizetype half = source.indexOf("<P>#9");
    EXPECT_EQ(outline(KeyReader::read(verknuepfen(source.left(half)).text + source.mid(half)), false),
              outline(KeyReader::read(source), false));
}

TEST(KeyReader, SpansAndStrayMarks)
{
    const QByteArray text =
        "#1 <BODY bgcolor=#FFFFFF><!-- <A NAME=\"anKer9\"></A>#9 -->\n<P>#1 Wings <I>red</I> .....2<BR>\n"
        "1* Wings blue ....<I>Carabus</I>  auratus</P>\n<P>#2 x ....3 #4 z ....1\n#3 y ....X</P>";
    const KeyStructure key = KeyReader::read(text);
    ASSERT_EQ(key.entries.size(), 3);
    const KeyEntry& first = key.entries[0];
    EXPECT_EQ(first.line, 2);
    EXPECT_EQ(first.column, 4);
    ASSERT_EQ(first.leads.size(), 2);
    auto span = [&text](qsizetype begin, qsizetype end) { return text.mid(begin, end - begin); };
    EXPECT_EQ(span(first.leads[0].begin, first.leads[0].end), "Wings <I>red</I> .....2");
    EXPECT_EQ(span(first.leads[0].leaderBegin, first.leads[0].leaderEnd), ".....");
    EXPECT_EQ(span(first.leads[1].begin, first.leads[1].leaderBegin), "1* Wings blue ");
    EXPECT_EQ(KeyReader::plainName(first.leads[1].name), "Carabus auratus");
    // The LF behind a reference: the "#3" after it is an entry.
    EXPECT_EQ(key.entries[2].number, "3");
    // At the start of the file, an anchor an earlier run wrote into a comment (the "#" in the tag is
    // nothing), and right behind a reference and one blank.
    ASSERT_EQ(key.strayMarks.size(), 3);
    EXPECT_EQ(key.strayMarks[0].offset, 0);
    EXPECT_EQ(key.strayMarks[1].kind, KeyStrayMark::Kind::WrittenInsideMarkup);
    EXPECT_EQ(text.mid(key.strayMarks[2].offset, 2), "#4");
    EXPECT_EQ(key.strayMarks[2].kind, KeyStrayMark::Kind::NotAnchor);
}

// A text of nothing but marks would be a structure of far more memory than any key of its size: it is
// refused as memory running out is, while a key of that size is read.
TEST(KeyReader, TextOfNothingButMarksIsRefused)
{
    constexpr qsizetype size = 4 << 20;
    QByteArray key;
    for (int n = 1; key.size() < size; ++n)
        key += "<P>#" + QByteArray::number(n) + " Elytra dark, finely punctured ....." +
               QByteArray::number(2 * n) + "<BR>Elytra pale, smooth ....Carabus " + QByteArray::number(n) +
               "</P>\r\n";
    EXPECT_GT(KeyReader::read(key).entries.size(), 20000);
    for (const QByteArray& mark : {QByteArray("#0"), QByteArray("#1 "), QByteArray("....1 ")}) {
        QByteArray marks;
        marks.reserve(size + mark.size());
        while (marks.size() < size)
            marks += mark;
        EXPECT_THROW(KeyReader::read(marks), std::bad_alloc) << mark.toStdString();
    }
}

TEST(KeyReader, HashWithoutADigitIsText)
{
    const QByteArray text = "<P>#1 Sonata in C# major, #A ....2<BR>b ....Y</P>\n<P>#2 c ....X<BR>d ....Z</P>";
    const KeyStructure key = KeyReader::read(text);
    EXPECT_EQ(outline(key, false), (std::vector<std::string>{"1: 2 [Y]", "2: [X] [Z]"}));
    const KeyLead& lead = key.entries[0].leads[0];
    EXPECT_EQ(text.mid(lead.begin, lead.leaderBegin - lead.begin), "Sonata in C# major, #A ");
    EXPECT_TRUE(key.strayMarks.isEmpty());
}

} // namespace
} // namespace keylinker
