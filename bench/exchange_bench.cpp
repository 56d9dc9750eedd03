// Times the import of a key table (table to page) and the export of a key page (page to table) for a
// table of 1,800 rows (about 200 KB) and for one ten times as large, against the same
// bytes split into lines and fields with QByteArray::split (the least work that touches every field),
// and prints the medians, their ratios and whether the goals are met. Then writes the reader's page
// (`--export interactive`) of the 1,800-lead key page against its KeyBase export (`--export keybase`),
// both from the page's bytes, and sets the page's size against the KeyBase table's. Last it prints the
// page as PDF, RTF and LaTeX, each read from the page as keylinker-cli --export reads it, against
// --export text of the same page, and the PDF against pdflatex on the LaTeX export of the same key.
//
//   exchange_bench [SEED]

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <random>
#include <vector>

#include <QByteArray>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "InteractiveKey.h"
#include "InteractivePage.h"
#include "KeyImport.h"
#include "KeyPageReader.h"
#include "KeyPageWriter.h"
#include "KeyTableExport.h"
#include "MedianTime.h"
#include "PrintWriters.h"
#include "PrintedKey.h"
#include "TableImport.h"

namespace {

volatile qsizetype sink = 0; // keeps the optimiser from dropping the timed work

// A KeyBase table as floras publish them: two leads an entry, statements of 60 to 130 bytes with
// commas, umlauts and now and then inline markup, each lead to a later entry or to a taxon.
QByteArray makeTable(int rows, quint32 seed)
{
    static const char* const words[] = {"Blätter",      "gegenständig,", "wechselständig", "gesägt",
                                        "ganzrandig;",  "<i>Salix</i>",  "Früchte",        "Nüsschen",
                                        "geflügelt",    "Knospen",       "spitz",          "behaart",
                                        "5&ndash;8 mm", "lang",          "kahl,",          "Rinde"};
    std::mt19937 random(seed);
    QByteArray table = "from,statement,to\r\n";
    const int entries = rows / 2;
    for (int row = 0; row < rows; ++row) {
        const int entry = 1 + row / 2;
        QByteArray statement;
        const qsizetype length = 60 + qsizetype(random() % 71);
        while (statement.size() < length)
            statement += QByteArray(statement.isEmpty() ? "" : " ") + words[random() % std::size(words)];
        const bool toEntry = 2 * entry + row % 2 <= entries;
        const QByteArray to =
            toEntry ? QByteArray::number(2 * entry + row % 2) : "Species " + QByteArray::number(row);
        table += QByteArray::number(entry) + ",\"" + statement + "\"," + to + "\r\n";
    }
    return table;
}

double medianMilliseconds(int runs, const std::function<void()>& work)
{
    return keylinker::bench::medianMicroseconds(1, runs, work) / 1000.0;
}

struct Figures
{
    qsizetype bytes;
    double split;
    double import;
    double exportPage;
};

Figures measure(int rows, quint32 seed, int runs)
{
    const QByteArray table = makeTable(rows, seed);
    keylinker::KeyTable read;
    keylinker::KeyImportError error;
    if (!keylinker::TableImport::read(table, read, error) || read.rows.size() != rows) {
        std::printf("FAILED: the generated table does not read back\n");
        std::exit(1);
    }
    const QByteArray page = keylinker::KeyPageWriter::write(read);
    Figures figures{table.size(), 0, 0, 0};
    figures.split = medianMilliseconds(runs, [&table] {
        for (const QByteArray& line : table.split('\n'))
            sink = sink + line.split(',').size();
    });
    figures.import = medianMilliseconds(runs, [&table] {
        keylinker::KeyTable key;
        keylinker::KeyImportError failure;
        keylinker::TableImport::read(table, key, failure);
        sink = sink + keylinker::KeyPageWriter::write(key).size();
    });
    figures.exportPage = medianMilliseconds(runs, [&page] {
        sink = sink + keylinker::KeyTableExport::keybase(keylinker::KeyPageReader::read(page)).size();
    });
    return figures;
}

// The key of a page as --export reads it.
keylinker::KeyTable readPage(const QByteArray& page)
{
    keylinker::KeyTable table;
    keylinker::KeyImportError error;
    keylinker::KeyImport::read(page, table, error);
    return table;
}

// The median time pdflatex takes to compile `latex` in `rounds` runs, in milliseconds; 0 where pdflatex
// is not installed or fails.
double pdflatexMilliseconds(const QByteArray& latex, int rounds)
{
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("key.tex")));
    if (QStandardPaths::findExecutable(QStringLiteral("pdflatex")).isEmpty() ||
        !file.open(QIODevice::WriteOnly))
        return 0;
    file.write(latex);
    file.close();
    std::vector<double> times;
    for (int round = 0; round < rounds; ++round) {
        QProcess process;
        process.setWorkingDirectory(dir.path());
        QElapsedTimer timer;
        timer.start();
        process.start(QStringLiteral("pdflatex"),
                      {QStringLiteral("-interaction=batchmode"), QStringLiteral("-halt-on-error"),
                       QStringLiteral("key.tex")});
        if (!process.waitForFinished(300000) || process.exitCode() != 0)
            return 0;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(times.begin(), times.end());
    return times.at(times.size() / 2);
}

