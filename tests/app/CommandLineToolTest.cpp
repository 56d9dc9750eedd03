#include "CommandLineTool.h"

#include <algorithm>
#include <cerrno>
#include <memory>
#include <tuple>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QTemporaryDir>

#include "KeyCheckReport.h"
#include "KeyFileStore.h"
#include "KeyRewrite.h"
#include "NativePath.h"
#include "QtPrinters.h"
#include "TestDir.h"

namespace keylinker {
namespace {

const QByteArray goodKey =
    "<P>#1 Wings red ....2<BR>Wings blue ....3</P>\r\n<P>#2 x ....Species A<BR>z ....Species "
    "B</P>\r\n<P>#3 y ....Species C<BR>w ....Species D</P>\r\n";
// Linked, but a lead leads to an entry that is not there.
const QByteArray openKey = "<P>#1 a ....2 b ....3</P>\r\n<P>#2 c ....Species A d ....Species B</P>\r\n";
const QByteArray badKey = "<P>Wings red ....2</P><P>#1 x</P><P>#2 y</P>";
const QByteArray cleanKey = "<P>#1 a ....2 b ....3</P>\r\n<P>#2 c ....Species A d ....Species B</P>\r\n"
                            "<P>#3 e ....Species C f ....Species D</P>\r\n";
// A missing entry, a loop, and an entry that nothing leads to and that has no lead.
const QByteArray faultyKey = "<P>#1 a ....2 b ....7</P>\n<P>#2 c ....2 d ....X</P>\n<P>#4 e</P>\n";

struct ToolRun
{
    ExitStatus status;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& arguments, KeyFileStore* store = nullptr)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    std::unique_ptr<CommandLineTool> tool = store ? std::make_unique<CommandLineTool>(out, err, *store)
                                                  : std::make_unique<CommandLineTool>(out, err);
    const ExitStatus status = tool->run(arguments);
    return {status, out.data(), err.data()};
}

/// Serves one key for every path, though no file holds it, and writes nothing.
class ServingStore final : public KeyFileStore
{
public:
    explicit ServingStore(QByteArray key) : m_key(std::move(key)) {}
    bool lock(const QString&, FileError&) override { return true; }
    void unlock() override {}
    bool read(const QString&, QByteArray& content, FileAccess&, FileError&) override
    {
        content = m_key;
        return true;
    }
    qint64 size(const QString&) override { return m_key.size(); }
    bool writeBackup(const QString&, const QByteArray&, const FileAccess&, FileError& error) override
    {
        error.code = EROFS;
        return false;
    }
    bool replace(const QString&, const QString&, const QByteArray&, const FileAccess&,
                 FileError& error) override
    {
        error.code = EROFS;
        return false;
    }
    void removeBackup(const QString&, const QByteArray&) override {}

private:
    QByteArray m_key;
};

class CommandLineToolTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(test::writeFile(path, content)) << name.toStdString();
        return path;
    }
    static QByteArray read(const QString& path) { return test::readFile(path).value_or("<missing>"); }

    // Some cases name files relative to the current folder; the next test starts where this one did.
    void TearDown() override { QDir::setCurrent(m_startFolder); }

    const QString m_startFolder = QDir::currentPath();
    QTemporaryDir m_dir;
};

TEST_F(CommandLineToolTest, ProcessesEveryFileAndReportsEachMessageOnOneLine)
{
    const QString good = write(QStringLiteral("gut.htm"), goodKey);
    const QString open = write(QStringLiteral("offen.htm"), openKey);
    const QString bad = write(QStringLiteral("schlecht.htm"), badKey);
    const QString missing = m_dir.filePath(QStringLiteral("fehlt.htm"));

    const ToolRun german = runTool({bad, missing, open, good});
    EXPECT_EQ(german.status, exitMessage);
    EXPECT_TRUE(german.out.isEmpty());
    const QList<QByteArray> lines = german.err.split('\n');
    ASSERT_EQ(lines.size(), 4) << german.err.toStdString(); // three lines and the empty rest
    EXPECT_EQ(lines[0],
              (bad + QStringLiteral(":1: Strukturfehler, kein Anker vor Verweis – „Wings red ....2“"))
                  .toLocal8Bit());
    EXPECT_TRUE(lines[1].startsWith((missing + QStringLiteral(": ")).toLocal8Bit()))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].endsWith("Die Datei gibt es nicht")) << lines[1].toStdString();
    // Linked, and said.
    EXPECT_EQ(lines[2], (open + QStringLiteral(": bearbeitet; 1 Fehler bleibt (keylinker-cli --check ") +
                         open + QStringLiteral(" zeigt ihn)"))
                            .toLocal8Bit());
    EXPECT_EQ(read(open), verknuepfen(openKey).text);
    // The run went on after the messages: the last file is rewritten, with its backup beside it.
    EXPECT_EQ(read(good), verknuepfen(goodKey).text);
    EXPECT_EQ(read(good + QStringLiteral("_bak0")), goodKey);
    EXPECT_EQ(read(bad), badKey);
    EXPECT_FALSE(QFile::exists(missing));

    const ToolRun english = runTool({QStringLiteral("--english"), bad});
    EXPECT_EQ(english.err,
              (bad + QStringLiteral(":1: Bad structure: no anchor before link – \"Wings red ....2\"\n"))
                  .toLocal8Bit());

    // Linked already: nothing is written.
    const ToolRun clean = runTool({good});
    EXPECT_EQ(clean.status, exitOk);
    EXPECT_TRUE(clean.err.isEmpty()) << clean.err.toStdString();
    EXPECT_FALSE(QFile::exists(good + QStringLiteral("_bak1")));
}

TEST_F(CommandLineToolTest, PrintWritesTheRewrittenKeyAndChangesNothing)
{
    const QString good = write(QStringLiteral("key.htm"), goodKey);
    const ToolRun printed = runTool({QStringLiteral("--print"), good});
    EXPECT_EQ(printed.status, exitOk);
    EXPECT_EQ(printed.out, verknuepfen(goodKey).text);
    EXPECT_EQ(read(good), goodKey);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("key.htm")});

    const QString bad = write(QStringLiteral("bad.htm"), badKey);
    const ToolRun failed = runTool({QStringLiteral("--english"), QStringLiteral("--print"), bad});
    EXPECT_EQ(failed.status, exitMessage);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_EQ(failed.err,
              (bad + QStringLiteral(":1: Bad structure: no anchor before link – \"Wings red ....2\"\n"))
                  .toLocal8Bit());
}

