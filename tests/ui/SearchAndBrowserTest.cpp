#include <QAction>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include "DirectoryListModel.h"
#include "FoundListModel.h"
#include "ProfileFile.h"
#include "Suchen.h"
#include "TestDir.h"
#include "WindowTestSupport.h"
#include "WindowTexts.h"

using namespace keylinker;
using Stage = WindowMode::Stage;

namespace {

WindowMode keys(Stage stage)
{
    return {stage, WindowMode::Purpose::ProcessKeys};
}

WindowMode choosing(Stage stage)
{
    return {stage, WindowMode::Purpose::ChooseBrowser};
}

} // namespace

class SearchAndBrowserTest : public QObject, public test::WindowFixture
{
    Q_OBJECT

private:
    QStringList found() const { return window->found().entries(); }
    QString caption(const char* name) const { return control<QPushButton>(name)->text(); }
    QAction* menu(int index) const { return window->menuBar()->actions().at(index); }
    QAction* help() const { return window->menuBar()->actions().constLast(); }
    /// The Search button and every menu entry: what a running walk disables.
    QObjectList commands() const
    {
        QObjectList all{control("cmdSearch")};
        for (QAction* entry : window->menuBar()->actions())
            all << entry;
        return all;
    }
    void useBrowser(const QString& browser)
    {
        ProfileFile(path(QStringLiteral("config/Dichotab.ini")))
            .setini(QStringLiteral("allgemein"), QStringLiteral("browser"), browser);
    }

private Q_SLOTS:
    void init()
    {
        QVERIFY(root.isValid());
        // R with A (holding A1) and B, each with a key and a file the pattern leaves out.
        for (const char* folder : {"R", "R/A", "R/A/A1", "R/B"}) {
            write(QStringLiteral("%1/key.htm").arg(QLatin1StringView(folder)), "#1 x");
            write(QStringLiteral("%1/notes.txt").arg(QLatin1StringView(folder)), "x");
        }
        write(QStringLiteral("R/B/Second.HTML"), "#1 x");
        // Programs, and a text file named like one, which is no browser.
        for (const char* program : {"usr/bin/firefox", "usr/lib/firefox-esr"}) {
            write(QLatin1StringView(program), "#!/bin/sh\n");
            QVERIFY(QFile::setPermissions(path(QLatin1StringView(program)),
                                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner));
        }
        write(QStringLiteral("usr/share/lintian/overrides/chromium"), "chromium: some-tag\n");
        write(QStringLiteral("installed/dichotabd.html"), "<P>Hilfe</P>");
        write(QStringLiteral("installed/dichotabe.html"), "<P>Help</P>");
        sink.shown.clear();
        launcher.started.clear();
        launcher.failure.clear();
    }

    void cleanup() { closeAndEmpty(); }

    void searchFindsDepthFirstAndNextClickResets()
    {
        open(services(QStringLiteral("R")));
        QSignalSpy inserted(&window->found(), &QAbstractItemModel::rowsInserted);
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        const QString r = path(QStringLiteral("R"));
        QCOMPARE(found(), (QStringList{r + QStringLiteral("/B/key.htm"), r + QStringLiteral("/B/Second.HTML"),
                                       r + QStringLiteral("/A/A1/key.htm"), r + QStringLiteral("/A/key.htm"),
                                       r + QStringLiteral("/key.htm")}));
        // Shown in batches as the count is raised, not a row at a time.
        QVERIFY(!inserted.isEmpty() && inserted.count() < found().size());
        QCOMPARE(control<QLabel>("lblCount")->text(), QStringLiteral(" 5"));
        QVERIFY(control("Picture2")->isVisible());
        QVERIFY(!control("Picture1")->isVisible());
        QCOMPARE(caption("cmdSearch"), QStringLiteral("Neue &Suche"));
        QCOMPARE(caption("cmdExit"), QStringLiteral("B&eenden"));
        QCOMPARE(QApplication::focusWidget(), control("cmdSearch"));
        for (const char* name : {"aktion", "testen", "Picture3", "Picture4"})
            QVERIFY2(control(name)->isEnabled(), name);
        QVERIFY(control<QLabel>("warten")->text().isEmpty());
        QCOMPARE(window->altesVerzeichnis, r);

        // The next click only resets.
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QVERIFY(found().isEmpty());
        QCOMPARE(control<QLabel>("lblCount")->text(), QStringLiteral("0"));
        QVERIFY(control("Picture1")->isVisible());
        QVERIFY(!control("Picture2")->isVisible());
        QCOMPARE(caption("cmdSearch"), QStringLiteral("&Suche"));
        QCOMPARE(window->directories().path(), r);
        QCOMPARE(QApplication::focusWidget(), control("txtSearchSpec"));

        // A highlighted folder is opened by the first click and searched by the second.
        window->directories().setCurrentIndex(1); // the second subfolder, B
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QCOMPARE(window->directories().path(), r + QStringLiteral("/B"));
        QVERIFY(found().isEmpty());
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QCOMPARE(found(),
                 (QStringList{r + QStringLiteral("/B/key.htm"), r + QStringLiteral("/B/Second.HTML")}));

        // Processing from the found list shows the backup it made there, counted.
        write(QStringLiteral("R/B/key.htm"),
              "<P>#1 Wings red ....2<BR>Wings blue ....3</P><P>#2 x</P><P>#3 y</P>");
        clickRow("lstFoundFiles", 0);
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(found().value(2), r + QStringLiteral("/B/key.htm_bak0"));
        QCOMPARE(control<QLabel>("lblCount")->text(), QStringLiteral(" 3"));
        QTest::mouseClick(control("aktion"), Qt::LeftButton); // unchanged now: no second row for it
        QCOMPARE(found().size(), 3 + int(QFile::exists(r + QStringLiteral("/B/key.htm_bak1"))));
    }

