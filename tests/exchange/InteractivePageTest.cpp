#include "InteractivePage.h"

#include <string>

#include <gtest/gtest.h>

#include <QFile>
#include <QRegularExpression>
#include <QSet>

#include "InlineMarkup.h"
#include "InteractiveKey.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTable.h"

namespace keylinker {
namespace {

using Target = InteractiveKey::Lead::Target;

// Each couplet as "number(from,…): html→target | …", targets as "#index", "taxon index" or "missing
// name", so that a failure shows the whole key.
std::string described(const InteractiveKey& key)
{
    std::string text;
    for (const InteractiveKey::Couplet& couplet : key.couplets) {
        text += couplet.number.toStdString() + '(';
        for (const qsizetype from : couplet.reachedFrom)
            text += std::to_string(from) + (from == couplet.reachedFrom.back() ? "" : ",");
        text += "):";
        for (const InteractiveKey::Lead& lead : couplet.leads) {
            text += ' ' + lead.html.toStdString() + "→";
            text += lead.target == Target::Couplet ? '#' + std::to_string(lead.index)
                    : lead.target == Target::Taxon ? "taxon " + std::to_string(lead.index)
                                                   : "missing " + lead.shown.toStdString();
            text += " |";
        }
        text += '\n';
    }
    for (const InteractiveKey::Taxon& taxon : key.taxa)
        text += "taxon " + taxon.html.toStdString() + '\n';
    return text;
}

TEST(InteractivePageTest, PageDataFromTheKeyReader)
{
    // Half processed: entry 2 has its anchor and back link. An introduction among head, script, style
    // and comment; labels; inline markup, a line break and an image in leads; a loop 2 → 3 → 2; entry
    // 3 reached from two entries; a missing entry; a taxon at two places, once in italics.
    const QByteArray page =
        "<HTML><HEAD><TITLE>K&auml;fer</TITLE><STYLE>p {}</STYLE></HEAD>\r\n<BODY>\r\n"
        "<H1>Carabidae</H1><SCRIPT>var x = '<p>no';</SCRIPT><!-- <p>hidden --><P>Use a <b>lens, x < "
        "2.</P>\r\n"
        "<P>#1 Wings <i>red</i><BR>\r\nwith <IMG SRC=\"a.png\" onerror=\"x()\" alt='two spots'> spots "
        ".<A HREF=\"#anKer2\">...2</A><BR>\r\n1* Wings <b>blue ....3</P>\r\n"
        "<P><A NAME=\"anKer2\"></A><A HREF=\"#anKer1\">#2</A> Head black ....<i>Species</i> A<BR>\r\n"
        "2* Head <FONT color=red>brown</FONT> ....3</P>\r\n"
        "<P>#3 Legs long ....Species  A<BR>3* Legs short ....2<BR>3** Legs absent ....7 &amp; x &lt; "
        "y</P>\r\n"
        "</BODY></HTML>\r\n";
    InteractiveKey key;
    KeyImportError error;
    ASSERT_TRUE(InteractiveKey::read(page, key, error));
    EXPECT_EQ(key.title, "Käfer");
    EXPECT_EQ(key.introduction, (QList<QByteArray>{"Carabidae", "Use a <b>lens, x &lt; 2.</b>"}));
    EXPECT_EQ(described(key), "1(): Wings <i>red</i><br>with <img src=\"a.png\" alt=\"two spots\"> spots→#1 |"
                              " Wings <b>blue</b>→#2 |\n"
                              "2(0,2): Head black→taxon 0 | Head brown→#2 |\n"
                              "3(0,1): Legs long→taxon 0 | Legs short→#1 | Legs absent→missing 7 |\n"
                              "taxon <i>Species</i> A\n");

    // A table gives the same shape: sub-keys lead to their first couplet, numbers stay as written.
    ASSERT_TRUE(
        InteractiveKey::read("from,statement,to,subkey\n1,Larva,Larvae,\n1,Adult,2,\n"
                             "2,Red,<i>Carabus</i> & Co,\n2,Blue,5,\n1,Legs,1,Larvae\n1,No legs,X,Larvae\n",
                             key, error));
    EXPECT_EQ(described(key),
              "1(): Larva→#2 | Adult→#1 |\n2(0): Red→taxon 0 | Blue→missing 5 |\n"
              "1(0,2): Legs→#2 | No legs→taxon 1 |\ntaxon <i>Carabus</i> &amp; Co\ntaxon X\n");
    EXPECT_EQ(key.couplets.at(2).section, "Larvae");
    EXPECT_EQ(InteractivePage::coupletIds(key), (QList<QByteArray>{"x1", "e2", "x3"})); // "1" twice

    // What holds no key is refused as the other exports refuse it.
    EXPECT_FALSE(InteractiveKey::read("<P>#1 no lead at all</P>", key, error));
    EXPECT_EQ(error.kind, KeyImportError::Kind::Empty);
    EXPECT_FALSE(InteractiveKey::read("from,statement,to\n1,\"a,2\n", key, error));
    EXPECT_EQ(error.kind, KeyImportError::Kind::UnclosedQuote);
}

TEST(InteractivePageTest, DisplayMarkupIsBalancedAndHarmless)
{
    const std::pair<QByteArray, QByteArray> cases[] = {
        {"<i>open <b>both</i> x", "<i>open <b>both</b></i> x"},
        {"</b>stray <sup>2</sup> &deg; & <3 > 2", "stray <sup>2</sup> &deg; &amp; &lt;3 &gt; 2"},
        {"<BR> a <A HREF=x>link</A>\n<br/>b <br>",
         "a <a href=\"x\" target=\"_blank\" rel=\"noopener\">link</a><br>b"},
        // Links to a script, to inline data or to the key's own anchors are left out; an address is
        // escaped for its attribute, and a link ends where the next begins or the text ends.
        {"<a href=\" JaVa&#115;cript:x()\">j</a> <a href='java\tscript:y'>t</a> <a "
         "href=data:text/html,z>d</a> "
         "<a href=\"#anKer3\">(1)</a>",
         "j t d (1)"},
        {"<i><a href='https://e.org/?a=1&b=\"2\"#c'>one <a href=mailto:x@y.org>two",
         "<i><a href=\"https://e.org/?a=1&amp;b=&quot;2&quot;&#35;c\" target=\"_blank\" rel=\"noopener\">one "
         "</a><a href=\"mailto:x@y.org\" target=\"_blank\" rel=\"noopener\">two</a></i>"},
        {"<img src=x.png width=20 onload=y() style=\"z\">", "<img src=\"x.png\" width=\"20\">"},
        {"<img alt='say \"hi\"'>", "<img alt=\"say &quot;hi&quot;\">"},
    };
    for (const auto& [html, shown] : cases)
        EXPECT_EQ(InlineMarkup::forDisplay(html), shown) << html.toStdString();
}

// The page asks for nothing outside itself: every link is to a place in the page, no source but the
// author's images, no style or script from elsewhere; and the whole key in it is complete.
TEST(InteractivePageTest, PageIsSelfContainedAndComplete)
{
    QFile example(QStringLiteral(KEYLINKER_EXAMPLES_DIR "/Laubbaeume.htm"));
    ASSERT_TRUE(example.open(QIODevice::ReadOnly));
    QByteArray content = example.readAll();
    content.replace("Blätter gegenständig,", "Blätter <img src=\"leaf.png\" alt=\"\"> gegenständig,");
    InteractiveKey key;
    KeyImportError error;
    ASSERT_TRUE(InteractiveKey::read(content, key, error));
    for (const auto language : {Language::German, Language::English}) {
        const QString written = QString::fromUtf8(InteractivePage::write(key, language));
        EXPECT_TRUE(written.startsWith(language == Language::German ? u"<!DOCTYPE html>\n<html lang=de>"
                                                                    : u"<!DOCTYPE html>\n<html lang=en>"));
        EXPECT_FALSE(written.contains(u"{{")) << "a place of the skeleton left unfilled";
        for (const char* foreign : {"url(", "@import", "://", "<link rel=stylesheet", "<iframe", "<object",
                                    "<embed", "fetch(", "XMLHttpRequest", "import(", "src=\"http"})
            EXPECT_FALSE(written.contains(QLatin1String(foreign), Qt::CaseInsensitive)) << foreign;
        // The markup, without the texts of script and style.
        QString page = written;
        page.remove(QRegularExpression(QStringLiteral("<(script|style)>.*?</\\1>"),
                                       QRegularExpression::DotMatchesEverythingOption));
        EXPECT_EQ(written.count(QStringLiteral("<script")), 2);
        // The first couplet as the player draws it: its links are the player's addresses, not places.
        page.remove(QRegularExpression(QStringLiteral("<section id=couplet .*?</section>"),
                                       QRegularExpression::DotMatchesEverythingOption));

        QSet<QString> ids;
        for (const QRegularExpressionMatch& id :
             QRegularExpression(QStringLiteral(" id=\"?([\\w-]+)")).globalMatch(page)) {
            EXPECT_FALSE(ids.contains(id.captured(1))) << id.captured(1).toStdString();
            ids.insert(id.captured(1));
        }
        const QRegularExpression reference(
            QStringLiteral("(?:href|src|action|data|poster)\\s*=\\s*\"?([^\"\\s>]*)"),
            QRegularExpression::CaseInsensitiveOption);
        QStringList outside;
        for (const QRegularExpressionMatch& match : reference.globalMatch(page)) {
            const QString target = match.captured(1);
            if (target.startsWith(u'#'))
                EXPECT_TRUE(ids.contains(target.mid(1))) << target.toStdString();
            else if (target != u"data:,")
                outside << target;
        }
        EXPECT_EQ(outside, QStringList{QStringLiteral("leaf.png")});

        // The whole key holds every couplet and lead, each taxon once by its place.
        const qsizetype begin = page.indexOf(QStringLiteral("<div id=bracketed>"));
        const QString whole =
            page.mid(begin, page.indexOf(QStringLiteral("<div id=indented"), begin) - begin);
        EXPECT_EQ(whole.count(QStringLiteral("<div class=e ")), key.couplets.size());
        qsizetype leads = 0;
        for (const InteractiveKey::Couplet& couplet : key.couplets)
            leads += couplet.leads.size();
        EXPECT_EQ(whole.count(QStringLiteral("\n<p><span class=l>–</span> ")) + key.couplets.size(), leads);
        for (qsizetype taxon = 0; taxon < key.taxa.size(); ++taxon)
            EXPECT_TRUE(page.contains(QStringLiteral("<b data-t=%1>").arg(taxon) +
                                      QString::fromUtf8(key.taxa.at(taxon).html)));
    }
    EXPECT_EQ(key.taxa.size(), 18); // Sorbus is keyed out three times, under three names
}

// A page written from a table: its title stands once in the body, its long introduction folded, and
// its first couplet written out as the script draws it, the author's text escaped as in the whole key.
TEST(InteractivePageTest, ImportedPageShowsTitleOnceAndFirstCouplet)
{
    KeyTable table;
    table.title = "K&auml;fer <i>s. str.</i>";
    table.introduction = {QByteArray(300, 'x'), "Rest"};
    table.rows = {{"1", "Wings x < 2 <script>alert(1)</script>", "2", {}, {}, 0, {}},
                  {"1", "Wings <i>blue</i> & red", "A & B", {}, {}, 0, {}},
                  {"2", "Head", "C", {}, {}, 0, {}},
                  {"2", "No head", "1", {}, {}, 0, {}}};
    InteractiveKey key;
    KeyImportError error;
    ASSERT_TRUE(InteractiveKey::read(KeyPageWriter::write(table), key, error));
    EXPECT_EQ(key.introduction.size(), 2);
    for (const qsizetype size : {300, 200}) {
        key.introduction.front() = QByteArray(size, 'x');
        const QByteArray page = InteractivePage::write(key, Language::English);
        const qsizetype body = page.indexOf("<body>");
        EXPECT_EQ(page.count("Käfer s. str."), 2); // the head's title and the heading
        EXPECT_GT(page.indexOf("<h1>Käfer s. str.</h1>"), body);
        EXPECT_EQ(page.contains("<details id=introduction><summary>Show introduction</summary>"),
                  size == 300);

        const qsizetype begin = page.indexOf("<section id=couplet");
        const QByteArray couplet = page.mid(begin, page.indexOf("</section>", begin) - begin);
        EXPECT_TRUE(
            couplet.endsWith("<h2 id=couplet-title>Entry 1 <small>(from 2)</small></h2><ol class=leads>"
                             "<li><a class=\"lead\" href=\"#1\"><kbd aria-hidden=true>1</kbd><span "
                             "class=s>Wings x &lt; 2 &lt;script&gt;alert(1)&lt;/script&gt;"
                             "</span><span class=to>→ 2</span></a></li>"
                             "<li><a class=\"lead\" href=\"#2\"><kbd aria-hidden=true>2</kbd><span "
                             "class=s>Wings <i>blue</i> &amp; red"
                             "</span><span class=to>→ A &amp; B</span></a></li></ol>"))
            << couplet.toStdString();
        EXPECT_LT(begin, page.indexOf("<div id=bracketed>"));
    }
}

} // namespace
} // namespace keylinker