TEST_F(CommandLineToolTest, CheckWritesOneLinePerFindingInEitherLanguageAndChangesNothing)
{
    // "%2" in the name must come out as it is.
    const QString faulty = write(QStringLiteral("key%2.htm"), faultyKey);
    const QString clean = write(QStringLiteral("clean.htm"), cleanKey);
    const QStringList filesBefore = QDir(m_dir.path()).entryList(QDir::Files);
    const QStringList german = {QStringLiteral("1:18: Fehler: Verweis auf Eintrag 7, den es nicht gibt"),
                                QStringLiteral("2:4: Fehler: Schleife: 2 → 2"),
                                QStringLiteral("2:4: Warnung: Eintrag 2: mehr als ein Verweis führt hierher"),
                                QStringLiteral("3:4: Fehler: Eintrag 4: kein Verweis führt hierher"),
                                QStringLiteral("3:4: Fehler: Eintrag 4 hat keine Alternative")};
    const QStringList english = {QStringLiteral("1:18: error: reference to entry 7, which does not exist"),
                                 QStringLiteral("2:4: error: loop: 2 → 2"),
                                 QStringLiteral("2:4: warning: entry 2: more than one lead leads here"),
                                 QStringLiteral("3:4: error: entry 4: no lead leads here"),
                                 QStringLiteral("3:4: error: entry 4 has no lead")};
    const struct
    {
        QStringList options;
        QStringList places;
    } cases[] = {
        {{QStringLiteral("--check")}, german},
        {{QStringLiteral("--english"), QStringLiteral("--check")}, english},
        {{QStringLiteral("--check"), QStringLiteral("--english")}, english},
    };
    for (const auto& [options, places] : cases) {
        const ToolRun run = runTool(options + QStringList{clean, faulty, clean});
        QString expected;
        for (const QString& place : places)
            expected += faulty + u':' + place + u'\n';
        EXPECT_EQ(run.status, exitMessage);
        EXPECT_EQ(QString::fromUtf8(run.out), expected);
        EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    }

    const ToolRun allClean = runTool({QStringLiteral("--check"), clean, clean});
    EXPECT_EQ(allClean.status, exitOk);
    EXPECT_TRUE(allClean.out.isEmpty() && allClean.err.isEmpty());

    // A file that cannot be read is named on standard error; the next file is still checked.
    const QString missing = m_dir.filePath(QStringLiteral("fehlt.htm"));
    const ToolRun unreadable = runTool({QStringLiteral("--check"), missing, clean});
    EXPECT_EQ(unreadable.status, exitMessage);
    EXPECT_TRUE(unreadable.out.isEmpty());
    EXPECT_EQ(unreadable.err, (missing + QStringLiteral(": Die Datei gibt es nicht\n")).toLocal8Bit());

    EXPECT_EQ(read(faulty), faultyKey);
    EXPECT_EQ(read(clean), cleanKey);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), filesBefore);

    // Warnings alone end with 0, unless --strict makes them count.
    const QString warned =
        write(QStringLiteral("warned.htm"),
              "<P>#1 a ....2<BR>b ....Species A</P>\n<P>#2 c ....Species A<BR>d ....Species B</P>\n");
    EXPECT_EQ(runTool({QStringLiteral("--check"), warned}).status, exitOk);
    const ToolRun strict = runTool({QStringLiteral("--check"), QStringLiteral("--strict"), warned});
    EXPECT_EQ(strict.status, exitMessage);
    EXPECT_TRUE(strict.out.contains("Warnung")) << strict.out.toStdString();
}

// The check, the statistics and the renumbered key read the key through the tool's store, and the
// check and the statistics say what the window's check report of the key says.
TEST(CommandLineTool, CheckStatsAndRenumberedPrintReadThroughTheStoreAndAgreeWithTheWindow)
{
    ServingStore store(faultyKey);
    const QString file = QStringLiteral("/nowhere/key.htm");
    for (const Language language : {Language::German, Language::English}) {
        const QStringList options =
            language == Language::English ? QStringList{QStringLiteral("--english")} : QStringList{};
        const CheckedKeyFile window = KeyCheckReport::forFiles({file}, store, language).constFirst();
        ASSERT_TRUE(window.failure.isEmpty()) << window.failure.toStdString();
        const ToolRun check = runTool(options + QStringList{QStringLiteral("--check"), file}, &store);
        const QStringList lines = QString::fromUtf8(check.out).split(u'\n', Qt::SkipEmptyParts);
        EXPECT_EQ(lines.size(), window.rows.size()) << check.out.toStdString();
        for (const CheckRow& row : window.rows) {
            const QString place = file + u':' + QString::number(row.line) + u':';
            const QString said = QStringLiteral(": ") + row.severity + QStringLiteral(": ") + row.text;
            EXPECT_TRUE(std::any_of(lines.begin(), lines.end(), [&](const QString& line) {
                return line.startsWith(place) && line.endsWith(said);
            })) << said.toStdString();
        }
        const ToolRun stats = runTool(options + QStringList{QStringLiteral("--stats"), file}, &store);
        EXPECT_EQ(QString::fromUtf8(stats.out),
                  file + QStringLiteral(": ") + window.statistics.text(language) + u'\n');
    }
    const ToolRun printed = runTool({QStringLiteral("--renumber"), QStringLiteral("--print"), file}, &store);
    EXPECT_EQ(printed.out, "<P>#1 a ....2 b ....7</P>\n<P>#2 c ....2 d ....X</P>\n<P>#3 e</P>\n");
}

TEST_F(CommandLineToolTest, RenumberWritesAsProcessingDoesOrRefusesWithoutWriting)
{
    const QByteArray key = "<P>#5 a ....9<BR>5* b ....X</P>\n<P>#9 c ....Y<BR>d ....40</P>\n";
    const QByteArray expected = "<P>#1 a ....2<BR>1* b ....X</P>\n<P>#2 c ....Y<BR>d ....40</P>\n";
    const QString file = write(QStringLiteral("key.htm"), key);
    const ToolRun printed = runTool({QStringLiteral("--renumber"), QStringLiteral("--print"), file});
    EXPECT_EQ(printed.status, exitOk);
    EXPECT_EQ(printed.out, expected);
    EXPECT_EQ(read(file), key);

    const ToolRun written = runTool({QStringLiteral("--english"), QStringLiteral("--renumber"), file});
    EXPECT_EQ(written.status, exitOk);
    EXPECT_EQ(written.err,
              (file + QStringLiteral(":2:21: warning: reference to entry 40, which does not exist\n"))
                  .toLocal8Bit());
    EXPECT_EQ(read(file), expected);
    EXPECT_EQ(read(file + QStringLiteral("_bak0")), key);

    const QByteArray twice = "<P>#1 a ....2 b ....X\n<P>#2 c ....X d ....Y\n<P>#2 e\n";
    const QString refused = write(QStringLiteral("twice.htm"), twice);
    const ToolRun none = runTool({QStringLiteral("--renumber"), refused});
    EXPECT_EQ(none.status, exitMessage);
    EXPECT_TRUE(none.err.contains(":2:4: Fehler: Eintrag 2 kommt mehrfach vor")) << none.err.toStdString();
    EXPECT_EQ(read(refused), twice);
    EXPECT_FALSE(QFile::exists(refused + QStringLiteral("_bak0")));
}

