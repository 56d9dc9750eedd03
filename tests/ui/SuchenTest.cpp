#include "Suchen.h"

#include <algorithm>

#include <QAction>
#include <QClipboard>
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QFileSystemModel>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include "ControlTable.h"
#include "DirectoryListModel.h"
#include "FileListModel.h"
#include "KeyFileMessages.h"
#include "KeyFileReporter.h"
#include "KeyRewrite.h"
#include "WindowTestSupport.h"
#include "WindowTexts.h"

using namespace keylinker;

namespace {

const QByteArray goodKey =
    "<P>#1 Wings red ....2<BR>Wings blue ....3</P>\r\n<P>#2 x ....Species A<BR>z ....Species "
    "B</P>\r\n<P>#3 y ....Species C<BR>w ....Species D</P>\r\n";
// Numbered as no author would leave it: renumbering changes it.
const QByteArray gappedKey = "<P>#1 a ....5 b ....7</P><P>#5 c ....Species A d ....Species B</P>"
                             "<P>#7 e ....Species C f ....Species D</P>";
const QByteArray badKey = "<P>Wings red ....2</P><P>#1 x</P><P>#2 y</P>";

/// A key that reads well but cannot be backed up: the disk is full. Nothing may be replaced then.
class FullDisk final : public KeyFileStore
{
public:
    bool lock(const QString&, FileError&) override { return true; }
    void unlock() override {}
    bool read(const QString&, QByteArray& content, FileAccess&, FileError&) override
    {
        content = key;
        return true;
    }
    qint64 size(const QString&) override { return -1; } // asked of backup names only: none is taken
    bool writeBackup(const QString&, const QByteArray&, const FileAccess&, FileError& error) override
    {
        error.code = ENOSPC;
        return false;
    }
    bool replace(const QString&, const QString&, const QByteArray&, const FileAccess&, FileError&) override
    {
        ++replaced;
        return false;
    }
    void removeBackup(const QString&, const QByteArray&) override {}
    int replaced = 0;
    QByteArray key = goodKey;
};

} // namespace

class SuchenTest : public QObject, public test::WindowFixture
{
    Q_OBJECT

private:
    QStringList fileListEntries() const { return window->files().entries(); }
    void selectFileRows(const QList<int>& rows)
    {
        auto* list = control<QListView>("filList");
        list->selectionModel()->clear();
        for (int row : rows)
            list->selectionModel()->select(list->model()->index(row, 0), QItemSelectionModel::Select);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(root.isValid());
        write(QStringLiteral("keys/a.htm"), goodKey);
        write(QStringLiteral("keys/b.htm"), goodKey);
        write(QStringLiteral("keys/c.htm"), badKey);
        write(QStringLiteral("keys/notes.txt"), "x");
        write(QStringLiteral("keys/Beetles/d.html"), goodKey);
        sink.shown.clear();
        sink.asked.clear();
        sink.answer = false;
        endCalls = 0;
        open(services(QStringLiteral("keys")));
    }

    void cleanup() { closeAndEmpty(); }

