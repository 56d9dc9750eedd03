#include <algorithm>

#include <QAction>
#include <QLabel>
#include <QListView>
#include <QTest>

#include "DirectoryListModel.h"
#include "ExportFormat.h"
#include "FileListModel.h"
#include "KeyImport.h"
#include "KeyImportError.h"
#include "KeyPageWriter.h"
#include "KeyTableExport.h"
#include "Suchen.h"
#include "WindowTestSupport.h"

using namespace keylinker;

namespace {

const QByteArray table = "from,statement,to\r\n1,Wings red,2\r\n1,Wings blue,Carabus\r\n"
                         "2,Legs long,Abax\r\n2,Legs short,Pterostichus\r\n";

KeyTable tableOf(const QByteArray& content)
{
    KeyTable key;
    KeyImportError error;
    if (!KeyImport::read(content, key, error))
        qFatal("the test's key does not read");
    return key;
}

} // namespace

class ImportExportTest : public QObject, public test::WindowFixture
{
    Q_OBJECT

private:
    void trigger(const char* entry) const
    {
        window->findChild<QAction*>(QLatin1StringView(entry))->trigger();
    }
    QString selectedFile() const
    {
        const auto* files = control<QListView>("filList");
        const QModelIndexList selected = files->selectionModel()->selectedRows();
        if (selected.size() != 1 || files->currentIndex() != selected.first())
            return QStringLiteral("<not one current selected file>");
        return joinPath(window->files().path(), window->files().entry(selected.first().row()));
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(root.isValid());
        write(QStringLiteral("keys/moths.csv"), table);
        write(QStringLiteral("keys/moths.htm"), "old page");
        write(QStringLiteral("keys/bad.csv"), "from,statement,to\n1,a,2\n1,\"b,3\n");
        write(QStringLiteral("keys/Beetles/notes.txt"), "x");
        write(QStringLiteral("out/notes.txt"), "x");
        sink = {};
        dialogs = {};
        open(services(QStringLiteral("keys")));
    }

    void cleanup() { closeAndEmpty(); }

    // A table error is told with its line; a name that is taken is written over only after a yes,
    // with the old file kept as a backup; the new page stands selected in the file list.
    void importAsksForTwoNamesAndWritesOverNothingUnasked()
    {
        dialogs.opened = path(QStringLiteral("keys/bad.csv"));
        trigger("mnuImportieren");
        QCOMPARE(sink.shown,
                 QStringList{dialogs.opened + QStringLiteral(", Zeile 3: Anführungszeichen wird nicht "
                                                             "geschlossen")});
        QCOMPARE(dialogs.asked.size(), 1); // no save dialog after the error
        QCOMPARE(dialogs.asked[0].start, path(QStringLiteral("keys")));
        QCOMPARE(dialogs.asked[0].types,
                 (QStringList{QStringLiteral("Tabellen und Textschlüssel (*.csv *.tsv *.txt)"),
                              QStringLiteral("Alle Dateien (*)")}));

        // A No to replacing goes back to the save dialog, at the name declined.
        const QString page = path(QStringLiteral("keys/moths.htm"));
        dialogs.opened = path(QStringLiteral("keys/moths.csv"));
        dialogs.savedInTurn = {page};
        trigger("mnuImportieren");
        QCOMPARE(dialogs.asked.size(), 4);
        QCOMPARE(dialogs.asked[2].start, page);
        QCOMPARE(dialogs.asked[3].start, page);
        QCOMPARE(sink.asked,
                 QStringList{page + QStringLiteral(" gibt es schon. Ersetzen? Die alte Datei bleibt als "
                                                   "Sicherungskopie daneben.")});
        QCOMPARE(test::readAll(page), QByteArray("old page"));
        QVERIFY(!QFile::exists(page + QStringLiteral("_bak0")));

        sink.answer = true;
        dialogs.saved = page;
        trigger("mnuImportieren");
        KeyTable titled = tableOf(table);
        titled.title = "moths";
        const QByteArray written = KeyPageWriter::write(titled);
        QCOMPARE(test::readAll(page), written);
        QCOMPARE(test::readAll(page + QStringLiteral("_bak0")), QByteArray("old page"));
        QCOMPARE(selectedFile(), page);
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Fertig!"));

        // From the found panel, to a new name typed without its suffix in another folder: made there
        // whole, and the file list opens that folder.
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        dialogs.saved = path(QStringLiteral("keys/Beetles/carabidae"));
        sink.asked.clear();
        trigger("mnuImportieren");
        QVERIFY(sink.asked.isEmpty());
        QCOMPARE(test::readAll(path(QStringLiteral("keys/Beetles/carabidae.htm"))), written);
        QCOMPARE(window->mode().stage, WindowMode::Stage::Browsing);
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys/Beetles")));
        QCOMPARE(selectedFile(), path(QStringLiteral("keys/Beetles/carabidae.htm")));

        // A backup is never the name written to, whatever the answer.
        dialogs.saved = page + QStringLiteral("_bak0");
        sink.shown.clear();
        trigger("mnuImportieren");
        QCOMPARE(test::readAll(page + QStringLiteral("_bak0")), QByteArray("old page"));
        QCOMPARE(sink.shown.size(), 1);
        QVERIFY(sink.shown[0].startsWith(page + QStringLiteral("_bak0 ist eine Sicherungskopie")));
    }