TEST_F(CommandLineToolTest, StatsAsLinesOrJson)
{
    const QString clean = write(QStringLiteral("clean.htm"), cleanKey);
    const QString missing = m_dir.filePath(QStringLiteral("fehlt.htm"));
    const ToolRun lines = runTool({QStringLiteral("--english"), QStringLiteral("--stats"), clean, missing});
    EXPECT_EQ(lines.status, exitMessage);
    EXPECT_TRUE(lines.out.startsWith((clean + QStringLiteral(": 3 entries, 6 leads")).toLocal8Bit()));
    EXPECT_TRUE(lines.err.startsWith(missing.toLocal8Bit()));
    const ToolRun json = runTool({QStringLiteral("--stats"), QStringLiteral("--json"), clean, clean});
    EXPECT_EQ(json.status, exitOk);
    const QList<QByteArray> objects = json.out.trimmed().split('\n');
    ASSERT_EQ(objects.size(), 2);
    const QJsonObject object = QJsonDocument::fromJson(objects[0]).object();
    EXPECT_EQ(object.value(QStringLiteral("file")).toString(), clean);
    EXPECT_EQ(object.value(QStringLiteral("taxonLeads")).toInt(), 4);
}

TEST_F(CommandLineToolTest, BadUsageEndsWithStatusTwoAndAUsageLine)
{
    const QString key = write(QStringLiteral("key.htm"), goodKey);
    for (const QStringList& arguments :
         {QStringList{}, QStringList{QStringLiteral("--english")},
          QStringList{QStringLiteral("--frobnicate"), key}, QStringList{QStringLiteral("--print"), key, key},
          QStringList{QStringLiteral("--check")},
          QStringList{QStringLiteral("--check"), QStringLiteral("--print"), key},
          QStringList{QStringLiteral("--find")}, QStringList{QStringLiteral("--find"), m_dir.path(), key},
          QStringList{QStringLiteral("--find"), m_dir.path(), QStringLiteral("--check")},
          QStringList{QStringLiteral("--find"), m_dir.path(), QStringLiteral("--find"), m_dir.path()},
          QStringList{QStringLiteral("--find"), m_dir.path(), QStringLiteral("--pattern")},
          QStringList{QStringLiteral("--find"), m_dir.path(), QStringLiteral("--pattern"),
                      QStringLiteral("*/*.htm")},
          QStringList{QStringLiteral("--pattern"), QStringLiteral("*.htm"), key}}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, exitUsage) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: keylinker-cli")) << run.err.toStdString();
    }
    EXPECT_EQ(read(key), goodKey);
    const ToolRun help = runTool({QStringLiteral("--help")});
    EXPECT_EQ(help.status, exitOk);
    EXPECT_TRUE(help.out.contains("--check [--strict] FILE...")) << help.out.toStdString();
    // A file whose name begins with "-" can still be named after "--".
    const QString dashed = write(QStringLiteral("-key.htm"), goodKey);
    QDir::setCurrent(m_dir.path());
    EXPECT_EQ(runTool({QStringLiteral("--"), QStringLiteral("-key.htm")}).status, exitOk);
    EXPECT_EQ(read(dashed), verknuepfen(goodKey).text);
}

// Each wrong call says what is wrong, naming the option, in the user's language, then how the tool is
// called; --help anywhere before "--" shows the help instead.
TEST_F(CommandLineToolTest, WrongCallsNameTheirFault)
{
    const QString key = write(QStringLiteral("key.htm"), goodKey);
    const QString english = QStringLiteral("--english");
    const struct
    {
        QStringList arguments;
        QString problem;
    } cases[] = {
        {{english, QStringLiteral("--export"), QStringLiteral("text"), QStringLiteral("--export"),
          QStringLiteral("dot"), key},
         QStringLiteral("--export given twice")},
        {{english, QStringLiteral("--import"), key, QStringLiteral("-o"), QStringLiteral("a.htm"),
          QStringLiteral("-o"), QStringLiteral("b.htm")},
         QStringLiteral("-o given twice")},
        {{english, QStringLiteral("--import"), key, QStringLiteral("--title=A"), QStringLiteral("--title"),
          QStringLiteral("B")},
         QStringLiteral("--title given twice")},
        {{english, QStringLiteral("--check"), QStringLiteral("--json"), key},
         QStringLiteral("--json does not go with --check")},
        {{english, QStringLiteral("--relink"), QStringLiteral("--print"), key},
         QStringLiteral("--print does not go with --relink")},
        {{english, QStringLiteral("--no-header"), key}, QStringLiteral("--no-header goes with --export")},
        {{english, QStringLiteral("--stats"), QStringLiteral("--renumber"), key},
         QStringLiteral("--renumber and --stats cannot be combined")},
        {{english, QStringLiteral("--stats"), QStringLiteral("--json=yes"), key},
         QStringLiteral("--json takes no value")},
        {{english, QStringLiteral("--import"), key, QStringLiteral("--title")},
         QStringLiteral("--title needs a value")},
        {{english, QStringLiteral("-x"), key}, QStringLiteral("unknown option -x")},
        {{english, QStringLiteral("--import"), key, key}, QStringLiteral("--import takes exactly one file")},
        {{english, QStringLiteral("--find"), m_dir.path(), key}, QStringLiteral("--find takes no file")},
        {{QStringLiteral("--check"), QStringLiteral("--json"), key},
         QStringLiteral("--json passt nicht zu --check")},
        {{QStringLiteral("--strict"), key}, QStringLiteral("--strict gehört zu --check")},
        {{QStringLiteral("--frobnicate"), key}, QStringLiteral("unbekannte Option --frobnicate")},
    };
    for (const auto& [arguments, problem] : cases) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, exitUsage) << arguments.join(u' ').toStdString();
        const QString err = QString::fromUtf8(run.err);
        EXPECT_TRUE(err.startsWith(QStringLiteral("keylinker-cli: ") + problem + QStringLiteral("\nusage: ")))
            << err.toStdString();
        for (const char* mode : {"--import FILE", "--export keybase|text|dot", "--relink FILE..."})
            EXPECT_TRUE(run.err.contains(mode)) << mode;
    }
    EXPECT_EQ(read(key), goodKey);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("key.htm")});

    const ToolRun help = runTool({QStringLiteral("--help")});
    for (const QStringList& arguments :
         {QStringList{QStringLiteral("--import"), key, QStringLiteral("--help")},
          QStringList{QStringLiteral("--frobnicate"), QStringLiteral("--help")}}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, exitOk);
        EXPECT_EQ(run.out, help.out);
        EXPECT_TRUE(run.err.isEmpty());
    }

    // --relink is a mode of its own; it writes as processing does, and a key without back links to
    // make stays as it is, without a backup.
    EXPECT_EQ(runTool({QStringLiteral("--relink"), key}).status, exitOk);
    EXPECT_EQ(read(key), goodKey);
    EXPECT_EQ(read(key + QStringLiteral("_bak0")), "<missing>");
}