    void cancelAndFullListEndTheSearch()
    {
        SuchenServices small = services(QStringLiteral("R"));
        small.foundCapacity = 2;
        open(small);
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QCOMPARE(found().size(), 2);
        QCOMPARE(sink.shown,
                 QStringList{QStringLiteral("Das Listenfeld ist voll. Die Suche wird abgebrochen.")});
        QCOMPARE(window->mode(), keys(Stage::Found));

        // Cancel, clicked while the walk lets the window's events run at its first folder.
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        bool cancelled = false;
        QTimer::singleShot(0, this, [&] {
            QCOMPARE(caption("cmdExit"), QStringLiteral("&Abbrechen"));
            QVERIFY(!control("aktion")->isEnabled());
            QVERIFY(!menu(1)->isEnabled() && !menu(2)->isEnabled()); // check and renumber wait too
            QCOMPARE(window->suchLaeuft, short(-1));
            QTest::mouseClick(control("cmdExit"), Qt::LeftButton);
            cancelled = true;
        });
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QVERIFY(cancelled);
        QCOMPARE(endCalls, 0);
        QVERIFY(found().isEmpty());
        QCOMPARE(window->suchLaeuft, short(0));
        QCOMPARE(window->mode(), keys(Stage::Found));
        QVERIFY(control("aktion")->isEnabled());

        // Where the count stands, the cancelled search says so, in the window's language; the next
        // search shows the count again.
        auto* cancelledText = control<QLabel>("lblAbbruch");
        const QLabel* count = control<QLabel>("lblCount");
        QVERIFY(cancelledText->isVisible());
        QCOMPARE(cancelledText->text(), QStringLiteral("Suche abgebrochen – 0 Dateien gefunden"));
        QCOMPARE(cancelledText->parentWidget()->childAt(count->geometry().center()), cancelledText);
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        QCOMPARE(cancelledText->text(), QStringLiteral("Search cancelled – 0 files found"));
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton); // New search
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QVERIFY(!cancelledText->isVisible());
        QCOMPARE(count->text(), QStringLiteral(" 2"));
    }

    // Files whose paths are too long to be opened are not listed, but counted and named at the end.
    void filesTooDeepAreCountedAndNamedAtTheEnd()
    {
        const std::optional<QString> shallow = test::makeTooDeepTree(path(QStringLiteral("R/B")));
        QVERIFY(shallow.has_value());
        open(services(QStringLiteral("R")));
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        QVERIFY(found().contains(*shallow));
        QCOMPARE(found().size(), 6);
        QCOMPARE(sink.shown, QStringList{QStringLiteral("3 Dateien lagen zu tief, um gelesen zu werden")});
        QVERIFY(test::removeTree(path(QStringLiteral("R/B"))));
    }

    // Search, Cancel, New search, a browser choice and its OK, in either language: the handlers follow
    // the mode, whatever the captions read.
    void modesOfSearchAndChoiceInBothLanguages()
    {
        open(services(QStringLiteral("R")));
        const auto walkThrough = [this] {
            QCOMPARE(window->mode(), keys(Stage::Browsing));
            bool cancelled = false;
            QTimer::singleShot(0, this, [&] {
                QCOMPARE(window->mode(), keys(Stage::Searching));
                QTest::mouseClick(control("cmdExit"), Qt::LeftButton);
                QCOMPARE(window->mode(), keys(Stage::Stopping));
                cancelled = true;
            });
            QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
            QVERIFY(cancelled);
            QCOMPARE(window->mode(), keys(Stage::Found));
            QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
            QCOMPARE(window->mode(), keys(Stage::Browsing));

            bool searched = false;
            QTimer::singleShot(0, this, [&] {
                QCOMPARE(window->mode(), choosing(Stage::Searching));
                searched = true;
            });
            menu(0)->trigger();
            QVERIFY(searched);
            QCOMPARE(window->mode(), choosing(Stage::Found));
            clickRow("lstFoundFiles", 1);
            QTest::mouseClick(control("aktion"), Qt::LeftButton);
            QCOMPARE(window->mode(), keys(Stage::Browsing));
            QCOMPARE(window->browserPfad, path(QStringLiteral("usr/bin/firefox")));
        };
        walkThrough();
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        window->browserPfad.clear();
        walkThrough();
        QCOMPARE(window->sprache, short(0));
    }

    // Escape is the way out: of a running search (with the commands it would ignore shown disabled
    // meanwhile), then of the pending browser choice, which stores nothing.
    void escapeEndsSearchAndChoice()
    {
        SuchenServices noBrowsers = services(QStringLiteral("R"));
        noBrowsers.browserSearchFolder = path(QStringLiteral("R"));
        // What the search would find without Escape.
        write(QStringLiteral("R/A/firefox"), "#!/bin/sh\n");
        QVERIFY(
            QFile::setPermissions(path(QStringLiteral("R/A/firefox")), QFile::ReadOwner | QFile::ExeOwner));
        open(noBrowsers);
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        bool escaped = false;
        QTimer::singleShot(0, this, [&] {
            for (QObject* command : commands())
                QVERIFY(!command->property("enabled").toBool());
            QTest::keyClick(window.get(), Qt::Key_Escape);
            escaped = true;
        });
        menu(0)->trigger();
        QVERIFY(escaped);
        QVERIFY(found().isEmpty());
        QCOMPARE(window->mode(), choosing(Stage::Found));
        for (QObject* command : commands())
            QVERIFY(command->property("enabled").toBool());
        QCOMPARE(
            sink.shown,
            QStringList{
                WindowTexts::of(Language::English).msgKeinBrowserGefunden.arg(path(QStringLiteral("R")))});

        QTest::keyClick(window.get(), Qt::Key_Escape);
        QCOMPARE(window->mode(), keys(Stage::Browsing));
        QCOMPARE(control<QLineEdit>("txtSearchSpec")->text(),
                 QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*"));
        QVERIFY(window->browserPfad.isEmpty());
        QVERIFY(!QFile::exists(path(QStringLiteral("config/Dichotab.ini"))));
    }

    void browserIsChosenFromTheFoundListAndRemembered()
    {
        open(services(QStringLiteral("R")));
        menu(0)->trigger();
        QCOMPARE(window->mode(), choosing(Stage::Found));
        QVERIFY(control<QLineEdit>("txtSearchSpec")
                    ->text()
                    .startsWith(QStringLiteral("firefox;firefox-esr;chromium")));
        const QString firefox = path(QStringLiteral("usr/bin/firefox"));
        QCOMPARE(found(), (QStringList{path(QStringLiteral("usr/lib/firefox-esr")), firefox}));
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Browser auswählen und OK drücken"));
        QCOMPARE(window->altesVerzeichnis, path(QStringLiteral("R")));

        // A switch of language keeps the pending choice, and its caption.
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton); // back to the browse panel
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        QCOMPARE(window->mode(), choosing(Stage::Browsing));
        QCOMPARE(caption("aktion"), QStringLiteral("&OK"));
        QTest::mouseClick(control("Picture3"), Qt::LeftButton);

        // Chosen in the found list by a double click; the desktop's opener stands first.
        write(QStringLiteral("usr/bin/xdg-open"), "#!/bin/sh\n");
        QVERIFY(QFile::setPermissions(path(QStringLiteral("usr/bin/xdg-open")),
                                      QFile::ReadOwner | QFile::ExeOwner));
        menu(0)->trigger();
        QCOMPARE(found(), (QStringList{path(QStringLiteral("usr/bin/xdg-open")),
                                       path(QStringLiteral("usr/lib/firefox-esr")), firefox}));
        doubleClickRow("lstFoundFiles", 2);
        QCOMPARE(window->browserPfad, firefox);
        QCOMPARE(control<QLabel>("warten")->text(), QStringLiteral("Gespeicherter Browser: firefox"));
        QCOMPARE(ProfileFile(path(QStringLiteral("config/Dichotab.ini")))
                     .ini(QStringLiteral("allgemein"), QStringLiteral("browser"), QString()),
                 firefox);
        QCOMPARE(window->mode(), keys(Stage::Browsing));
        QCOMPARE(control<QLineEdit>("txtSearchSpec")->text(),
                 QStringLiteral("*.htm;*.html;*.htm_bak*;*.html_bak*"));
        QVERIFY(found().isEmpty());
        QCOMPARE(window->directories().path(), path(QStringLiteral("R")));
        QVERIFY(sink.shown.isEmpty());

        // A new window reads it back.
        open(services(QStringLiteral("R")));
        QCOMPARE(window->browserPfad, firefox);
    }

    void browserIsChosenFromTheFileList()
    {
        open(services(QStringLiteral("R")));
        menu(0)->trigger();
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton); // reset: browse panel, still choosing
        QCOMPARE(window->mode(), choosing(Stage::Browsing));
        // Nothing current in the file list yet: nothing is stored and the choice stays open.
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(window->mode(), choosing(Stage::Browsing));
        QVERIFY(window->browserPfad.isEmpty());

        window->directories().setPath(path(QStringLiteral("usr/bin")));
        clickRow("filList", 0);
        QTest::mouseClick(control("aktion"), Qt::LeftButton);
        QCOMPARE(window->browserPfad, path(QStringLiteral("usr/bin/firefox")));
        QCOMPARE(window->mode(), keys(Stage::Browsing));
    }

    void viewAndHelpStartTheBrowser()
    {
        const QString browser = path(QStringLiteral("usr/bin/firefox"));
        useBrowser(browser);
        open(services(QStringLiteral("R")));
        QCOMPARE(window->browserPfad, browser);

        // Nothing current: nothing started.
        QTest::mouseClick(control("testen"), Qt::LeftButton);
        QVERIFY(launcher.started.empty());

        clickRow("filList", 0);
        QTest::mouseClick(control("testen"), Qt::LeftButton);
        QCOMPARE(int(launcher.started.size()), 1);
        const QString key = path(QStringLiteral("R/key.htm"));
        QCOMPARE(launcher.started[0].program, browser);
        QCOMPARE(launcher.started[0].argument, key);

        // From the found panel: the entry as it stands.
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);
        clickRow("lstFoundFiles", 2);
        QTest::mouseClick(control("testen"), Qt::LeftButton);
        QCOMPARE(launcher.started.back().argument, path(QStringLiteral("R/A/A1/key.htm")));
        QTest::mouseClick(control("cmdSearch"), Qt::LeftButton);

        // Help: the start folder has no page, so the installed copy, in the window's language.
        help()->trigger();
        QCOMPARE(launcher.started.back().argument, path(QStringLiteral("installed/dichotabd.html")));
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        write(QStringLiteral("R/dichotabe.html"), "<P>Help here</P>");
        help()->trigger();
        QCOMPARE(launcher.started.back().program, browser);
        QCOMPARE(launcher.started.back().argument, path(QStringLiteral("R/dichotabe.html")));

        // A browser that cannot be started: the program and the reason, in the window's language.
        launcher.failure = QStringLiteral("Permission denied");
        const QString textFile = path(QStringLiteral("usr/share/lintian/overrides/chromium"));
        window->browserPfad = textFile;
        help()->trigger();
        window->browserPfad = path(QStringLiteral("usr/bin/gone"));
        help()->trigger();
        QCOMPARE(sink.shown,
                 (QStringList{QStringLiteral("The browser %1 cannot be started: This is not a program "
                                             "that can be run.")
                                  .arg(textFile),
                              QStringLiteral("The browser %1 cannot be started: There is no such file.")
                                  .arg(window->browserPfad)}));
    }

    void missingBrowserLeadsIntoTheChoice()
    {
        open(services(QStringLiteral("R")));
        QTest::mouseClick(control("Picture4"), Qt::LeftButton);
        clickRow("filList", 0);
        QTest::mouseClick(control("testen"), Qt::LeftButton);
        QCOMPARE(sink.shown, QStringList{QStringLiteral("Before viewing a browser must be selected")});
        QVERIFY(launcher.started.empty());
        QCOMPARE(window->mode(), choosing(Stage::Found));
        QCOMPARE(found().size(), 2);
        QCOMPARE(window->altesVerzeichnis, path(QStringLiteral("R")));
    }
};

QTEST_MAIN(SearchAndBrowserTest)
#include "SearchAndBrowserTest.moc"