    void startState()
    {
        QCOMPARE(window->windowTitle(), QStringLiteral("HTML- Bestimmungstabelle formatieren"));
        QCOMPARE(window->sprache, short(-1));
        QCOMPARE(window->suchLaeuft, short(0));
        QVERIFY(window->browserPfad.isEmpty());
        QVERIFY(window->altesVerzeichnis.isEmpty());
        QCOMPARE(window->startVerzeichnis, path(QStringLiteral("keys")));
        QCOMPARE(window->centralWidget()->size(), QSize(539, 379));
        // One size only: nothing would follow a bigger window.
        QCOMPARE(window->minimumSize(), window->maximumSize());
        QVERIFY(!(window->windowFlags() & Qt::WindowMaximizeButtonHint));
        QCOMPARE(control<QPushButton>("cmdSearch")->geometry(), QRect(328, 340, 88, 33));
        QCOMPARE(control("Picture1")->geometry().topLeft(), QPoint(0, 0));
        QCOMPARE(control("Picture2")->geometry().topLeft(), QPoint(0, 0));
        QCOMPARE(control("Picture1")->width(), 539);
        QCOMPARE(control("Picture2")->width(), 539);
        QVERIFY(control("Picture1")->isVisible());
        QVERIFY(!control("Picture2")->isVisible());
        QCOMPARE(control<QLabel>("lblCount")->text(), QStringLiteral("0"));
        QVERIFY(control<QLabel>("warten")->text().isEmpty());
        QCOMPARE(control<QLineEdit>("txtSearchSpec")->text(),
                 QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*"));
        // Only the English flag can be seen: both lie at one place, it in front.
        QWidget* panel = control("Picture1");
        QCOMPARE(panel->childAt(control("Picture4")->geometry().center()), control("Picture4"));
        QCOMPARE(control("Picture4")->cursor().shape(), Qt::PointingHandCursor);
        QCOMPARE(window->palette().color(QPalette::Window), QColor(192, 192, 192));
        for (const char* name : {"lblCount", "lblCriteria", "lblfound", "Picture1", "Picture2"})
            QCOMPARE(control(name)->palette().color(QPalette::Window), QColor(192, 192, 192));
        QCOMPARE(control<QLabel>("warten")->palette().color(QPalette::WindowText), QColor(255, 0, 0));
        QCOMPARE(fileListEntries(),
                 (QStringList{QStringLiteral("a.htm"), QStringLiteral("b.htm"), QStringLiteral("c.htm")}));
        QCOMPARE(QApplication::focusWidget(), control("cmdSearch"));
        QStringList menu;
        for (const QAction* entry : window->menuBar()->actions())
            menu << entry->text();
        QCOMPARE(menu, (QStringList{QStringLiteral("Browser &wählen"), QStringLiteral("&Prüfen"),
                                    QStringLiteral("&Nummerieren"), QStringLiteral("&Importieren…"),
                                    QStringLiteral("E&xportieren…"), QStringLiteral("&?")}));
    }

    // The window finds its controls by the names they were made with: each row of the control table
    // must name one control, in the row's container at the row's place.
    void everyTableRowNamesOneControlInPlace()
    {
        for (const ControlEntry& entry : controlTable()) {
            const QString name = QString::fromLatin1(entry.name);
            QCOMPARE(window->findChildren<QWidget*>(name).size(), 1);
            const QString container =
                *entry.container ? QString::fromLatin1(entry.container) : QStringLiteral("client");
            QCOMPARE(control(entry.name)->parentWidget()->objectName(), container);
            // The two panels are moved to the top left corner at start-up.
            if (!name.startsWith(QStringLiteral("Picture")) || *entry.container)
                QCOMPARE(control(entry.name)->geometry(), twipsToPixels(entry));
        }
    }

    void languageRoundTrip()
    {
        auto captions = [this] {
            return QStringList{window->windowTitle(),
                               control<QLabel>("lblCriteria")->text(),
                               control<QLabel>("lblfound")->text(),
                               control<QPushButton>("aktion")->text(),
                               control<QPushButton>("cmdSearch")->text(),
                               control<QPushButton>("cmdExit")->text(),
                               window->menuBar()->actions()[0]->text(),
                               control<QPushButton>("testen")->text(),
                               window->menuBar()->actions()[1]->text(),
                               window->menuBar()->actions()[2]->text(),
                               window->menuBar()->actions()[3]->text(),
                               window->menuBar()->actions()[4]->text(),
                               control<QLabel>("Label1")->text()};
        };
        auto expected = [](const WindowTexts& t) {
            return QStringList{t.windowTitle, t.lblCriteria,    t.lblfound,          t.txtBearbeiten,
                               t.txtSuchen,   t.txtBeenden,     t.txtBrowserWaehlen, t.txtAnzeigen,
                               t.mnuPruefen,  t.mnuNummerieren, t.mnuImportieren,    t.mnuExportieren,
                               t.txtRechte};
        };
        auto variables = [this] {
            return QStringList{window->txtSuchen,         window->txtNeueSuche,      window->txtBeenden,
                               window->txtAbbrechen,      window->txtBearbeiten,     window->txtAnzeigen,
                               window->txtWarten,         window->txtFertig,         window->msgListeVoll,
                               window->msgStrukturfehler, window->txtBrowserWaehlen, window->msgBrowserFehlt};
        };
        const QStringList englishVariables = {QStringLiteral("&Search"),
                                              QStringLiteral("New &search"),
                                              QStringLiteral("&Exit"),
                                              QStringLiteral("&Cancel"),
                                              QStringLiteral("&Process"),
                                              QStringLiteral("&View"),
                                              QStringLiteral("...wait please"),
                                              QStringLiteral("Done!"),
                                              QStringLiteral("The filelist is filled up. Search canceled."),
                                              QStringLiteral("Bad structure: no anchor before link"),
                                              QStringLiteral("Select Bro&wser"),
                                              QStringLiteral("Before viewing a browser must be selected")};
        QCOMPARE(captions(), expected(WindowTexts::of(Language::German)));
        control<QLabel>("warten")->setText(QStringLiteral("Fertig!"));

        // Qt's own texts, as the file dialogs' column titles, follow the flags.
        const auto sizeColumn = [] { return QFileSystemModel().headerData(1, Qt::Horizontal).toString(); };
        QCOMPARE(sizeColumn(), QStringLiteral("Größe"));
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        QCOMPARE(sizeColumn(), QStringLiteral("Size"));
        QCOMPARE(window->sprache, short(0));
        QCOMPARE(captions(), expected(WindowTexts::of(Language::English)));
        QCOMPARE(variables(), englishVariables);
        QVERIFY(control<QLabel>("warten")->text().isEmpty());
        QVERIFY(!control("Picture4")->isVisible());
        QVERIFY(control("Picture3")->isVisible());
        QCOMPARE(control("testen")->toolTip(), QStringLiteral("HTML anzeigen"));
        QCOMPARE(control("Picture3")->toolTip(), QStringLiteral("Texte in Deutsch"));
        QCOMPARE(window->menuBar()->actions().back()->text(), QStringLiteral("&?"));

        QTest::mouseClick(control("Picture3"), Qt::LeftButton);
        QCOMPARE(window->sprache, short(-1));
        QCOMPARE(captions(), expected(WindowTexts::of(Language::German)));
        QVERIFY(control("Picture4")->isVisible());
        QCOMPARE(sizeColumn(), QStringLiteral("Größe"));

        // Every caption fits its control in both languages.
        for (const WindowTexts* texts :
             {&WindowTexts::of(Language::German), &WindowTexts::of(Language::English)}) {
            QTest::mouseClick(control(texts == &WindowTexts::of(Language::German) ? "Picture3" : "Picture4"),
                              Qt::LeftButton);
            for (const char* name : {"lblCriteria", "lblfound", "aktion", "cmdSearch", "cmdExit", "testen"}) {
                QWidget* widget = control(name);
                QString text = widget->property("text").toString();
                text.remove(u'&');
                QVERIFY2(widget->fontMetrics().horizontalAdvance(text) <= widget->width(), name);
            }
            // No two commands shown at once share an access key.
            QStringList commands;
            for (const QAction* entry : window->menuBar()->actions())
                commands << entry->text();
            for (const char* name : {"aktion", "cmdSearch", "cmdExit", "testen"})
                commands << control<QPushButton>(name)->text();
            QSet<QChar> keys;
            for (const QString& caption : std::as_const(commands))
                keys << caption.at(caption.indexOf(u'&') + 1).toLower();
            QVERIFY2(keys.size() == commands.size(), qPrintable(commands.join(u' ')));
        }
        // A disabled flag ignores clicks.
        QTest::mouseClick(control("Picture3"), Qt::LeftButton);
        control("Picture4")->setEnabled(false);
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        QCOMPARE(window->sprache, short(-1));
    }

    void processSelectedFiles()
    {
        selectFileRows({0, 2}); // a.htm, c.htm
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm"))), verknuepfen(goodKey).text);
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm_bak0"))), goodKey);
        QCOMPARE(test::readAll(path(QStringLiteral("keys/b.htm"))), goodKey);
        QVERIFY(!QFile::exists(path(QStringLiteral("keys/b.htm_bak0"))));
        QCOMPARE(test::readAll(path(QStringLiteral("keys/c.htm"))), badKey);
        QCOMPARE(sink.shown, QStringList{QStringLiteral("Strukturfehler, kein Anker vor Verweis – „Wings red "
                                                        "....2“\n") +
                                         path(QStringLiteral("keys/c.htm")) + QStringLiteral(", Zeile 1")});
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Fertig!"));
        // The file list was read again and shows the new backup.
        QVERIFY(fileListEntries().contains(QStringLiteral("a.htm_bak0")));

        // The done text goes when the Process button loses the focus.
        control("aktion")->setFocus();
        control("cmdExit")->setFocus();
        QTRY_VERIFY(control<QLabel>("warten")->text().isEmpty());

        // In English, by a double click on a file.
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        sink.shown.clear();
        control<QLineEdit>("txtSearchSpec")->setText(QStringLiteral("c.htm"));
        selectFileRows({0});
        doubleClickRow("filList", 0);
        QCOMPARE(sink.shown.value(0),
                 QStringLiteral("Bad structure: no anchor before link – \"Wings red ....2\"\n") +
                     path(QStringLiteral("keys/c.htm")) + QStringLiteral(", line 1"));
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Done!"));

        // Nothing selected: nothing processed, no done text.
        selectFileRows({});
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QVERIFY(control<QLabel>("warten")->text().isEmpty());

        // While a message is open the list follows the disk, and its rows move; every file selected
        // when Process was pressed is processed all the same.
        control<QLineEdit>("txtSearchSpec")->setText(QStringLiteral("0.htm*;c.htm"));
        write(QStringLiteral("keys/0.htm"), goodKey);
        QTRY_COMPARE(fileListEntries().value(0), QStringLiteral("0.htm"));
        selectFileRows({0, 1});
        sink.whileShown = [this] { QTRY_VERIFY(fileListEntries().contains(QStringLiteral("0.htm_bak0"))); };
        sink.shown.clear();
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        sink.whileShown = nullptr;
        QCOMPARE(sink.shown.size(), 1);
        QCOMPARE(test::readAll(path(QStringLiteral("keys/0.htm"))), verknuepfen(goodKey).text);
        QVERIFY(!QFile::exists(path(QStringLiteral("keys/c.htm_bak0"))));
    }

    // A backup among the files to process restores its key: asked once, naming each key, a No
    // changing nothing; a double click asks the same.
    void restoringABackupAsksFirst()
    {
        write(QStringLiteral("keys/a.htm_bak3"), goodKey);
        write(QStringLiteral("keys/b.htm_bak0"), goodKey);
        write(QStringLiteral("keys/a.htm"), "now");
        QTRY_COMPARE(fileListEntries().size(), 5);
        selectFileRows({1, 2, 3}); // a.htm_bak3, b.htm, b.htm_bak0
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(sink.asked,
                 QStringList{path(QStringLiteral("keys/a.htm")) +
                             QStringLiteral(" aus der Sicherung a.htm_bak3 wiederherstellen?\n") +
                             path(QStringLiteral("keys/b.htm")) +
                             QStringLiteral(" aus der Sicherung b.htm_bak0 wiederherstellen?\nDie jetzigen "
                                            "Stände bleiben als Sicherungen erhalten.")});
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm"))), QByteArray("now"));
        QCOMPARE(test::readAll(path(QStringLiteral("keys/b.htm"))), goodKey);
        QVERIFY(control<QLabel>("warten")->text().isEmpty());

        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        sink.asked.clear();
        sink.answer = true;
        selectFileRows({});
        doubleClickRow("filList", 1);
        QCOMPARE(sink.asked, QStringList{QStringLiteral("Restore ") + path(QStringLiteral("keys/a.htm")) +
                                         QStringLiteral(" from the backup a.htm_bak3? The present state is "
                                                        "kept as a backup.")});
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm"))), verknuepfen(goodKey).text);
        // The state before the restore is kept as a backup of its own.
        QVERIFY(std::ranges::any_of(fileListEntries(), [this](const QString& name) {
            return name.startsWith(QStringLiteral("a.htm_bak")) && name != QStringLiteral("a.htm_bak3") &&
                   test::readAll(path(QStringLiteral("keys/") + name)) == "now";
        }));
    }

    // The window's store is the one its services name: a full disk stops Process and renumbering
    // alike, told in the window's language, before anything is replaced.
    void storeFailureIsToldInTheWindowsLanguage()
    {
        FullDisk store;
        SuchenServices withStore = services(QStringLiteral("keys"));
        withStore.store = &store;
        open(withStore);
        const QString key = path(QStringLiteral("keys/a.htm"));
        const auto diskFull = [&key](const KeyFileMessages& messages) {
            return QStringList{errorReportText(messages.failureText({.code = ENOSPC}, key), key)};
        };
        selectFileRows({0});
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(sink.shown, diskFull(KeyFileMessages::of(Language::German)));

        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        sink.shown.clear();
        sink.answer = true;
        selectFileRows({0});
        store.key = gappedKey;
        window->findChild<QAction*>(QStringLiteral("mnuNummerieren"))->trigger();
        sink.answer = false;
        QCOMPARE(sink.shown, diskFull(KeyFileMessages::of(Language::English)));
        QCOMPARE(store.replaced, 0);
    }

    // The check: statistics first, then the findings as rows, errors first, each with the key's line
    // and a caret under the place, even where the line is cut short.
    void checkShowsRowsWithTheirPlace()
    {
        const QByteArray longLine = "<P>#3 " + QByteArray(200, 'p') + " ....9<BR>q ....D</P>\r\n";
        write(QStringLiteral("keys/a.htm"),
              "<P>#1 a ....2<BR>b ....3<BR>c ....A</P>\r\n<P>#2 x ....B<BR>y ....C</P>\r\n" + longLine);
        write(QStringLiteral("keys/b.htm"), "");
        QAction* check = window->findChild<QAction*>(QStringLiteral("mnuPruefen"));
        selectFileRows({});
        check->trigger();
        QCOMPARE(sink.shown, QStringList{QStringLiteral("Es ist keine Datei ausgewählt.")});

        selectFileRows({0});
        check->trigger();
        auto* dialog = window->findChild<QDialog*>(QStringLiteral("CheckDialog"));
        QVERIFY(dialog && dialog->isVisible());
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Prüfen – ") + path(QStringLiteral("keys/a.htm")));
        const QString report = dialog->findChild<QPlainTextEdit*>()->toPlainText();
        const QStringList lines = report.split(u'\n');
        QVERIFY2(!report.contains(path(QStringLiteral("keys/a.htm"))), qPrintable(report));
        QVERIFY2(lines.value(0).startsWith(QStringLiteral("Einträge:")) && lines.value(0).endsWith(u" 3"),
                 qPrintable(report));
        static const QRegularExpression rowPattern(QStringLiteral("^ *(\\d+)  (Fehler|Warnung) +(.+)$"));
        QStringList rows;
        for (qsizetype at = 0; at < lines.size(); ++at) {
            const QRegularExpressionMatch row = rowPattern.match(lines.at(at));
            if (!row.hasMatch())
                continue;
            rows << row.captured(1) + u' ' + row.captured(2);
            const QString source = lines.value(at + 1);
            const QString caretLine = lines.value(at + 2);
            const qsizetype caret = caretLine.indexOf(u'^');
            QCOMPARE(caretLine.trimmed(), QStringLiteral("^"));
            const QString marked = source.mid(caret);
            // A long line is cut short around the place; a short one stands whole.
            QVERIFY2(row.captured(1) == u"3"
                         ? marked.startsWith(u"...9<BR>q") && source.contains(u'…')
                         : marked.startsWith(u"#1 a ....2") &&
                               source.trimmed() == u"<P>#1 a ....2<BR>b ....3<BR>c ....A</P>",
                     qPrintable(source + u'\n' + caretLine));
        }
        QCOMPARE(rows, (QStringList{QStringLiteral("3 Fehler"), QStringLiteral("1 Warnung")}));
        QTest::mouseClick(dialog->findChild<QPushButton*>(QStringLiteral("copy")), Qt::LeftButton);
        QCOMPARE(QGuiApplication::clipboard()->text(),
                 dialog->windowTitle() + QStringLiteral("\n\n") + report);
        QTest::keyClick(dialog, Qt::Key_Escape);
        QTRY_VERIFY(!window->findChild<QDialog*>(QStringLiteral("CheckDialog")));

        // Several files: each path once, above its part; an empty file has no key rather than no
        // findings.
        selectFileRows({1, 2}); // b.htm, c.htm
        check->trigger();
        dialog = window->findChild<QDialog*>(QStringLiteral("CheckDialog"));
        QCOMPARE(dialog->windowTitle(), QStringLiteral("Prüfen – 2 Dateien"));
        const QString both = dialog->findChild<QPlainTextEdit*>()->toPlainText();
        QCOMPARE(both.count(path(QStringLiteral("keys/b.htm"))), 1);
        QCOMPARE(both.count(path(QStringLiteral("keys/c.htm"))), 1);
        const QString emptyPart = both.section(path(QStringLiteral("keys/b.htm")), 1)
                                      .section(path(QStringLiteral("keys/c.htm")), 0, 0);
        QVERIFY2(emptyPart.contains(QStringLiteral("Keine Bestimmungstabelle in dieser Datei gefunden")) &&
                     !emptyPart.contains(QStringLiteral("Einträge")) &&
                     !emptyPart.contains(QStringLiteral("Keine Auffälligkeiten")),
                 qPrintable(both));
        dialog->close();
    }

    void renumberNamesTheFilesAndSaysWhenNothingChanged()
    {
        QAction* renumber = window->findChild<QAction*>(QStringLiteral("mnuNummerieren"));
        const QByteArray numbered = "<P>#4 a ....9<BR>4* b ....X</P>\n<P>#9 c ....Y<BR>d ....Z</P>\n";
        write(QStringLiteral("keys/a.htm"), numbered);
        selectFileRows({0});
        sink.answer = false;
        renumber->trigger();
        QCOMPARE(sink.asked, QStringList{QStringLiteral("„%1“ neu nummerieren? Von der Datei bleibt eine "
                                                        "Sicherungskopie daneben.")
                                             .arg(path(QStringLiteral("keys/a.htm")))});
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm"))), numbered);
        sink.answer = true;
        renumber->trigger();
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm"))),
                 QByteArray("<P>#1 a ....2<BR>1* b ....X</P>\n<P>#2 c ....Y<BR>d ....Z</P>\n"));
        QCOMPARE(test::readAll(path(QStringLiteral("keys/a.htm_bak0"))), numbered);
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Fertig!"));
        QVERIFY(sink.shown.isEmpty());

        // Numbers used twice: refused, and the message says that the key stayed as it was.
        const QByteArray twice = "<P>#1 a ....2<BR>b ....2</P>\n<P>#2 c ....A<BR>d ....B</P>\n"
                                 "<P>#2 e ....C<BR>f ....D</P>\n";
        write(QStringLiteral("keys/b.htm"), twice);
        selectFileRows({2, 3}); // a.htm_bak0 stands at 1 now
        renumber->trigger();
        sink.answer = false;
        QVERIFY2(sink.asked.last().startsWith(QStringLiteral("Diese 2 Dateien neu nummerieren?")) &&
                     sink.asked.last().endsWith(path(QStringLiteral("keys/b.htm")) + u'\n' +
                                                path(QStringLiteral("keys/c.htm"))),
                 qPrintable(sink.asked.last()));
        QCOMPARE(test::readAll(path(QStringLiteral("keys/b.htm"))), twice);
        QVERIFY(!QFile::exists(path(QStringLiteral("keys/b.htm_bak0"))));
        QVERIFY2(!sink.shown.isEmpty() &&
                     sink.shown.first().endsWith(QStringLiteral("\n\nEs wurde nichts geändert.")),
                 qPrintable(sink.shown.join(u'|')));
    }