TEST_F(CommandLineToolTest, FindListsTheFilesAsTheWindowsSearchFindsThem)
{
    for (const char* name : {"R/a.htm", "R/b.txt", "R/A/x.html", "R/A/A1/y.HTM_BAK", "R/B/z.html_bak",
                             "R/B/w.htm_bak3", "R/B/k.htm/", "R/.versteckt/v.htm"}) {
        const QString path = m_dir.filePath(QString::fromUtf8(name));
        ASSERT_TRUE(QDir().mkpath(path.endsWith(u'/') ? path : QFileInfo(path).path()));
        if (!path.endsWith(u'/'))
            write(QString::fromUtf8(name), QByteArray());
    }
    const QString root = m_dir.filePath(QStringLiteral("R"));
    const auto lines = [&](const QStringList& names) {
        QByteArray text;
        for (const QString& name : names)
            text += (root + u'/' + name + u'\n').toUtf8();
        return text;
    };

    const ToolRun all = runTool({QStringLiteral("--find"), root});
    EXPECT_EQ(all.status, exitOk);
    EXPECT_EQ(all.out,
              lines({QStringLiteral("B/w.htm_bak3"), QStringLiteral("B/z.html_bak"),
                     QStringLiteral("A/A1/y.HTM_BAK"), QStringLiteral("A/x.html"), QStringLiteral("a.htm")}));
    EXPECT_TRUE(all.err.isEmpty()) << all.err.toStdString();

    const ToolRun other = runTool(
        {QStringLiteral("--pattern"), QStringLiteral("*.txt;*.htm_bak?"), QStringLiteral("--find"), root});
    EXPECT_EQ(other.status, exitOk);
    EXPECT_EQ(other.out, lines({QStringLiteral("B/w.htm_bak3"), QStringLiteral("b.txt")}));

    // A folder named relative to the current one gives full paths all the same.
    QDir::setCurrent(root);
    EXPECT_EQ(runTool({QStringLiteral("--find"), QStringLiteral("./A/../B")}).out,
              lines({QStringLiteral("B/w.htm_bak3"), QStringLiteral("B/z.html_bak")}));

    const QString missing = m_dir.filePath(QStringLiteral("fehlt"));
    const ToolRun notThere = runTool({QStringLiteral("--find"), missing});
    EXPECT_EQ(notThere.status, exitMessage);
    EXPECT_TRUE(notThere.out.isEmpty());
    EXPECT_EQ(notThere.err, (missing + QStringLiteral(": No such file or directory\n")).toUtf8());
    const QString file = root + QStringLiteral("/a.htm");
    EXPECT_EQ(runTool({QStringLiteral("--find"), file}).err,
              (file + QStringLiteral(": Not a directory\n")).toUtf8());

    // A Latin-1 name (byte 0xE4, octal 344) is printed with its own bytes, so it can be opened as printed.
    const QByteArray latin1 = QFile::encodeName(root) + "/B/K\344fer.htm";
    const int fd = ::open(latin1.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);
    EXPECT_EQ(runTool({QStringLiteral("--find"), root + QStringLiteral("/B")}).out,
              latin1 + '\n' + lines({QStringLiteral("B/w.htm_bak3"), QStringLiteral("B/z.html_bak")}));
}

TEST_F(CommandLineToolTest, FindStopsWhenTheListIsFull)
{
    // One file more than the window's found list holds; names of one file, as new files would cost
    // the file system seconds.
    const QString folder = m_dir.filePath(QStringLiteral("voll"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QByteArray first = QFile::encodeName(write(QStringLiteral("voll/f00000.htm"), QByteArray()));
    for (int i = 1; i <= 32767; ++i) {
        const QString name = folder + QStringLiteral("/f%1.htm").arg(i, 5, 10, QChar(u'0'));
        ASSERT_EQ(::link(first.constData(), QFile::encodeName(name).constData()), 0);
    }
    const struct
    {
        QStringList options;
        QString message;
    } cases[] = {
        {{}, QStringLiteral("Das Listenfeld ist voll. Die Suche wird abgebrochen.")},
        {{QStringLiteral("--english")}, QStringLiteral("The filelist is filled up. Search canceled.")},
    };
    for (const auto& [options, message] : cases) {
        const ToolRun run = runTool(options + QStringList{QStringLiteral("--find"), folder});
        EXPECT_EQ(run.status, exitMessage);
        EXPECT_EQ(run.err, (folder + QStringLiteral(": ") + message + u'\n').toUtf8());
        const QList<QByteArray> lines = run.out.split('\n');
        ASSERT_EQ(lines.size(), 32768); // and the empty rest
        EXPECT_EQ(lines.front(), (folder + QStringLiteral("/f00000.htm")).toUtf8());
        EXPECT_EQ(lines.at(32766), (folder + QStringLiteral("/f32766.htm")).toUtf8());
    }
}

TEST_F(CommandLineToolTest, ProgramPassesItsArgumentsAndExitStatus)
{
    const QString bad = write(QStringLiteral("bad.htm"), badKey);
    QProcess process;
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--english"), bad});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitMessage);
    EXPECT_EQ(process.readAllStandardError(),
              (bad + QStringLiteral(":1: Bad structure: no anchor before link – \"Wings red ....2\"\n"))
                  .toLocal8Bit());

    // Findings go to standard output in UTF-8, whatever the arrows and umlauts.
    const QString faulty = write(QStringLiteral("faulty.htm"), faultyKey);
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--check"), faulty});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitMessage);
    const QByteArray out = process.readAllStandardOutput();
    EXPECT_TRUE(out.contains((faulty + QStringLiteral(":2:4: Fehler: Schleife: 2 → 2\n")).toUtf8()))
        << out.toStdString();
    EXPECT_EQ(out.count('\n'), 5);

    // Found paths go out in UTF-8 too.
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(QStringLiteral("Käfer")));
    write(QStringLiteral("Käfer/Rüsselkäfer.htm"), QByteArray());
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--find"), m_dir.path()});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitOk);
    EXPECT_EQ(
        process.readAllStandardOutput(),
        (m_dir.path() + QStringLiteral("/Käfer/Rüsselkäfer.htm\n") + bad + u'\n' + faulty + u'\n').toUtf8());

    // The program as shipped never waits for a test, whatever the environment says.
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("KEYLINKER_PAUSE_BEFORE_REPLACE"), QStringLiteral("1"));
    process.setProcessEnvironment(environment);
    const QString good = write(QStringLiteral("good.htm"), goodKey);
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {good});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitOk);
    EXPECT_TRUE(process.readAllStandardOutput().isEmpty());

    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitOk);
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("keylinker-cli "));
}