    // Every form the save dialog offers is written as that form's writer writes it, beside the key
    // by default, under the name chosen with the suffix of the form.
    void exportWritesEachForm()
    {
        write(QStringLiteral("keys/moths.htm"), KeyPageWriter::write(tableOf(table)));
        trigger("mnuExportieren");
        QCOMPARE(sink.shown, QStringList{QStringLiteral("Es ist keine Datei ausgewählt.")});
        QVERIFY(dialogs.asked.isEmpty());

        clickRow("filList", 0); // moths.htm
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        trigger("mnuExportieren"); // cancelled: nothing written
        QCOMPARE(dialogs.asked.size(), 1);
        QCOMPARE(dialogs.asked[0].title, QStringLiteral("Export “moths.htm”"));
        QCOMPARE(dialogs.asked[0].start, path(QStringLiteral("keys/moths-keybase.csv")));
        QStringList types;
        for (const ExportFormat& format : ExportFormat::all())
            types << format.name.in(Language::English) + QStringLiteral(" (*.") +
                         QLatin1StringView(format.suffix) + u')';
        QCOMPARE(dialogs.asked[0].types, types);
        QVERIFY(types.contains(QStringLiteral("Graphviz DOT (*.dot)")));
        // Each form its own name, never the table the key came from.
        for (const char* name : {"moths-keybase.tsv", "moths.pdf", "moths-indented.pdf", "moths-reader.html"})
            QVERIFY2(dialogs.asked[0].names.contains(QLatin1StringView(name)), name);
        QCOMPARE(dialogs.asked[0].names.size(), types.size());

        const QByteArray content = KeyPageWriter::write(tableOf(table));
        int type = 0;
        QByteArray dot;
        for (const ExportFormat& format : ExportFormat::all()) {
            ExportSettings settings{Language::English, "moths"};
            settings.source = "moths.htm";
            settings.layout = format.layout;
            settings.pageLanguage = Language::English;
            ExportResult expected;
            KeyImportError error;
            QVERIFY(format.write(content, settings, expected, error));
            dialogs.saved = path(QStringLiteral("out/moths-%1").arg(type));
            dialogs.savedType = type++;
            trigger("mnuExportieren");
            QCOMPARE(test::readAll(dialogs.saved + u'.' + QLatin1StringView(format.suffix)), expected.bytes);
            if (QLatin1StringView(format.suffix) == u"dot")
                dot = expected.bytes;
        }
        // A suffix that names a form decides it over the file type.
        dialogs.savedType = 0;
        dialogs.saved = path(QStringLiteral("out/graph.dot"));
        trigger("mnuExportieren");
        QCOMPARE(test::readAll(dialogs.saved), dot);
        // The note that was there, one file a form and the one named by its suffix; no temporary left.
        QCOMPARE(QDir(path(QStringLiteral("out"))).entryList(QDir::Files | QDir::Hidden).size(),
                 qsizetype(ExportFormat::all().size()) + 2);
        QVERIFY(sink.shown.size() == 1 && sink.asked.isEmpty());
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Done!"));
    }