    // The real message boxes: every button in the window's language.
    void boxesSpeakTheWindowsLanguage()
    {
        SuchenServices realBoxes = services(QStringLiteral("keys"));
        realBoxes.messages = nullptr;
        open(realBoxes);
        QAction* renumber = window->findChild<QAction*>(QStringLiteral("mnuNummerieren"));
        QStringList seen;
        QTimer poll;
        connect(&poll, &QTimer::timeout, this, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (!box)
                return;
            QStringList buttons;
            for (QAbstractButton* button : box->buttons())
                buttons << button->text();
            buttons.sort();
            seen << buttons.join(u'/');
            QAbstractButton* no = box->button(QMessageBox::No);
            (no ? no : box->button(QMessageBox::Ok))->click();
        });
        poll.start(10);
        selectFileRows({});
        renumber->trigger(); // nothing chosen: a message
        selectFileRows({0});
        renumber->trigger(); // a question
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        renumber->trigger();
        poll.stop();
        QCOMPARE(seen,
                 (QStringList{QStringLiteral("OK"), QStringLiteral("Ja/Nein"), QStringLiteral("No/Yes")}));
    }

    void listsFollowOneAnother()
    {
        auto* dirs = control<QListView>("dirList");
        // The folder list shows the ancestors, the open folder, then its subfolders.
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys")));
        QCOMPARE(window->directories().subdirectoryCount(), 1);
        const int beetlesRow = dirs->model()->rowCount() - 1;
        doubleClickRow("dirList", beetlesRow);
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys/Beetles")));
        QCOMPARE(fileListEntries(), QStringList{QStringLiteral("d.html")});

        // A highlighted folder opens when the list loses the focus.
        const int parentRow = window->directories().row(-2);
        dirs->setFocus();
        clickRow("dirList", parentRow);
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys/Beetles")));
        control("cmdExit")->setFocus();
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys")));
        QCOMPARE(fileListEntries().size(), 3);

        // The pattern box filters at every keystroke; its whole text is selected when it gets the focus.
        auto* pattern = control<QLineEdit>("txtSearchSpec");
        pattern->setFocus();
        QCOMPARE(pattern->selectedText(), pattern->text());
        QTest::keyClicks(pattern, QStringLiteral("a*"));
        QCOMPARE(fileListEntries(), QStringList{QStringLiteral("a.htm")});
        QTest::keyClicks(pattern, QStringLiteral(";*.txt"));
        QCOMPARE(fileListEntries(), (QStringList{QStringLiteral("a.htm"), QStringLiteral("notes.txt")}));
        QTest::keyClick(pattern, Qt::Key_Backspace);
        QCOMPARE(fileListEntries(), QStringList{QStringLiteral("a.htm")});
        // The whole pattern stands in the tooltip; leaving the box shows it from its start.
        QCOMPARE(pattern->toolTip(), QStringLiteral("a*;*.tx"));
        QVERIFY(pattern->cursorPosition() > 0);
        control("cmdExit")->setFocus();
        QCOMPARE(pattern->cursorPosition(), 0);

        // The file list passes the focus on to the Process button.
        control("filList")->setFocus();
        QCOMPARE(QApplication::focusWidget(), control("aktion"));
    }

    // Process, then View, with the keyboard; the list follows the disk; only leaving a control for
    // another control of the window counts, not a switch to another program.
    void everydayFlow()
    {
        window->browserPfad = QStringLiteral("/usr/bin/browser");
        QWidget elsewhere; // another program's window
        const auto switchAwayAndBack = [&] {
            elsewhere.show();
            QApplication::setActiveWindow(&elsewhere);
            QApplication::setActiveWindow(window.get());
        };

        clickRow("filList", 0);
        QTest::keyClick(window.get(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(control<QLabel>("warten")->text(), QStringLiteral("Fertig!"));
        QVERIFY(fileListEntries().contains(QStringLiteral("a.htm_bak0")));
        switchAwayAndBack();
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Fertig!"));
        QTest::keyClick(window.get(), Qt::Key_Z, Qt::AltModifier);
        QTRY_COMPARE(int(launcher.started.size()), 1);
        QCOMPARE(launcher.started[0].argument, path(QStringLiteral("keys/a.htm")));

        // Files come and go on disk without any input; the chosen file stays chosen.
        write(QStringLiteral("keys/new.htm"), goodKey);
        QVERIFY(QFile::remove(path(QStringLiteral("keys/b.htm"))));
        QTRY_COMPARE(fileListEntries(), (QStringList{QStringLiteral("a.htm"), QStringLiteral("a.htm_bak0"),
                                                     QStringLiteral("c.htm"), QStringLiteral("new.htm")}));
        const auto* files = control<QListView>("filList");
        QCOMPARE(files->currentIndex().row(), 0);
        QCOMPARE(files->selectionModel()->selectedRows().size(), 1);
        QVERIFY(files->selectionModel()->isRowSelected(0));

        // A folder highlighted with the arrow keys opens when Tab leaves the list, not before.
        auto* dirs = control<QListView>("dirList");
        dirs->setFocus(Qt::MouseFocusReason);
        QTest::keyClick(dirs, Qt::Key_Down); // from the open folder to its subfolder
        switchAwayAndBack();
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys")));
        QTest::keyClick(dirs, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), control("drvList"));
        QCOMPARE(window->directories().path(), path(QStringLiteral("keys/Beetles")));
    }

    // Shift+Tab goes the way of Tab backwards, on either panel; the file list and the found list
    // hand the focus on to Process and are no stops of their own.
    void tabAndShiftTabAreOneCycle()
    {
        const auto cycle = [this](bool forwards) {
            QStringList names;
            control("cmdSearch")->setFocus();
            for (int step = 0; step < 12; ++step) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab,
                                forwards ? Qt::NoModifier : Qt::ShiftModifier);
                names << QApplication::focusWidget()->objectName();
                if (names.last() == u"cmdSearch")
                    break;
            }
            return names;
        };
        const auto reversed = [](QStringList names) {
            names.removeLast(); // back at Search
            std::reverse(names.begin(), names.end());
            return names << QStringLiteral("cmdSearch");
        };
        const QStringList browsing = cycle(true);
        QCOMPARE(browsing,
                 (QStringList{QStringLiteral("cmdExit"), QStringLiteral("txtSearchSpec"),
                              QStringLiteral("dirList"), QStringLiteral("drvList"), QStringLiteral("aktion"),
                              QStringLiteral("testen"), QStringLiteral("cmdSearch")}));
        QCOMPARE(cycle(false), reversed(browsing));

        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton); // the found panel
        const QStringList found = cycle(true);
        QCOMPARE(found, (QStringList{QStringLiteral("cmdExit"), QStringLiteral("aktion"),
                                     QStringLiteral("testen"), QStringLiteral("cmdSearch")}));
        QCOMPARE(cycle(false), reversed(found));
    }

    void keysAndExit()
    {
        QSignalSpy search(control<QPushButton>("cmdSearch"), &QPushButton::clicked);
        QSignalSpy process(control<QPushButton>("aktion"), &QPushButton::clicked);
        control("txtSearchSpec")->setFocus();
        QTest::keyClick(window.get(), Qt::Key_Return);
        QCOMPARE(search.count(), 1);
        control("aktion")->setFocus();
        QTest::keyClick(window.get(), Qt::Key_Return);
        QCOMPARE(search.count(), 1);
        QCOMPARE(process.count(), 1);
        // Access keys press their button (with the short delay of a visible press).
        QTest::keyClick(window.get(), Qt::Key_B, Qt::AltModifier);
        QTRY_COMPARE(process.count(), 2);
        QSignalSpy browserMenu(window->menuBar()->actions()[0], &QAction::triggered);
        QTest::keyClick(window.get(), Qt::Key_W, Qt::AltModifier);
        QTRY_COMPARE(browserMenu.count(), 1);

        QCOMPARE(endCalls, 0);
        QTest::mouseClick(control("cmdExit"), Qt::LeftButton);
        QCOMPARE(endCalls, 1);
        window->close();
        QCOMPARE(endCalls, 2);
    }
};

QTEST_MAIN(SuchenTest)
#include "SuchenTest.moc"