// Eight runs at once on one key take turns and every one succeeds: the first links it and keeps its
// backup, the others find it linked and write nothing.
TEST_F(CommandLineToolTest, RunsAtOnceOnOneKeyAllSucceedAndLinkItOnce)
{
    constexpr int runs = 8;
    for (int round = 0; round < 20; ++round) {
        QTemporaryDir dir;
        const QString key = dir.filePath(QStringLiteral("key.htm"));
        const QByteArray original = goodKey + QByteArray::number(round);
        QFile file(key);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(original) == original.size());
        file.close();
        std::vector<std::unique_ptr<QProcess>> processes;
        for (int at = 0; at < runs; ++at) {
            processes.push_back(std::make_unique<QProcess>());
            processes.back()->start(QStringLiteral(KEYLINKER_CLI_PATH), {key});
        }
        for (const auto& process : processes) {
            ASSERT_TRUE(process->waitForFinished());
            EXPECT_EQ(process->exitCode(), exitOk) << process->readAllStandardError().toStdString();
        }
        const QByteArray processed = verknuepfen(original).text;
        EXPECT_EQ(read(key), processed);
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden, QDir::Name);
        ASSERT_EQ(names, (QStringList{QStringLiteral("key.htm"), QStringLiteral("key.htm_bak0")}));
        EXPECT_EQ(read(key + QStringLiteral("_bak0")), original);
    }
}

// A run waits between its read and its replace while the author saves the key (in place, or by an
// editor that writes a new file) and a second run starts: the first writes nothing and says so,
// the second backs up and processes the author's text.
TEST_F(CommandLineToolTest, KeySavedWhileARunWaitsIsNeverLost)
{
    const QByteArray saved = "<P>#1 Wings red ....2</P><P>#2 saved by the author</P>";
    for (const bool newFile : {false, true}) {
        QTemporaryDir dir;
        const QString key = dir.filePath(QStringLiteral("key.htm"));
        {
            QFile file(key);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(goodKey) == goodKey.size());
        }
        QProcess waiting;
        waiting.start(QStringLiteral(KEYLINKER_PAUSING_CLI_PATH), {QStringLiteral("--english"), key});
        ASSERT_TRUE(waiting.waitForReadyRead());
        ASSERT_EQ(waiting.readAllStandardOutput(), "paused\n");

        {
            QFile file(newFile ? key + QStringLiteral(".new") : key);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly) && file.write(saved) == saved.size());
        }
        if (newFile) {
            ASSERT_EQ(::rename(QFile::encodeName(key + QStringLiteral(".new")), QFile::encodeName(key)), 0);
        }
        QProcess second;
        second.start(QStringLiteral(KEYLINKER_CLI_PATH), {key});
        waiting.write("\n");
        ASSERT_TRUE(waiting.waitForFinished() && second.waitForFinished());

        EXPECT_EQ(waiting.exitCode(), exitMessage);
        EXPECT_EQ(waiting.readAllStandardError(),
                  key.toUtf8() +
                      ": The file was changed while it was being processed and was left as it is\n");
        EXPECT_EQ(second.exitCode(), exitOk) << second.readAllStandardError().toStdString();
        EXPECT_EQ(read(key), verknuepfen(saved).text);
        // The refused run took its backup of the old reading away again. A key saved as a new file is
        // not locked by the waiting run, so the second may have come first and taken the next name.
        const QStringList names = QDir(dir.path()).entryList(QDir::Files | QDir::Hidden);
        ASSERT_EQ(names.size(), 2) << names.join(u' ').toStdString();
        EXPECT_TRUE(names.at(1) == QStringLiteral("key.htm_bak0") ||
                    names.at(1) == QStringLiteral("key.htm_bak1"))
            << names.join(u' ').toStdString();
        EXPECT_EQ(read(dir.filePath(names.at(1))), saved);
    }
}

// Names are bytes: a Latin-1 name is printed, checked and processed; a name with a line feed or an
// escape character is written escaped, so each message stays one line.
TEST_F(CommandLineToolTest, NamesThatAreNoUtf8OrHoldControlsWork)
{
    const QByteArray latin = QFile::encodeName(m_dir.path()) + "/K\xe4"
                                                               "fer.htm";
    const QByteArray odd = QFile::encodeName(m_dir.path()) + "/bad\nname\x1b.htm";
    for (const auto& [name, content] : {std::pair{latin, goodKey}, std::pair{odd, badKey}}) {
        const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
        ASSERT_GE(fd, 0);
        ASSERT_EQ(::write(fd, content.constData(), content.size()), content.size());
        ::close(fd);
    }
    // The shell hands the names over as bytes, where QProcess would encode them as UTF-8.
    auto run = [this](const QString& arguments) {
        QProcess shell;
        shell.setWorkingDirectory(m_dir.path()); // an earlier test may have left a removed folder current
        shell.start(QStringLiteral("/bin/sh"),
                    {QStringLiteral("-c"),
                     QStringLiteral("L=\"$(printf 'K\\344fer.htm')\" && O=\"$(printf 'bad\\nname\\033.htm')\""
                                    " && exec \"$1\" --english ") +
                         arguments,
                     QStringLiteral("sh"), QStringLiteral(KEYLINKER_CLI_PATH)});
        EXPECT_TRUE(shell.waitForFinished());
        return std::pair{shell.readAllStandardOutput(), shell.readAllStandardError()};
    };

    EXPECT_EQ(run(QStringLiteral("--print \"$L\"")).first, verknuepfen(goodKey).text);
    const auto [findings, checkErrors] = run(QStringLiteral("--check -- \"$L\" \"$O\""));
    EXPECT_TRUE(checkErrors.isEmpty()) << checkErrors.toStdString();
    for (const QByteArray& line : findings.trimmed().split('\n'))
        EXPECT_TRUE(line.startsWith("K\xe4"
                                    "fer.htm:") ||
                    line.startsWith("bad\\nname\\x1b.htm:"))
            << line.toStdString();
    EXPECT_EQ(run(QStringLiteral("\"$L\" \"$O\"")).second,
              "bad\\nname\\x1b.htm:1: Bad structure: no anchor before link – \"Wings red ....2\"\n");
    QByteArray processed(4096, '\0');
    const int fd = ::open(latin.constData(), O_RDONLY);
    processed.resize(::read(fd, processed.data(), processed.size()));
    ::close(fd);
    EXPECT_EQ(processed, verknuepfen(goodKey).text);
    EXPECT_EQ(::access((latin + "_bak0").constData(), F_OK), 0);
    // QTemporaryDir removes only names it can spell.
    for (const QByteArray& name : {latin, latin + "_bak0", odd, odd + "_bak0"})
        ::unlink(name.constData());
}