    // The dialog's options reach the writers: the paper of a printed form, the reader's page's
    // language (the window's at first). Of several keys the first is exported, as the title says; a
    // No to replacing goes back to the dialog with the form and the options chosen.
    void exportOptionsAndSeveralKeys()
    {
        const QByteArray content = KeyPageWriter::write(tableOf(table));
        write(QStringLiteral("keys/moths.htm"), content);
        write(QStringLiteral("keys/nymphs.htm"), content);
        const auto row = [](const char* option, PrintLayout layout) {
            const auto formats = ExportFormat::all();
            return static_cast<int>(std::ranges::find_if(formats,
                                                         [&](const ExportFormat& format) {
                                                             return QLatin1StringView(format.option) ==
                                                                        QLatin1StringView(option) &&
                                                                    format.layout == layout;
                                                         }) -
                                    formats.begin());
        };
        const auto expected = [&content](int type, Language page, PaperSize paper) {
            const ExportFormat& format = ExportFormat::all()[type];
            ExportSettings settings{Language::German, "moths"};
            settings.source = "moths.htm";
            settings.layout = format.layout;
            settings.pageLanguage = page;
            settings.paper = paper;
            ExportResult result;
            KeyImportError error;
            format.write(content, settings, result, error);
            return result.bytes;
        };
        const int reader = row("interactive", PrintLayout::Bracketed);
        const int indentedPdf = row("pdf", PrintLayout::Indented);

        QTRY_COMPARE(window->files().count(), 2);
        clickRow("filList", 0); // moths.htm
        QTest::mouseClick(control<QListView>("filList")->viewport(), Qt::LeftButton, Qt::ControlModifier,
                          control<QListView>("filList")->visualRect(window->files().index(1, 0)).center());
        dialogs.savedType = reader;
        dialogs.saved = path(QStringLiteral("out/page.html"));
        trigger("mnuExportieren");
        QCOMPARE(dialogs.asked[0].title,
                 QStringLiteral("„moths.htm“ exportieren (die erste von 2 ausgewählten Dateien)"));
        const QList<FileDialogChoice>& choices = dialogs.asked[0].choices;
        QCOMPARE(choices.size(), 2);
        QCOMPARE(choices[0].forTypes.size(), 6); // PDF, RTF and LaTeX in two layouts each
        QVERIFY(choices[0].forTypes.contains(indentedPdf) && !choices[0].forTypes.contains(reader));
        QCOMPARE(choices[1].forTypes, QList<int>{reader});
        QCOMPARE(choices[1].chosen, 0); // German, as the window
        QCOMPARE(test::readAll(dialogs.saved), expected(reader, Language::German, PaperSize::A4));

        dialogs.savedChoices = {0, 1};
        dialogs.savedInTurn = {dialogs.saved};
        dialogs.saved = path(QStringLiteral("out/page-en.html"));
        trigger("mnuExportieren"); // No to replacing page.html, then a new name
        QCOMPARE(sink.asked.size(), 1);
        QCOMPARE(dialogs.asked.last().chosenType, reader);
        QCOMPARE(dialogs.asked.last().choices[1].chosen, 1);
        QCOMPARE(test::readAll(dialogs.saved), expected(reader, Language::English, PaperSize::A4));

        dialogs.savedType = indentedPdf;
        dialogs.savedChoices = {1};
        dialogs.saved = path(QStringLiteral("out/letter.pdf"));
        trigger("mnuExportieren");
        const QByteArray letter = expected(indentedPdf, Language::German, PaperSize::Letter);
        QVERIFY(letter != expected(indentedPdf, Language::German, PaperSize::A4));
        QCOMPARE(test::readAll(dialogs.saved), letter);
    }
};

QTEST_MAIN(ImportExportTest)
#include "ImportExportTest.moc"