// Each print format of the page against --export text, both reading the page first; true when the
// goals are met. The kinds of work take turns within each round, so that a change in the machine's
// load falls on all of them alike, and each gets the median of its rounds.
bool measurePrint(const QByteArray& page, int rounds)
{
    using keylinker::PaperSize;
    using keylinker::PrintLayout;
    const auto print = [&page](auto write, PrintLayout layout) {
        return [&page, write, layout] {
            sink = sink + write(keylinker::PrintedKey(readPage(page)), layout, PaperSize::A4).bytes.size();
        };
    };
    const std::function<void()> kinds[] = {
        [&page] { sink = sink + keylinker::KeyTableExport::text(readPage(page)).size(); },
        print(keylinker::PdfWriter::write, PrintLayout::Bracketed),
        print(keylinker::PdfWriter::write, PrintLayout::Indented),
        print(keylinker::RtfWriter::write, PrintLayout::Bracketed),
        print(keylinker::LatexWriter::write, PrintLayout::Bracketed),
    };
    std::vector<std::vector<double>> times(std::size(kinds));
    for (int round = 0; round < rounds; ++round) {
        for (size_t kind = 0; kind < std::size(kinds); ++kind)
            times[kind].push_back(keylinker::bench::medianMicroseconds(round == 0 ? 1 : 0, 1, kinds[kind]) /
                                  1000);
    }
    std::vector<double> median;
    for (std::vector<double>& each : times) {
        std::sort(each.begin(), each.end());
        median.push_back(each[each.size() / 2]);
    }
    const double text = median[0], pdf = median[1], pdfIndented = median[2], rtf = median[3],
                 latex = median[4];
    std::printf("print of %lld leads: text %.2f ms; pdf %.2f ms (%.1f x text), indented %.2f ms (%.1f x); "
                "rtf %.2f ms (%.2f x); latex %.2f ms (%.2f x)\n",
                static_cast<long long>(readPage(page).rows.size()), text, pdf, pdf / text, pdfIndented,
                pdfIndented / text, rtf, rtf / text, latex, latex / text);
    const keylinker::PrintedKey key(readPage(page));
    const double pdflatex = pdflatexMilliseconds(
        keylinker::LatexWriter::write(key, PrintLayout::Bracketed, PaperSize::A4).bytes, 5);
    std::printf(
        "pdf %lld bytes; pdflatex on the latex export %.0f ms: pdf %.2f x pdflatex (goal at most 1/3)\n",
        static_cast<long long>(
            keylinker::PdfWriter::write(key, PrintLayout::Bracketed, PaperSize::A4).bytes.size()),
        pdflatex, pdflatex > 0 ? pdf / pdflatex : 0.0);
    if (pdflatex == 0)
        std::printf("pdflatex is not installed (texlive-latex-base) or failed: not compared\n");
    const bool met = qMax(pdf, pdfIndented) < 1000 && qMax(pdf, pdfIndented) <= 20 * text &&
                     rtf <= 3 * text && latex <= 3 * text && (pdflatex == 0 || 3 * pdf <= pdflatex);
    std::printf("goal: pdf under 1 s, at most 20 x text and a third of pdflatex, rtf and latex at most 3 x "
                "text: %s\n",
                met ? "met" : "MISSED");
    return met;
}

struct PageFigures
{
    double keybase;
    double interactive;
    qsizetype csvBytes;
    qsizetype pageBytes;
};