// A file with millions of findings lists a thousand of them, then how many more there were; so does
// renumbering, which names what refuses it.
TEST_F(CommandLineToolTest, CheckAndRenumberListAThousandFindingsThenCountTheRest)
{
    QByteArray key;
    for (int entry = 1; entry <= 1500; ++entry)
        key += "<P>#" + QByteArray::number(entry) + " x ....A y ....B</P>\n";
    const QString file = write(QStringLiteral("many.htm"), key);

    const ToolRun checked = runTool({QStringLiteral("--english"), QStringLiteral("--check"), file});

    const QList<QByteArray> lines = checked.out.split('\n');
    ASSERT_EQ(lines.size(), 1002); // a thousand findings, the closing line, and the empty rest
    EXPECT_TRUE(lines.at(999).startsWith(file.toUtf8() + ':'));
    EXPECT_TRUE(lines.at(1000).startsWith(file.toUtf8() + ": ... and ")) << lines.at(1000).toStdString();
    EXPECT_EQ(checked.status, exitMessage);

    const QString twice =
        write(QStringLiteral("twice.htm"), QByteArray("<P>#7 x ....A y ....B</P>\n").repeated(1500));
    for (const QStringList& mode : {QStringList{QStringLiteral("--renumber"), QStringLiteral("--print")},
                                    QStringList{QStringLiteral("--renumber")}}) {
        const ToolRun renumbered =
            runTool(QStringList{QStringLiteral("--english")} + mode + QStringList{twice});
        EXPECT_EQ(renumbered.status, exitMessage);
        const QList<QByteArray> errors = renumbered.err.split('\n');
        ASSERT_EQ(errors.size(), 1002) << mode.join(u' ').toStdString();
        EXPECT_TRUE(errors.at(999).endsWith("error: entry 7 occurs more than once"));
        EXPECT_EQ(errors.at(1000), twice.toUtf8() + ": ... and 500 more findings");
    }
    EXPECT_FALSE(QFile::exists(twice + QStringLiteral("_bak0")));
}

// "--" ends the options in every mode that takes files: a file named like an option is used as a file.
TEST_F(CommandLineToolTest, DoubleDashEndsTheOptionsInEveryMode)
{
    QDir::setCurrent(m_dir.path());
    const QString dashed = QStringLiteral("--english");
    const struct
    {
        QStringList mode;
        ExitStatus status;
        QByteArray out; // what standard output begins with
    } cases[] = {
        {{}, exitOk, {}},
        {{QStringLiteral("--print")}, exitOk, verknuepfen(faultyKey).text},
        {{QStringLiteral("--check")}, exitMessage, "--english:1:18: Fehler: Verweis auf Eintrag 7"},
        {{QStringLiteral("--renumber"), QStringLiteral("--print")},
         exitOk,
         "<P>#1 a ....2 b ....7</P>\n<P>#2 c"},
        {{QStringLiteral("--relink")}, exitOk, {}},
        {{QStringLiteral("--renumber")}, exitOk, {}},
        {{QStringLiteral("--stats")}, exitOk, "--english: 3 Einträge"},
        {{QStringLiteral("--import")}, exitOk, "<HTML>"},
        {{QStringLiteral("--export"), QStringLiteral("keybase")}, exitOk, "from,statement,to\r\n1,a,2"},
    };
    for (const auto& [mode, status, out] : cases) {
        write(dashed, faultyKey);
        const ToolRun run = runTool(mode + QStringList{QStringLiteral("--"), dashed});
        const std::string what = mode.join(u' ').toStdString();
        EXPECT_EQ(run.status, status) << what << ": " << run.err.toStdString();
        EXPECT_TRUE(run.out.startsWith(out)) << what << ": " << run.out.toStdString();
        EXPECT_FALSE(run.err.contains("usage")) << what;
    }
    EXPECT_TRUE(QFile::exists(dashed + QStringLiteral("_bak0"))); // processing, relinking, renumbering wrote
}

// Qt takes options of its own out of the arguments, even after "--"; the program gives it none.
TEST_F(CommandLineToolTest, QtOptionsAfterTheDoubleDashAreFiles)
{
    const QString key = write(QStringLiteral("key.htm"), cleanKey);
    write(QStringLiteral("-qmljsdebugger=port:4711.htm"), faultyKey);
    QProcess process;
    process.setWorkingDirectory(m_dir.path());
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--check"), QStringLiteral("--"), key,
                                                       QStringLiteral("-qmljsdebugger=port:4711.htm")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), exitMessage);
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("-qmljsdebugger=port:4711.htm:1:18: Fehler"));
}

// A name with a line feed is one line with the feed escaped, or with -0 (--print0) the very bytes,
// each path ended by a NUL, as find -print0 writes them.
TEST_F(CommandLineToolTest, FindEscapesControlsOrEndsEachPathWithANul)
{
    write(QStringLiteral("R/zwei\nZeilen.htm"), QByteArray());
    write(QStringLiteral("R/a\\b.htm"), QByteArray());
    const QByteArray root = QFile::encodeName(m_dir.filePath(QStringLiteral("R")));
    const ToolRun lines = runTool({QStringLiteral("--find"), m_dir.filePath(QStringLiteral("R"))});
    EXPECT_EQ(lines.status, exitOk);
    EXPECT_EQ(lines.out, root + "/a\\\\b.htm\n" + root + "/zwei\\nZeilen.htm\n");
    for (const QString& option : {QStringLiteral("-0"), QStringLiteral("--print0")}) {
        const ToolRun nul = runTool({QStringLiteral("--find"), m_dir.filePath(QStringLiteral("R")), option});
        EXPECT_EQ(nul.status, exitOk);
        EXPECT_EQ(nul.out, root + "/a\\b.htm" + '\0' + root + "/zwei\nZeilen.htm" + '\0');
    }
}

