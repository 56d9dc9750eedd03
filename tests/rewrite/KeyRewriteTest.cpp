#include "KeyRewrite.h"

#include <algorithm>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include <QByteArray>
#include <QFile>

#include "QtPrinters.h"
#include "ReferenceRewrite.h"

namespace keylinker {
namespace {

using Outcome = RewriteResult::Outcome;

QByteArray lines(std::initializer_list<const char*> items)
{
    QByteArray text;
    for (const char* item : items) {
        if (!text.isEmpty())
            text += "\r\n";
        text += item;
    }
    return text;
}

QByteArray rewritten(const QByteArray& input)
{
    const RewriteResult result = verknuepfen(input);
    EXPECT_EQ(result.outcome, Outcome::Rewritten) << input.toStdString();
    return result.text;
}

TEST(KeyRewrite, ShortKeyGetsAnchorsForwardLinksAndBackLinks)
{
    const QByteArray input = lines({"<P>#1 Wings red and shining .....2<BR>Wings blue ....3</P>",
                                    "<P>#2 Head with black spots ....Species A</P>",
                                    "<P>#3 Legs longer than the body ....Species C</P>"});
    const QByteArray expected = lines(
        {"<P><A NAME=\"anKer1\"></A>#1 Wings red and shining ..<A HREF=\"#anKer2\">...2</A><BR>Wings blue "
         ".<A HREF=\"#anKer3\">...3</A></P>",
         "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> Head with black spots ....Species A</P>",
         "<P><A NAME=\"anKer3\"></A><A HREF=\"#anKer1\">#3</A> Legs longer than the body ....Species C</P>"});
    EXPECT_EQ(rewritten(input), expected);
    // A processed key can be processed again without doubling anything.
    EXPECT_EQ(rewritten(expected), expected);
}

TEST(KeyRewrite, BackLinksLeadToTheReferringEntryWhateverTheLeadLengths)
{
    // Short leads right behind a back link, and a forward link right behind an entry's number.
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {lines({"<P>#1 Fl\xc3\xbcgel rot ....2<BR>Fl\xc3\xbcgel blau ....3</P>",
                "<P>#2 Kopf schwarz ....Art A<BR>Kopf braun ....Art B</P>",
                "<P>#3 Beine lang ....Art C<BR>Beine kurz ....Art D</P>"}),
         lines({"<P><A NAME=\"anKer1\"></A>#1 Fl\xc3\xbcgel rot .<A "
                "HREF=\"#anKer2\">...2</A><BR>Fl\xc3\xbcgel blau "
                ".<A HREF=\"#anKer3\">...3</A></P>",
                "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> Kopf schwarz ....Art A<BR>Kopf braun "
                "....Art B</P>",
                "<P><A NAME=\"anKer3\"></A><A HREF=\"#anKer1\">#3</A> Beine lang ....Art C<BR>Beine kurz "
                "....Art D</P>"})},
        {"<P>#1 xxxxxx xxxxxx xxxxxx ...2</P><P>#2 xxxxxx ...3</P><P>#3 y</P>",
         "<P><A NAME=\"anKer1\"></A>#1 xxxxxx xxxxxx xxxxxx <A HREF=\"#anKer2\">...2</A></P>"
         "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> xxxxxx <A HREF=\"#anKer3\">...3</A></P>"
         "<P><A NAME=\"anKer3\"></A><A HREF=\"#anKer2\">#3</A> y</P>"},
        // A lead back into its own entry makes no back link; the next lead to it does.
        {"<P>#1 a ....1 b ....2</P><P>#2 c ....2 d ....1</P>",
         "<P><A NAME=\"anKer1\"></A><A HREF=\"#anKer2\">#1</A> a .<A HREF=\"#anKer1\">...1</A> b "
         ".<A HREF=\"#anKer2\">...2</A></P>"
         "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> c .<A HREF=\"#anKer2\">...2</A> d "
         ".<A HREF=\"#anKer1\">...1</A></P>"},
    };
    for (const auto& [input, expected] : cases) {
        EXPECT_EQ(rewritten(input), expected) << input.toStdString();
        EXPECT_EQ(rewritten(expected), expected);
    }
}

// A key with leads of every length, each leading to a random entry (its own and earlier ones too) or
// to a taxon; `referrers[n]` lists the entries whose leads lead to entry n, in text order.
QByteArray keyWithRandomLeads(std::mt19937& random, int entries, std::vector<std::vector<int>>& referrers)
{
    referrers.assign(static_cast<size_t>(entries) + 1, {});
    std::uniform_int_distribution<int> entry(1, entries), words(0, 6), dots(3, 9), leads(2, 3);
    QByteArray key = "<HTML><BODY>\r\n";
    for (int n = 1; n <= entries; ++n) {
        key += "<P>#" + QByteArray::number(n);
        for (int lead = leads(random); lead > 0; --lead) {
            for (int word = words(random); word > 0; --word)
                key += word % 2 ? " Fl\xc3\xbcgel" : " x";
            key += ' ' + QByteArray(dots(random), '.');
            if (random() % 4 == 0) {
                key += "Art " + QByteArray::number(n);
            } else {
                const int to = entry(random);
                key += QByteArray::number(to);
                referrers[static_cast<size_t>(to)].push_back(n);
            }
            key += lead > 1 ? "<BR>" : "";
        }
        key += "</P>\r\n";
    }
    return key + "</BODY></HTML>\r\n";
}

TEST(KeyRewrite, EveryReferredEntryLeadsBackToTheFirstEntryThatRefersToIt)
{
    std::mt19937 random(16);
    std::vector<std::vector<int>> referrers;
    for (int round = 0; round < 300; ++round) {
        const int entries = 2 + round % 12;
        const QByteArray input = keyWithRandomLeads(random, entries, referrers);
        const QByteArray result = rewritten(input);
        for (int n = 1; n <= entries; ++n) {
            const QByteArray anchor = "<A NAME=\"anKer" + QByteArray::number(n) + "\"></A>";
            const auto& from = referrers[static_cast<size_t>(n)];
            const auto other = std::find_if(from.begin(), from.end(), [n](int m) { return m != n; });
            const QByteArray expected = other == from.end()
                                            ? anchor + '#'
                                            : anchor + "<A HREF=\"#anKer" + QByteArray::number(*other) +
                                                  "\">#" + QByteArray::number(n) + "</A>";
            ASSERT_TRUE(result.contains(expected)) << n << " in " << result.toStdString();
        }
        ASSERT_EQ(rewritten(result), result);
        ASSERT_EQ(relinkBackLinks(result).text, result);
    }
}

TEST(KeyRewrite, KeyProcessedBeforeKeepsItsLinksAndGainsAMissingBackLink)
{
    // Entry 1 leads back to entry 2, which does not refer to it, and entry 3 has no back link.
    const QByteArray processed =
        "<P><A NAME=\"anKer1\"></A><A HREF=\"#anKer2\">#1</A> a .<A HREF=\"#anKer2\">...2</A></P>"
        "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> b .<A HREF=\"#anKer3\">...3</A></P>"
        "<P><A NAME=\"anKer3\"></A>#3 c</P>";
    QByteArray expected = processed;
    expected.replace("#3 c", "<A HREF=\"#anKer2\">#3</A> c");
    EXPECT_EQ(rewritten(processed), expected);

    // Relinking makes them anew and touches nothing else, not even a mark added since.
    const QByteArray relinked =
        "<P><A NAME=\"anKer1\"></A>#1 a .<A HREF=\"#anKer2\">...2</A></P>"
        "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> b .<A HREF=\"#anKer3\">...3</A></P>"
        "<P><A NAME=\"anKer3\"></A><A HREF=\"#anKer2\">#3</A> c</P>";
    const RewriteResult result = relinkBackLinks(expected + "<P>#4 d</P>");
    EXPECT_EQ(result.outcome, Outcome::Rewritten);
    EXPECT_EQ(result.text, relinked + "<P>#4 d</P>");
}

TEST(KeyRewrite, ReferenceBeforeFirstAnchorIsStructureError)
{
    // Three dots at the very start of the text are a reference too, with no anchor before them.
    for (const char* input :
         {"<P>Wings red ....2</P><P>#1 x</P><P>#2 y</P>", "#1 Wings ....2 x #2 y", "...5 x"}) {
        const RewriteResult result = verknuepfen(input);
        EXPECT_EQ(result.outcome, Outcome::StructureError) << input;
        EXPECT_TRUE(result.text.isEmpty());
    }
}

TEST(KeyRewrite, LinkWhoseEntryNameRunsOnIsInvalidArgument)
{
    // The nearest "anKer before the link is the author's text, not an anchor processing wrote.
    EXPECT_EQ(verknuepfen("x\"anKer1 y <A HREF=\"#anKer2\">...2</A> #2").outcome, Outcome::InvalidArgument);
    // A link target without its closing quote is no forward link.
    EXPECT_EQ(verknuepfen("<P>#1 x</P><A HREF=\"#anKer2 ....2").outcome, Outcome::Rewritten);
}

TEST(KeyRewrite, MarksAndNonMarks)
{
    const std::vector<std::pair<QByteArray, QByteArray>> cases = {
        {"", ""},
        {"#12", "#12"},
        {"ab#", "ab#"},
        {"Text ab#12", "Text ab<A NAME=\"anKer12\"></A>#12"},
        {"x &#228; y #5 z", "x &#228; y <A NAME=\"anKer5\"></A>#5 z"},
        {"ab&#35;cd", "ab&#35;cd"},
        {"ab # x cd # y", "ab <A NAME=\"anKer\"></A># x cd <A NAME=\"anKer\"></A># y"},
        {"a ....0 b ....Species A and ..... 2 d", "a ....0 b ....Species A and ..... 2 d"},
        // The anchor name runs on over a line break; a reference stops at it.
        {"xx#7\r\nWings y", "xx<A NAME=\"anKer7\r\nWings\"></A>#7\r\nWings y"},
        // A character reference after a reference number becomes part of the link target.
        {"<P>#1 a ....2&nbsp;b",
         "<P><A NAME=\"anKer1\"></A>#1 a .<A HREF=\"#anKer2&nbsp;b\">...2&nbsp;b</A>"},
        {"ab</A>#", "ab</A>#"},
        {"<BODY bgcolor=\"#FFFFFF\">", "<BODY bgcolor=\"#FFFFFF\">"},
        // No mark in markup, closed or not; a "<" that begins none is text.
        {"<BODY bgcolor=#FFFFFF> ab #2", "<BODY bgcolor=#FFFFFF> ab <A NAME=\"anKer2\"></A>#2"},
        {"<p title=\"a ....3\"> #1 x <!-- #2 y ....3 --> z",
         "<p title=\"a ....3\"> <A NAME=\"anKer1\"></A>#1 x <!-- #2 y ....3 --> z"},
        {"xx <Script type=x>a = '#5'; b ....5</SCRIPT > #5",
         "xx <Script type=x>a = '#5'; b ....5</SCRIPT > <A NAME=\"anKer5\"></A>#5"},
        {"xx <scripts>#5", "xx <scripts><A NAME=\"anKer5\"></A>#5"},
        {"ab <style>p { color: #FF0000 } #1", "ab <style>p { color: #FF0000 } #1"},
        {"Blatt < 2 cm #4", "Blatt < 2 cm <A NAME=\"anKer4\"></A>#4"},
        // Three dots right after an insertion: what would stand before them is not in the rest, so
        // they are a reference.
        {"ab#1...5 x", "ab<A NAME=\"anKer1...5\"></A>#1<A HREF=\"#anKer5\">...5</A> x"},
    };
    for (const auto& [input, expected] : cases)
        EXPECT_EQ(rewritten(input), expected) << input.toStdString();

    // A reference to an entry without anchor, and two leads to one entry: only the first leads back.
    EXPECT_EQ(rewritten("<P>#1 a ....9</P>"),
              "<P><A NAME=\"anKer1\"></A>#1 a .<A HREF=\"#anKer9\">...9</A></P>");
    const QByteArray twoLeads = rewritten("<P>#1 a ....3</P><P>#2 b ....3</P><P>#3 c</P>");
    EXPECT_TRUE(twoLeads.contains("<A NAME=\"anKer3\"></A><A HREF=\"#anKer1\">#3</A> c"));
    EXPECT_EQ(twoLeads.count("HREF=\"#anKer2\""), 0);
}

TEST(KeyRewrite, PageOfTheWebsEarlyDaysKeepsItsMarkup)
{
    const QByteArray page =
        lines({"<HTML><BODY bgcolor=#FFFFFF text=#000000>",
               "<FONT COLOR=#FF0000>Bestimmungsschl\xc3\xbcssel</FONT>",
               "<P>#1 Fl\xc3\xbcgel rot ....2 (siehe <A HREF=\"glossar.htm#12\">Glossar</A>)<BR>"
               "Fl\xc3\xbcgel blau ....Art B</P>",
               "<P>#2 Kopf schwarz ....Art C<BR>Kopf braun ....Art D</P>",
               "<!-- #3 alte Fassung: Beine lang ....4 -->", "</BODY></HTML>"});
    const QByteArray expected = lines(
        {"<HTML><BODY bgcolor=#FFFFFF text=#000000>",
         "<FONT COLOR=#FF0000>Bestimmungsschl\xc3\xbcssel</FONT>",
         "<P><A NAME=\"anKer1\"></A>#1 Fl\xc3\xbcgel rot .<A HREF=\"#anKer2\">...2</A> (siehe <A "
         "HREF=\"glossar.htm#12\">Glossar</A>)<BR>Fl\xc3\xbcgel blau ....Art B</P>",
         "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> Kopf schwarz ....Art C<BR>Kopf braun ....Art "
         "D</P>",
         "<!-- #3 alte Fassung: Beine lang ....4 -->", "</BODY></HTML>"});
    EXPECT_EQ(rewritten(page), expected);
    EXPECT_EQ(rewritten(expected), expected);
}

// Whatever markup stands between the words of a key, and whatever marks it holds, the markup comes
// out byte for byte and the marks around it are linked as without it.
TEST(KeyRewrite, MarkupBetweenWordsChangesNothingButItself)
{
    const std::vector<QByteArray> markup = {
        "<BODY bgcolor=#FFFFFF text=#000000>",
        "<A HREF=\"glossar.htm#12\">",
        "<p title=\"see ....3\">",
        "<!-- #3 old: legs long ....4 -->",
        "<script>var c = \"#5\"; x ....2;</script>",
        "<STYLE type=text/css>td { color: #123 } p.x:after { content: \"...7\" }</STYLE>",
        "<?php echo '#9' ?>",
        "<!DOCTYPE html>",
        "</FONT>"};
    std::mt19937 random(20261208);
    for (int round = 0; round < 300; ++round) {
        // A key of entries and leads, its words apart by blanks.
        std::vector<QByteArray> words;
        const int entries = 2 + static_cast<int>(random() % 6);
        for (int n = 1; n <= entries; ++n) {
            words.push_back("<P>#" + QByteArray::number(n));
            for (int lead = 0; lead < 2; ++lead) {
                words.push_back(random() % 2 ? "Wings" : "red");
                const int to = 1 + static_cast<int>(random() % (entries + 1));
                words.push_back(random() % 4 ? "...." + QByteArray::number(to) : QByteArray("....Species"));
                words.push_back("x<BR>");
            }
        }
        QByteArray plain;
        QByteArray marked;
        QList<QByteArray> inserted;
        for (size_t i = 0; i < words.size(); ++i) {
            plain += words[i] + ' ';
            marked += words[i] + ' ';
            // Only between two words that are neither marks nor leads.
            const bool quiet = words[i] == "Wings" || words[i] == "red";
            if (quiet && random() % 2) {
                inserted.append(markup[random() % markup.size()]);
                marked += inserted.back() + ' ';
            }
        }
        const RewriteResult withMarkup = verknuepfen(marked);
        const RewriteResult without = verknuepfen(plain);
        ASSERT_EQ(withMarkup.outcome, without.outcome) << marked.toStdString();
        QByteArray stripped = withMarkup.text;
        qsizetype from = 0;
        for (const QByteArray& piece : inserted) {
            const qsizetype at = stripped.indexOf(' ' + piece + ' ', from);
            ASSERT_GE(at, 0) << piece.toStdString() << " in " << withMarkup.text.toStdString();
            stripped.remove(at + 1, piece.size() + 1);
            from = at;
        }
        EXPECT_EQ(stripped, without.text) << marked.toStdString();
    }
}

// Builds a well-formed key of `entries` couplets: entry n leads to 2n and 2n+1 where they exist.
QByteArray generatedKey(int entries)
{
    QByteArray key = "<HTML><BODY>\r\n";
    for (int n = 1; n <= entries; ++n) {
        key += "<P>#" + QByteArray::number(n) + " Elytra with fine punctures and a long row of hairs ";
        for (int lead : {2 * n, 2 * n + 1}) {
            key += lead <= entries ? "......." + QByteArray::number(lead) : QByteArray("....Genus species");
            key += "<BR>Pronotum narrower than the elytra at their base ";
        }
        key += "</P>\r\n";
    }
    return key + "</BODY></HTML>\r\n";
}

TEST(KeyRewrite, BigKeyIsLinkedLikeAnyOther)
{
    const QByteArray input = generatedKey(400);
    ASSERT_GT(input.size(), 32767 * 2);
    const QByteArray result = rewritten(input);
    EXPECT_EQ(result, test::referenceRewrite(input).text);
    EXPECT_EQ(result.count("<A NAME=\"anKer"), 400);
    // Every entry but the first has a back link, to the entry whose lead leads there.
    EXPECT_TRUE(result.contains("<A NAME=\"anKer399\"></A><A HREF=\"#anKer199\">#399</A>"));
    EXPECT_EQ(rewritten(result), result);
}

TEST(KeyRewrite, StrayQuotesAndMarksEndAsTheLiteralRewriteDoes)
{
    const QByteArray input = "0\"#anKer1\"&\r\n#anKer</A># \"</A>#\"#anKer1\" \"anKeraa.\n\r\n"
                             "\xe4#\"\"#anKer1\"5a>\v#anKer\"anKer...\"\n\">";
    const RewriteResult result = verknuepfen(input);
    const RewriteResult reference = test::referenceRewrite(input);
    EXPECT_EQ(result.outcome, reference.outcome);
    EXPECT_EQ(result.text, reference.text);
    EXPECT_LT(result.text.size(), input.size() + 200);
}

// Random texts built from the pieces the rewrite reacts to, so that every test of both passes is met
// in every combination; the result must equal the literal rewrite's.
QByteArray randomText(std::mt19937& random, int pieces)
{
    static const std::vector<std::string> alphabet = {"#",
                                                      "#1",
                                                      "#2",
                                                      "#12",
                                                      "...",
                                                      "....",
                                                      "1",
                                                      "2",
                                                      "0",
                                                      " ",
                                                      "&",
                                                      "<",
                                                      ">",
                                                      "\"",
                                                      "A>",
                                                      "\">",
                                                      "anKer",
                                                      "\"anKer",
                                                      "\"anKer1\"",
                                                      "\"anKer2\"",
                                                      "#anKer",
                                                      "#anKer1\"",
                                                      "HREF",
                                                      "\r\n",
                                                      "\n",
                                                      "\r",
                                                      "\v",
                                                      "x",
                                                      "</A>",
                                                      "<A NAME=\"anKer1\"></A>#1",
                                                      "<A HREF=\"#anKer2\">...2</A>",
                                                      "....2",
                                                      ".....3",
                                                      "#3 y",
                                                      ">#",
                                                      "Wings red ",
                                                      "<!--",
                                                      "-->",
                                                      "<!",
                                                      "<?",
                                                      "</",
                                                      "<b ",
                                                      "<SCRIPT>",
                                                      "</script>",
                                                      "<style ",
                                                      "</STYLE>"};
    // Half of them begin like a key, so that fewer end early in a structure error.
    QByteArray text = random() % 2 ? "<P>#1 x " : "";
    std::uniform_int_distribution<size_t> pick(0, alphabet.size() - 1);
    for (int i = 0; i < pieces; ++i)
        text += alphabet[pick(random)].c_str();
    return text;
}

TEST(KeyRewrite, SameResultAsLiteralRewriteOnRandomTexts)
{
    std::mt19937 random(20261207);
    std::uniform_int_distribution<int> length(1, 60);
    for (int round = 0; round < 20000; ++round) {
        const QByteArray input = randomText(random, round % 500 == 0 ? 3000 : length(random));
        const RewriteResult expected = test::referenceRewrite(input);
        const RewriteResult actual = verknuepfen(input);
        ASSERT_EQ(actual.outcome, expected.outcome) << input.toStdString();
        ASSERT_EQ(actual.text, expected.text) << input.toStdString();
    }
}

TEST(KeyRewrite, KeyWithLoneLineFeedsGetsTheAnchorsAndLinksOfCrLf)
{
    // An entry mark at the start of the line behind a reference.
    const QByteArray withCrLf =
        lines({"<P>#1 Wings red and shining .....2", "#2 Head with black spots ....Species A",
               "Wings blue ....3", "#3 Legs long ....Species C</P>"});
    QFile example(QStringLiteral(KEYLINKER_EXAMPLES_DIR "/Laubbaeume.htm"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    for (const QByteArray& key : {withCrLf, example.readAll()}) {
        ASSERT_TRUE(key.contains("\r\n"));
        QByteArray withLf = key;
        withLf.replace("\r\n", "\n");
        QByteArray expected = rewritten(key);
        EXPECT_EQ(rewritten(withLf), expected.replace("\r\n", "\n"));
    }
    EXPECT_EQ(rewritten(withCrLf).count("NAME="), 3);
}

} // namespace
} // namespace keylinker
