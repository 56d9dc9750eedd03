#include <algorithm>
#include <optional>
#include <random>
#include <string>
#include <utility>

#include <gtest/gtest.h>

#include <QFile>
#include <QProcess>
#include <QRectF>
#include <QRegularExpression>
#include <QSet>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "ExportFormat.h"
#include "InlineMarkup.h"
#include "KeyImport.h"
#include "PrintWriters.h"
#include "PrintedKey.h"

namespace keylinker {
namespace {

// The tools that read what the writers make, and the Debian packages they come in.
struct Tool
{
    const char* program;
    const char* package;
};
constexpr Tool pdftotext{"pdftotext", "poppler-utils"};
constexpr Tool unrtf{"unrtf", "unrtf"};
constexpr Tool pdflatex{"pdflatex", "texlive-latex-base"};
constexpr Tool lualatex{"lualatex", "texlive-luatex"};

// Why a test cannot run here, or nothing when every tool is there.
std::optional<std::string> missing(std::initializer_list<Tool> tools)
{
    for (const Tool& tool : tools) {
        if (QStandardPaths::findExecutable(QString::fromLatin1(tool.program)).isEmpty())
            return std::string(tool.program) + " is not installed (Debian package " + tool.package + ")";
    }
    return std::nullopt;
}

// Runs `program` in `folder` and gives its standard output; a failure to run fails the test.
QByteArray run(const char* program, const QStringList& arguments, const QString& folder)
{
    QProcess process;
    process.setWorkingDirectory(folder);
    process.start(QString::fromLatin1(program), arguments);
    const bool finished = process.waitForFinished(120000);
    EXPECT_TRUE(finished && process.exitCode() == 0)
        << program << " failed: " << process.readAllStandardError().toStdString();
    return process.readAllStandardOutput();
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes)
{
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
}

// The text of a PDF as pdftotext -layout gives it, compatibility characters (ligatures) taken apart.
QString pdfText(const QTemporaryDir& dir, const QByteArray& pdf)
{
    const QString file = writeFile(dir, QStringLiteral("key.pdf"), pdf);
    return QString::fromUtf8(
               run(pdftotext.program, {QStringLiteral("-layout"), file, QStringLiteral("-")}, dir.path()))
        .normalized(QString::NormalizationForm_KC);
}

// The PDF `engine` makes of a LaTeX file.
QByteArray compiled(const QTemporaryDir& dir, const QByteArray& latex, const Tool& engine = pdflatex)
{
    writeFile(dir, QStringLiteral("key.tex"), latex);
    run(engine.program,
        {QStringLiteral("-interaction=nonstopmode"), QStringLiteral("-halt-on-error"),
         QStringLiteral("key.tex")},
        dir.path());
    QFile pdf(dir.filePath(QStringLiteral("key.pdf")));
    return pdf.open(QIODevice::ReadOnly) ? pdf.readAll() : QByteArray();
}

QString simplified(const QString& text)
{
    return QString(text).replace(QChar(0xA0), u' ').simplified();
}

// Checks the text of a printed key, line by line as pdftotext lays it out: each lead's label begins
// a line, followed by the first word of its text, in the order of `lines`; its destination ends a
// line of that lead, after a dot leader and some of the lead's text; no lead crosses a page. With
// `whole`, the text of every lead stands between its label and destination as well.
void expectPrinted(const QString& text, const QList<PrintedLine>& lines, bool whole)
{
    const QStringList rows = text.split(u'\n');
    QList<qsizetype> starts; // the row of each lead's label
    QList<int> pages;
    int page = 0;
    qsizetype row = 0;
    QList<const PrintedLine*> leads;
    for (const PrintedLine& line : lines) {
        if (line.heading)
            continue;
        leads << &line;
        const QString opening = line.label + u' ' + simplified(plainText(line.text)).section(u' ', 0, 0);
        for (; row < rows.size(); ++row) {
            page += int(rows.at(row).count(u'\f'));
            if (simplified(rows.at(row)).startsWith(opening))
                break;
        }
        ASSERT_LT(row, rows.size()) << "no line begins with " << opening.toStdString();
        starts << row;
        pages << page;
        ++row;
    }
    starts << rows.size();
    for (qsizetype at = 0; at < leads.size(); ++at) {
        const PrintedLine& lead = *leads.at(at);
        const QString destination = simplified(plainText(lead.destination));
        QString body;
        bool found = destination.isEmpty();
        const QRegularExpression leader(QStringLiteral("\\S.*( ?\\.){3,} ") +
                                        QRegularExpression::escape(destination) + u'$');
        for (qsizetype r = starts.at(at);
             !found && r < starts.at(at + 1) && (r == starts.at(at) || !rows.at(r).contains(u'\f')); ++r) {
            body += u' ' + simplified(rows.at(r));
            found = leader.match(simplified(rows.at(r))).hasMatch();
        }
        EXPECT_TRUE(found) << "lead " << lead.label.toStdString() << " lacks its destination "
                           << destination.toStdString() << " in:\n"
                           << body.toStdString();
        if (whole) {
            body.remove(QRegularExpression(QStringLiteral("( ?\\.){3,}")));
            EXPECT_EQ(
                simplified(body).toStdString(),
                simplified(lead.label + u' ' + plainText(lead.text).replace(u'\n', u' ') + u' ' + destination)
                    .toStdString());
        }
        if (lead.keepWithNext && at + 1 < leads.size()) {
            EXPECT_EQ(pages.at(at), pages.at(at + 1)) << "couplet split after " << lead.label.toStdString();
        }
    }
}

PrintedKey exampleKey()
{
    QFile file(QStringLiteral(KEYLINKER_EXAMPLES_DIR "/Laubbaeume.htm"));
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    KeyTable table;
    KeyImportError error;
    EXPECT_TRUE(KeyImport::read(file.readAll(), table, error));
    return PrintedKey(table);
}

const QList<QByteArray> keyBaseIntroduction = {"For adults and <a href=\"guide.htm\">larvae</a>."};

PrintedKey keyBaseKey()
{
    KeyTable table;
    KeyImportError error;
    EXPECT_TRUE(
        KeyImport::read("from,statement,to,subkey\n"
                        "1,Elytra <i>striate</i>,2,\n1,Elytra smooth<br>and shining,Larvae,\n"
                        "2,\"Head <a href=\"\"https://example.org/carabus?x=1&y=2\"\">black</a>\",Carabus "
                        "auratus,\n2,Head <b>brown</b>,Cychrus|Calosoma,\n"
                        "1,Legs present,X,Larvae\n1,Legs absent,Y,Larvae\n",
                        table, error));
    table.title = "Carabidae";
    table.introduction = keyBaseIntroduction;
    return PrintedKey(table);
}

// A key as large as big floras print: 900 couplets, 1,800 leads of one to five lines, a binary tree
// whose leaves are taxa.
PrintedKey largeKey()
{
    static const char* const words[] = {"Blätter",     "gegenständig,", "wechselständig", "gesägt",
                                        "ganzrandig;", "<i>Salix</i>",  "Früchte",        "Nüsschen",
                                        "geflügelt",   "Knospen",       "spitz",          "behaart",
                                        "5–8 mm",      "lang",          "kahl,",          "Rinde"};
    std::mt19937 random(7);
    KeyTable table;
    constexpr int couplets = 900;
    for (int couplet = 1; couplet <= couplets; ++couplet) {
        for (int lead = 0; lead < 2; ++lead) {
            KeyTableRow row;
            row.from = QByteArray::number(couplet);
            for (int word = 0, count = 3 + int(random() % 60); word < count; ++word)
                row.statement += QByteArray(word ? " " : "") + words[random() % std::size(words)];
            const int next = 2 * couplet + lead;
            row.to = next <= couplets ? QByteArray::number(next) : "Species " + QByteArray::number(next);
            table.rows << row;
        }
    }
    table.title = "Salicaceae";
    return PrintedKey(table);
}

// A link for each destination that is a couplet and each back reference "(1)".
qsizetype linksOf(const QList<PrintedLine>& lines)
{
    qsizetype links = 0;
    for (const PrintedLine& line : lines)
        links += (line.target >= 0 && !line.destination.isEmpty() ? 1 : 0) + line.labelTargets.size();
    return links;
}

TEST(PrintedFormatsTest, PdfOfTheExampleKeyAndAKeyBaseTable)
{
    if (const auto reason = missing({pdftotext})) {
        GTEST_SKIP() << *reason;
    }
    QTemporaryDir dir;
    for (const PrintedKey& key : {exampleKey(), keyBaseKey()}) {
        for (const PrintLayout layout : {PrintLayout::Bracketed, PrintLayout::Indented}) {
            const PrintedFile pdf = PdfWriter::write(key, layout, PaperSize::A4);
            const QList<PrintedLine> lines = key.lines(layout, PrintedPage::of(PaperSize::A4).maxDepth());
            const QString text = pdfText(dir, pdf.bytes);
            EXPECT_TRUE(text.contains(key.title())) << text.toStdString();
            expectPrinted(text, lines, layout == PrintLayout::Bracketed);
            EXPECT_TRUE(pdf.unprintable.isEmpty());

            const qsizetype addresses = pdf.bytes.count("/URI (");
            EXPECT_EQ(pdf.bytes.count("/Subtype /Link"), linksOf(lines) + addresses);
            EXPECT_TRUE(pdf.bytes.contains("/Outlines")) << "no outline";
            // The introduction stands below the title, and a link in it or in a lead is an address.
            for (const PrintedText& paragraph : key.introduction()) {
                EXPECT_TRUE(simplified(text).contains(simplified(plainText(paragraph))))
                    << text.toStdString();
                for (const PrintedRun& run : paragraph)
                    EXPECT_TRUE(run.link.isEmpty() || pdf.bytes.contains("/URI (" + run.link + ')'));
            }
            EXPECT_EQ(pdf.bytes.contains("/URI (https://example.org/carabus?x=1&y=2)"),
                      key.title() == u"Carabidae");
        }
    }
    // A line break in a lead breaks the line there and only there.
    EXPECT_TRUE(
        pdfText(dir, PdfWriter::write(keyBaseKey(), PrintLayout::Bracketed, PaperSize::A4).bytes)
            .contains(QRegularExpression(QStringLiteral("^–\\s+Elytra smooth\n\\s+and shining[ .]+Larvae$"),
                                         QRegularExpression::MultilineOption)));
    // The sub-key's heading is printed and leads from the main key link to it.
    const QString text =
        pdfText(dir, PdfWriter::write(keyBaseKey(), PrintLayout::Bracketed, PaperSize::Letter).bytes);
    EXPECT_TRUE(text.contains(
        QRegularExpression(QStringLiteral("^ *Larvae *$"), QRegularExpression::MultilineOption)))
        << text.toStdString();
}

// A PDF asks for the memory its setting may take before it begins, and is refused where it is not there.
TEST(PrintedFormatsTest, PdfAsksForItsMemoryFirst)
{
    const QByteArray key = "<P>#1 Wings red ....2<BR>Wings blue ....Species A</P>\n"
                           "<P>#2 Head black ....Species B<BR>Head brown ....Species C</P>\n";
    qint64 asked = 0;
    ExportSettings settings;
    ExportResult result;
    KeyImportError error;
    for (const bool left : {false, true}) {
        settings.memoryLeft = [&asked, left](qint64 bytes) {
            asked = bytes;
            return left;
        };
        if (left) {
            EXPECT_TRUE(ExportFormat::named(u"pdf")->write(key, settings, result, error));
            EXPECT_TRUE(result.bytes.startsWith("%PDF"));
        } else {
            EXPECT_THROW(ExportFormat::named(u"pdf")->write(key, settings, result, error), std::bad_alloc);
        }
        EXPECT_EQ(asked, PdfWriter::memoryFor(key.size()));
    }
}

TEST(PrintedFormatsTest, RtfHasTheTextAndRealTabStops)
{
    if (const auto reason = missing({unrtf})) {
        GTEST_SKIP() << *reason;
    }
    QTemporaryDir dir;
    for (const PrintedKey& key : {exampleKey(), keyBaseKey()}) {
        for (const PrintLayout layout : {PrintLayout::Bracketed, PrintLayout::Indented}) {
            const QByteArray rtf = RtfWriter::write(key, layout, PaperSize::A4).bytes;
            // As HTML, unrtf keeps every character (as a character reference).
            const QString text = QString::fromUtf8(InlineMarkup::toPlain(
                run(unrtf.program, {QStringLiteral("--html"), writeFile(dir, QStringLiteral("key.rtf"), rtf)},
                    dir.path())));
            qsizetype from = text.indexOf(key.title());
            ASSERT_GE(from, 0) << text.toStdString();
            const QList<PrintedLine> lines = key.lines(layout, 10);
            qsizetype leads = 0;
            qsizetype kept = 0;
            for (const PrintedLine& line : lines) {
                const QString printed =
                    simplified(line.label + u' ' + plainText(line.text).replace(u'\n', u' ') + u' ' +
                               plainText(line.destination));
                const qsizetype at = text.indexOf(printed, from);
                EXPECT_GE(at, 0) << printed.toStdString() << "\nnot after:\n" << text.mid(from).toStdString();
                from = qMax(from, at);
                leads += line.heading ? 0 : 1;
                kept += line.keepWithNext || line.nestedFollows ? 1 : 0;
            }
            // Each lead has a right tab stop with a dot leader, so Word and LibreOffice reflow it; each
            // paragraph stays whole, and on the page of the next where a couplet goes on.
            EXPECT_EQ(rtf.count("\\tqr\\tldot\\tx"), leads);
            EXPECT_EQ(rtf.count("\\pard\\plain\\keep"), lines.size());
            EXPECT_EQ(rtf.count("\\keep\\keepn"), kept);
            // unrtf parts a link from the word behind it.
            for (const PrintedText& paragraph : key.introduction())
                EXPECT_TRUE(QString(text).remove(u' ').contains(plainText(paragraph).remove(u' ')));
            EXPECT_EQ(rtf.contains("HYPERLINK \"https://example.org/carabus?x=1&y=2\"}{\\fldrslt black}"),
                      key.title() == u"Carabidae");
        }
    }
}

TEST(PrintedFormatsTest, LatexCompilesWithTheBasePackagesAndEscapesEverySpecialCharacter)
{
    if (const auto reason = missing({pdflatex, pdftotext})) {
        GTEST_SKIP() << *reason;
    }
    QTemporaryDir dir;
    for (const PrintLayout layout : {PrintLayout::Bracketed, PrintLayout::Indented}) {
        const PrintedKey key = exampleKey();
        const PrintedFile latex = LatexWriter::write(key, layout, PaperSize::A4);
        expectPrinted(pdfText(dir, compiled(dir, latex.bytes)),
                      key.lines(layout, PrintedPage::of(PaperSize::A4).maxDepth()), false);
    }

    // Every character LaTeX treats as special, Greek and signs it sets from mathematics, in a lead, a
    // taxon and the title ("|" only in the lead: in a taxon it parts several).
    const QString special = QStringLiteral("& % $ # _ { } ~ ^ \\ < > α ≤ × ° – äß");
    KeyTable table;
    table.title = special.toUtf8();
    KeyTableRow row;
    row.from = "1";
    row.statement = "a &amp; b &lt; c | <i>x_y</i> " + special.toUtf8() +
                    " <a href=\"https://e.org/a_b?c=1&amp;d=%20#x~y\">see</a>";
    row.to = special.toUtf8();
    table.rows << row << row;
    table.introduction = keyBaseIntroduction;
    const PrintedKey key(table);
    for (const auto& [name, bytes] :
         {std::pair{"LaTeX",
                    compiled(dir, LatexWriter::write(key, PrintLayout::Bracketed, PaperSize::Letter).bytes)},
          std::pair{"PDF", PdfWriter::write(key, PrintLayout::Bracketed, PaperSize::Letter).bytes}}) {
        const QString text = simplified(pdfText(dir, bytes));
        EXPECT_EQ(text.count(special), 5) << name << ":\n" << text.toStdString();
        EXPECT_EQ(text.count(QStringLiteral("a & b < c | x_y")), 2) << name;
        // The introduction, and each link an address as written (a "~" may come in its percent form).
        EXPECT_TRUE(text.contains(QStringLiteral("For adults and larvae."))) << name;
        const QString addresses =
            QString::fromUtf8(run("pdfinfo",
                                  {QStringLiteral("-url"), writeFile(dir, QStringLiteral("u.pdf"), bytes)},
                                  dir.path()))
                .replace(QStringLiteral("%7E"), QStringLiteral("~"));
        EXPECT_EQ(addresses.count(QStringLiteral("https://e.org/a_b?c=1&d=%20#x~y")), 2)
            << addresses.toStdString();
        EXPECT_TRUE(addresses.contains(QStringLiteral(" guide.htm"))) << addresses.toStdString();
    }

    // What the fonts lack is set as "?" and named.
    row.statement = "Genitalien ♂ und ♀ \xF3\xB0\x80\x80"; // the last from a private use plane
    table.rows = {row, row};
    EXPECT_EQ(LatexWriter::write(PrintedKey(table), PrintLayout::Bracketed, PaperSize::A4).unprintable,
              QStringLiteral("\U000F0000"));
    // The second lead's destination is set apart from the texts: what it lacks is named too.
    table.rows.back().to = "Art \xF3\xB0\x80\x81";
    const PrintedFile pdf = PdfWriter::write(PrintedKey(table), PrintLayout::Bracketed, PaperSize::A4);
    EXPECT_EQ(pdf.unprintable, QStringLiteral("\U000F0000\U000F0001"));
    EXPECT_EQ(simplified(pdfText(dir, pdf.bytes)).count(QStringLiteral("Genitalien ♂ und ♀ ?")), 2);
    EXPECT_TRUE(simplified(pdfText(dir, pdf.bytes)).contains(QStringLiteral(". Art ?")));
}

// Letters of Central Europe, signs and quotes in the text face, from both engines: a straight pair of
// double quotes opens and closes, an apostrophe stays one.
TEST(PrintedFormatsTest, LatexSetsEveryCharacterWithPdflatexAndLualatex)
{
    const QString lead = QStringLiteral("Dvořák Łódź Šumava Ödön Szőnyi ♀ ♂ × – “edge-on” \"edge-on\" "
                                        "(\"x\") Hooker's α β ≤ ≥ °C µm <5 >3 a--b <<c>>");
    KeyTable table;
    KeyTableRow row;
    row.from = "1";
    row.statement = lead.toHtmlEscaped().toUtf8();
    row.to = "Species A";
    table.rows << row << row;
    const PrintedFile latex = LatexWriter::write(PrintedKey(table), PrintLayout::Bracketed, PaperSize::A4);
    EXPECT_TRUE(latex.unprintable.isEmpty()) << latex.unprintable.toStdString();

    // As printed: curly quotes, the apostrophe a right single quote; compared in compatibility form (µ, μ).
    const auto normalized = [](QString text) {
        return text.replace(u'’', u'\'').normalized(QString::NormalizationForm_KC);
    };
    const QString expected =
        normalized(QString(lead)
                       .replace(QStringLiteral("\"edge-on\""), QStringLiteral("“edge-on”"))
                       .replace(QStringLiteral("\"x\""), QStringLiteral("“x”")));
    QTemporaryDir dir;
    std::string skipped;
    for (const Tool& engine : {pdflatex, lualatex}) {
        if (const auto reason = missing({engine, pdftotext})) {
            skipped += *reason + "; ";
            continue;
        }
        const QString text = normalized(simplified(pdfText(dir, compiled(dir, latex.bytes, engine))));
        EXPECT_EQ(text.count(expected), 2) << engine.program << ":\n" << text.toStdString();
    }
    if (!skipped.empty()) {
        GTEST_SKIP() << skipped;
    }
}

// 1,800 leads: every couplet and destination in order, and no couplet split across two pages.
// A lead's last word goes down with its destination when both do not fit the last line; a link on
// that word goes down with it. Leads of every length, all on one page: each link covers exactly one
// of the linked words, and each linked word has its link.
TEST(PrintedFormatsTest, LinkedLastWordGoesDownWithItsLink)
{
    if (const auto reason = missing({pdftotext})) {
        GTEST_SKIP() << *reason;
    }
    KeyTable table;
    for (int words = 1; words <= 24; ++words) {
        KeyTableRow row;
        row.from = QByteArray::number(words);
        for (int word = 0; word < words; ++word)
            row.statement += "gesägt ";
        row.statement += "<a href=\"https://example.org/salix\">Salix</a>";
        row.to = "Species " + QByteArray::number(words);
        table.rows << row;
    }
    QTemporaryDir dir;
    const QByteArray pdf = PdfWriter::write(PrintedKey(table), PrintLayout::Bracketed, PaperSize::A4).bytes;
    const QString boxes = QString::fromUtf8(
        run(pdftotext.program,
            {QStringLiteral("-bbox"), writeFile(dir, QStringLiteral("key.pdf"), pdf), QStringLiteral("-")},
            dir.path()));
    ASSERT_EQ(boxes.count(QStringLiteral("<page ")), 1);
    const double height = PrintedPage::of(PaperSize::A4).height;
    QList<QRectF> words; // from the page's top
    for (const QRegularExpressionMatch& match :
         QRegularExpression(QStringLiteral("xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" "
                                           "yMax=\"([\\d.]+)\">Salix<"))
             .globalMatch(boxes))
        words << QRectF(QPointF(match.captured(1).toDouble(), match.captured(2).toDouble()),
                        QPointF(match.captured(3).toDouble(), match.captured(4).toDouble()));
    ASSERT_EQ(words.size(), 24);
    // Some went down to begin a row of their own, at the text's left edge.
    const double textLeft =
        std::min_element(words.begin(), words.end(), [](const QRectF& a, const QRectF& b) {
            return a.left() < b.left();
        })->left();
    EXPECT_GE(std::count_if(words.begin(), words.end(),
                            [textLeft](const QRectF& word) { return word.left() < textLeft + 1; }),
              2);
    QList<int> linked(words.size());
    const QRegularExpression rect(QStringLiteral("/Rect \\[ ([\\d.]+) ([\\d.]+) ([\\d.]+) ([\\d.]+) \\]"));
    for (const QByteArray& object :
         QByteArray(pdf).replace('\n', ' ').split('j')) { // at each "obj", "endobj"
        const QRegularExpressionMatch match = rect.match(QString::fromLatin1(object));
        if (!match.hasMatch() || !object.contains("/URI"))
            continue;
        const QRectF link(QPointF(match.captured(1).toDouble(), height - match.captured(4).toDouble()),
                          QPointF(match.captured(3).toDouble(), height - match.captured(2).toDouble()));
        int covered = 0;
        for (qsizetype at = 0; at < words.size(); ++at) {
            if (link.contains(words.at(at).center())) {
                ++linked[at];
                ++covered;
            }
        }
        EXPECT_EQ(covered, 1) << "a link on " << covered << " of the words";
        EXPECT_LT(link.width(), 1.5 * words.front().width());
    }
    EXPECT_EQ(linked, QList<int>(words.size(), 1));
}

TEST(PrintedFormatsTest, LargeKeysKeepEachCoupletOnOnePage)
{
    if (const auto reason = missing({pdftotext})) {
        GTEST_SKIP() << *reason;
    }
    QTemporaryDir dir;
    const PrintedKey key = largeKey();
    const QList<PrintedLine> lines = key.lines(PrintLayout::Bracketed, 10);
    const QByteArray pdf = PdfWriter::write(key, PrintLayout::Bracketed, PaperSize::A4).bytes;
    const QString text = pdfText(dir, pdf);
    EXPECT_GT(text.count(u'\f'), 40);
    expectPrinted(text, lines, true);
    // Links reach couplets on later pages as well as on earlier ones: each names a destination of the file.
    QSet<QByteArray> destinations;
    for (const QRegularExpressionMatch& match :
         QRegularExpression(QStringLiteral("\\((k\\d+)\\) \\[\\d+ 0 R /XYZ "))
             .globalMatch(QString::fromLatin1(pdf)))
        destinations.insert(match.captured(1).toLatin1());
    qsizetype links = 0;
    for (const QRegularExpressionMatch& match :
         QRegularExpression(QStringLiteral("/Subtype /Link[^>]*/Dest \\((k\\d+)\\)"))
             .globalMatch(QString::fromLatin1(pdf))) {
        EXPECT_TRUE(destinations.contains(match.captured(1).toLatin1())) << match.captured(1).toStdString();
        ++links;
    }
    EXPECT_EQ(links, linksOf(lines));
    EXPECT_EQ(destinations.size(), 900);

    if (missing({pdflatex}))
        return;
    expectPrinted(
        pdfText(dir, compiled(dir, LatexWriter::write(key, PrintLayout::Bracketed, PaperSize::A4).bytes)),
        lines, false);
}

} // namespace
} // namespace keylinker