// Files whose paths are longer than the system takes are counted and named at the end, exit status 1.
TEST_F(CommandLineToolTest, FindNamesTheFilesTooDeepToRead)
{
    const std::optional<QString> shallow = test::makeTooDeepTree(m_dir.filePath(QStringLiteral("R")));
    ASSERT_TRUE(shallow.has_value());
    for (const auto& [language, message] :
         {std::pair{QStringList{}, QStringLiteral("3 Dateien lagen zu tief, um gelesen zu werden")},
          std::pair{QStringList{QStringLiteral("--english")},
                    QStringLiteral("3 files were too deep to read")}}) {
        const ToolRun run = runTool(language + QStringList{QStringLiteral("--find"), m_dir.path()});
        EXPECT_EQ(run.status, exitMessage);
        EXPECT_EQ(run.out, QFile::encodeName(*shallow) + '\n');
        EXPECT_EQ(run.err, (m_dir.path() + QStringLiteral(": ") + message + u'\n').toUtf8());
    }
    EXPECT_TRUE(test::removeTree(m_dir.filePath(QStringLiteral("R"))));
}

// JSON text is UTF-8: a name that is not gets its readable form in "file" and its bytes in base64 in
// "file_bytes".
TEST_F(CommandLineToolTest, StatsJsonIsValidUtf8ForEveryName)
{
    const QByteArray latin = QFile::encodeName(m_dir.path()) + "/K\xe4"
                                                               "fer.htm";
    const int fd = ::open(latin.constData(), O_WRONLY | O_CREAT | O_EXCL, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, cleanKey.constData(), cleanKey.size()), cleanKey.size());
    ::close(fd);
    const QString utf8 = write(QStringLiteral("Rüssel.htm"), cleanKey);
    const ToolRun run =
        runTool({QStringLiteral("--stats"), QStringLiteral("--json"), fromNativePath(latin), utf8});
    ::unlink(latin.constData()); // QTemporaryDir removes only names it can spell
    EXPECT_EQ(run.status, exitOk);
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString text = decoder(run.out);
    EXPECT_FALSE(decoder.hasError());
    EXPECT_FALSE(text.contains(QStringLiteral("\\ud"))) << text.toStdString(); // no lone surrogate
    const QList<QByteArray> objects = run.out.trimmed().split('\n');
    ASSERT_EQ(objects.size(), 2);
    const QJsonObject first = QJsonDocument::fromJson(objects[0]).object();
    EXPECT_EQ(first.value(QStringLiteral("file")).toString(), QString::fromUtf8(latin));
    EXPECT_EQ(first.value(QStringLiteral("file_bytes")).toString().toLatin1(), latin.toBase64());
    const QJsonObject second = QJsonDocument::fromJson(objects[1]).object();
    EXPECT_EQ(second.value(QStringLiteral("file")).toString(), utf8);
    EXPECT_FALSE(second.contains(QStringLiteral("file_bytes")));
}

// keylinker-cli in a shell of its own under an address-space limit (ulimit -v, in KB); status 99 when
// the limit cannot be set.
struct LimitedRun
{
    bool signalled = false;
    int status = -1;
    QByteArray err;
};

LimitedRun runUnderLimit(qint64 kilobytes, const QStringList& arguments)
{
    QProcess shell;
    shell.start(
        QStringLiteral("/bin/sh"),
        QStringList{QStringLiteral("-c"), QStringLiteral("ulimit -v \"$1\" || exit 99; shift; exec \"$@\""),
                    QStringLiteral("sh"), QString::number(kilobytes), QStringLiteral(KEYLINKER_CLI_PATH)} +
            arguments);
    shell.closeReadChannel(QProcess::StandardOutput);
    if (!shell.waitForFinished(-1))
        return {};
    return {shell.exitStatus() == QProcess::CrashExit, shell.exitCode(), shell.readAllStandardError()};
}

// The least address-space limit, to a megabyte, under which `call` (on a key of one couplet) ends with
// its result: what the program, or one of its modes, starts with; 0, with why in `why`, where no
// limit can be set. The file `made` that the call writes is removed before each run.
qint64 leastLimitToStart(const QStringList& call, std::string& why, const QString& made = {})
{
#ifdef __SANITIZE_ADDRESS__
    why = "AddressSanitizer reserves terabytes of address space at the start, far above any limit this "
          "test sets (ulimit -v), so it runs in the build without sanitizers";
    return 0;
#endif
    const auto ends = [&](qint64 limit) {
        if (!made.isEmpty())
            QFile::remove(made);
        return runUnderLimit(limit, call).status == exitOk;
    };
    qint64 low = 0;
    qint64 high = 4 << 20;
    if (!ends(high)) {
        why = "no address-space limit can be set here";
        return 0;
    }
    while (high - low > 1024) {
        const qint64 middle = (low + high) / 2;
        (ends(middle) ? high : low) = middle;
    }
    return high;
}