// Both exports as keylinker-cli runs them on a key page: read the page, write the form.
PageFigures measurePage(int rows, quint32 seed, int runs)
{
    keylinker::KeyTable table;
    keylinker::KeyImportError error;
    keylinker::TableImport::read(makeTable(rows, seed), table, error);
    const QByteArray page = keylinker::KeyPageWriter::write(table);
    const auto keybase = [&page] {
        keylinker::KeyTable key;
        keylinker::KeyImportError failure;
        keylinker::KeyImport::read(page, key, failure);
        return keylinker::KeyTableExport::keybase(key);
    };
    const auto interactive = [&page] {
        keylinker::InteractiveKey key;
        keylinker::KeyImportError failure;
        keylinker::InteractiveKey::read(page, key, failure);
        return keylinker::InteractivePage::write(key, keylinker::Language::German);
    };
    PageFigures figures{0, 0, keybase().size(), interactive().size()};
    // The two take turns, so that a loaded machine slows both alike.
    std::vector<double> keybaseTimes;
    std::vector<double> interactiveTimes;
    for (int run = 0; run < runs; ++run) {
        keybaseTimes.push_back(medianMilliseconds(1, [&keybase] { sink = sink + keybase().size(); }));
        interactiveTimes.push_back(
            medianMilliseconds(1, [&interactive] { sink = sink + interactive().size(); }));
    }
    std::sort(keybaseTimes.begin(), keybaseTimes.end());
    std::sort(interactiveTimes.begin(), interactiveTimes.end());
    figures.keybase = keybaseTimes.at(keybaseTimes.size() / 2);
    figures.interactive = interactiveTimes.at(interactiveTimes.size() / 2);
    return figures;
}

} // namespace

int main(int argc, char** argv)
{
    const quint32 seed = argc > 1 ? quint32(std::strtoul(argv[1], nullptr, 10)) : 1u;
    keylinker::bench::noteUnoptimizedBuild();
    const Figures small = measure(1800, seed, 31);
    const Figures large = measure(18000, seed, 11);
    for (const Figures& figures : {small, large}) {
        std::printf("table of %lld bytes: split %.2f ms, import %.2f ms (%.1f x split), export %.2f ms "
                    "(%.1f x split)\n",
                    static_cast<long long>(figures.bytes), figures.split, figures.import,
                    figures.import / figures.split, figures.exportPage, figures.exportPage / figures.split);
    }
    const double sizeRatio = double(large.bytes) / double(small.bytes);
    const double importGrowth = large.import / small.import;
    const double exportGrowth = large.exportPage / small.exportPage;
    std::printf("10x rows: size %.2f x, import %.2f x, export %.2f x\n", sizeRatio, importGrowth,
                exportGrowth);
    const bool fast = small.import < 50 && small.exportPage < 50;
    // Linear: the large table takes at most 1.5 times its share of the time.
    const bool linear = importGrowth <= 1.5 * sizeRatio && exportGrowth <= 1.5 * sizeRatio;
    std::printf("goal: 1,800 rows each under 50 ms: %s; linear: %s\n", fast ? "met" : "MISSED",
                linear ? "met" : "MISSED");

    const PageFigures page = measurePage(1800, seed, 31);
    const double timeRatio = page.interactive / page.keybase;
    const double allowedBytes = 2.0 * double(page.csvBytes) + 40 * 1024;
    const double sizeShare = double(page.pageBytes) / allowedBytes;
    std::printf(
        "reader's page of 1,800 leads: %.2f ms, --export keybase %.2f ms: %.2f x (goal at most 2 x): %s\n",
        page.interactive, page.keybase, timeRatio, timeRatio <= 2 ? "met" : "MISSED");
    std::printf(
        "page %lld bytes, KeyBase table %lld bytes: page / (2 x table + 40 KB) = %.2f (goal at most 1; "
        "page / table = %.2f): %s\n",
        static_cast<long long>(page.pageBytes), static_cast<long long>(page.csvBytes), sizeShare,
        double(page.pageBytes) / double(page.csvBytes), sizeShare <= 1 ? "met" : "MISSED");

    keylinker::KeyTable table;
    keylinker::KeyImportError error;
    keylinker::TableImport::read(makeTable(1800, seed), table, error);
    const bool printFast = measurePrint(keylinker::KeyPageWriter::write(table), 31);
    return fast && linear && timeRatio <= 2 && sizeShare <= 1 && printFast ? 0 : 1;
}