// Memory running out never ends in a signal. Under every limit from the least the program starts
// with to more than a file of these may take, each mode ends with its result or a message about the
// file (the "too big" one where the memory is not there), and exit status 0 or 1.
TEST_F(CommandLineToolTest, UnderAnyMemoryLimitAFileEndsInItsResultOrAMessage)
{
    std::string why;
    const QString small = write(QStringLiteral("small.htm"), "<P>#1 a ....X<BR>b ....Y</P>\n");
    const qint64 high = leastLimitToStart({QStringLiteral("--check"), small}, why);
    if (high == 0)
        GTEST_SKIP() << why;
    const QString hashes = write(QStringLiteral("hashes.htm"), QByteArray(300'000, '#'));
    QByteArray rows = "from,statement,to\n";
    for (int entry = 1; rows.size() < 1'000'000; ++entry) {
        const QByteArray number = QByteArray::number(entry);
        rows += number + ",Wings red," + QByteArray::number(entry + 1) + '\n' + number +
                ",Wings blue,Species " + number + '\n';
    }
    const QString table = write(QStringLiteral("table.csv"), rows);
    const QString printed = write(QStringLiteral("printed.csv"), rows.left(rows.indexOf("\n300,")));
    const QString pdf = m_dir.filePath(QStringLiteral("printed.pdf"));
    const QList<QStringList> calls = {
        {QStringLiteral("--check"), hashes},
        {QStringLiteral("--export"), QStringLiteral("pdf"), QStringLiteral("-o"), pdf, printed},
        {QStringLiteral("--stats"), hashes},
        {QStringLiteral("--renumber"), QStringLiteral("--print"), hashes},
        {QStringLiteral("--import"), table}};
    for (qint64 limit = high; limit <= high + (80 << 10); limit += 1024) {
        for (const QStringList& call : calls) {
            QFile::remove(pdf);
            const LimitedRun run = runUnderLimit(limit, QStringList{QStringLiteral("--english")} + call);
            const std::string what = std::to_string(limit) + " KB: " + call.join(u' ').toStdString();
            ASSERT_FALSE(run.signalled) << what;
            EXPECT_TRUE(run.status == exitOk || run.status == exitMessage) << what;
            for (const QByteArray& line : run.err.trimmed().split('\n'))
                EXPECT_TRUE(line.isEmpty() || line.startsWith(call.back().toUtf8() + ':'))
                    << what << ": " << line.toStdString();
        }
    }
    // Within the bound of every mode, 20 times the file and 64 MB above what the mode starts with: a
    // table of millions of short fields in one line, and the PDF of a long key (above the fonts and
    // the threads that setting a key of one couplet starts).
    QByteArray wide = "1,Wings red";
    while (wide.size() < 6'000'000)
        wide += ",a";
    const QString wideTable = write(QStringLiteral("wide.csv"), wide + '\n');
    const QStringList pdfOf{QStringLiteral("--export"), QStringLiteral("pdf"), QStringLiteral("-o"), pdf};
    const qint64 pdfStart = leastLimitToStart(pdfOf + QStringList{small}, why, pdf);
    for (const auto& [start, call, size] :
         {std::tuple{high, QStringList{QStringLiteral("--import"), wideTable}, wide.size() + 1},
          std::tuple{pdfStart, pdfOf + QStringList{table}, rows.size()}}) {
        QFile::remove(pdf);
        const LimitedRun run = runUnderLimit(start + (20 * size + (64 << 20)) / 1024,
                                             QStringList{QStringLiteral("--english")} + call);
        EXPECT_FALSE(run.signalled) << call.join(u' ').toStdString();
        EXPECT_EQ(run.status, exitOk) << call.join(u' ').toStdString() << ": " << run.err.toStdString();
    }
}

// keylinker-cli run as the user `uid` with the group `gid` alone, through setpriv; exit status -1 when
// it could not be run.
ToolRun runAs(uid_t uid, gid_t gid, const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("setpriv"),
                  QStringList{QStringLiteral("--reuid=%1").arg(uid), QStringLiteral("--regid=%1").arg(gid),
                              QStringLiteral("--clear-groups"), QStringLiteral(KEYLINKER_CLI_PATH)} +
                      arguments);
    if (!process.waitForFinished() || process.exitStatus() != QProcess::NormalExit)
        return {ExitStatus(-1), {}, {}};
    return {ExitStatus(process.exitCode()), process.readAllStandardOutput(), process.readAllStandardError()};
}

bool canRunAsOthers()
{
    return ::geteuid() == 0 && !QStandardPaths::findExecutable(QStringLiteral("setpriv")).isEmpty();
}

// The key's owner may give the backup neither a security attribute nor the key's group, which it is
// not in: the backup goes without them and without the ACL, no wider than its mode bits less the
// group's; this is said once. The key itself is written in place and keeps all of it.
TEST_F(CommandLineToolTest, AttributesTheBackupCannotTakeMakeItNarrowerAndAreNamedOnce)
{
    if (!canRunAsOthers())
        GTEST_SKIP() << "needs root and setpriv to run as another user";
    const QString key = write(QStringLiteral("key.htm"), goodKey);
    const QByteArray native = QFile::encodeName(key);
    ASSERT_EQ(::chmod(QFile::encodeName(m_dir.path()).constData(), 0777), 0);
    ASSERT_EQ(::chown(native.constData(), 65534, 0), 0); // nobody, group root
    ASSERT_EQ(::chmod(native.constData(), 0640), 0);
    if (QProcess::execute(QStringLiteral("setfacl"),
                          {QStringLiteral("-m"), QStringLiteral("u:daemon:r"), key}) != 0 ||
        QProcess::execute(QStringLiteral("setfattr"),
                          {QStringLiteral("-n"), QStringLiteral("security.keylinker"), QStringLiteral("-v"),
                           QStringLiteral("kept"), key}) != 0)
        GTEST_SKIP() << "setfacl and setfattr are needed, on a file system with ACLs and security attributes";
    const std::optional<QByteArray> acl = test::extendedAttribute(key, "system.posix_acl_access");

    const ToolRun run = runAs(65534, 65534, {QStringLiteral("--english"), key});

    EXPECT_EQ(run.status, exitOk);
    EXPECT_EQ(run.err, key.toUtf8() +
                           ": The backup could not take every extended attribute of the file (such "
                           "as its access control list); it is open to fewer users, never to more\n");
    EXPECT_EQ(read(key), verknuepfen(goodKey).text);
    EXPECT_EQ(test::extendedAttribute(key, "system.posix_acl_access"), acl);
    EXPECT_EQ(test::extendedAttribute(key, "security.keylinker"), QByteArray("kept"));
    const QString backup = key + QStringLiteral("_bak0");
    EXPECT_EQ(read(backup), goodKey);
    EXPECT_FALSE(test::extendedAttribute(backup, "system.posix_acl_access").has_value());
    EXPECT_FALSE(test::extendedAttribute(backup, "security.keylinker").has_value());
    struct stat info
    {
    };
    ASSERT_EQ(::stat(QFile::encodeName(backup).constData(), &info), 0);
    EXPECT_EQ(info.st_mode & 07777, 0600U);
}

// In a shared sticky folder another user's empty file under the first backup name cannot be replaced:
// the owner's run takes the next name, and says nothing of it.
TEST_F(CommandLineToolTest, AnotherUsersFileInASharedFolderDoesNotBlockTheOwner)
{
    if (!canRunAsOthers())
        GTEST_SKIP() << "needs root and setpriv to run as two users";
    const QByteArray folder = QFile::encodeName(m_dir.path());
    ASSERT_EQ(::chmod(folder.constData(), 01777), 0);
    const QString key = write(QStringLiteral("key.htm"), goodKey);
    const QString blocker = write(QStringLiteral("key.htm_bak0"), QByteArray());
    ASSERT_EQ(::chown(QFile::encodeName(key).constData(), 1, 1), 0);             // daemon
    ASSERT_EQ(::chown(QFile::encodeName(blocker).constData(), 65534, 65534), 0); // nobody

    const ToolRun run = runAs(1, 1, {QStringLiteral("--english"), key});

    EXPECT_EQ(run.status, exitOk) << run.err.toStdString();
    EXPECT_TRUE(run.err.isEmpty()) << run.err.toStdString();
    EXPECT_EQ(read(key), verknuepfen(goodKey).text);
    EXPECT_EQ(read(key + QStringLiteral("_bak1")), goodKey);
    EXPECT_EQ(read(blocker), QByteArray());
    EXPECT_EQ(QFileInfo(blocker).ownerId(), 65534U);
}

} // namespace
} // namespace keylinker
