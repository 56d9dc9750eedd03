#include "KeyFileProcessor.h"

#include <cerrno>
#include <csignal>
#include <functional>
#include <new>
#include <optional>
#include <ostream>
#include <tuple>
#include <vector>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTemporaryDir>

#include "CaseName.h"
#include "KeyFileMessages.h"
#include "KeyFileReporter.h"
#include "KeyFileStore.h"
#include "KeyFileTasks.h"
#include "KeyRewrite.h"
#include "KeyText.h"
#include "NativePath.h"
#include "QtPrinters.h"
#include "TestDir.h"

namespace keylinker {
namespace {

using namespace Qt::StringLiterals;

// Byte texts with embedded zero bytes keep their full length.
template <std::size_t N> QByteArray bytes(const char (&text)[N])
{
    return QByteArray(text, N - 1);
}

// Texts whose rewrite outcome is known whatever the details of the rewrite.
const QByteArray linkedKey = bytes("<P>#1 a ....2 b ....3</P><P>#2 x</P><P>#3 y</P>");
const QByteArray linkBeforeAnchor = bytes("<P>Wings red ....2</P><P>#1 x</P><P>#2 y</P>");
const QByteArray unclosedQuote =
    bytes("<P>#1 x</P><P>\"anKer quoted in a lead <A HREF=\"#anKer2\">...2</A></P>");

struct Report
{
    QString path;
    QString text;
    bool operator==(const Report&) const = default;
};

void PrintTo(const Report& report, std::ostream* out)
{
    *out << "{" << report.path.toStdString() << ": " << report.text.toStdString() << "}";
}

class RecordingReporter final : public KeyFileReporter
{
public:
    void message(const QString& path, const QString& text) override { messages.push_back({path, text}); }
    void errorReport(const QString& plainPath, const QString& errorText) override
    {
        errorReports.push_back({plainPath, errorText});
    }

    std::vector<Report> messages;
    std::vector<Report> errorReports;
};

// The real file system, except for the operations a test makes fail; it also logs the order of
// the operations that change something.
class ScriptedStore final : public KeyFileStore
{
public:
    bool lock(const QString& path, FileError& error) override { return disk.lock(path, error); }
    void unlock() override { disk.unlock(); }
    bool read(const QString& path, QByteArray& content, FileAccess& access, FileError& error) override
    {
        log.push_back(QStringLiteral("read ") + path);
        if (readError != 0) {
            error = {readError};
            return false;
        }
        const bool read = disk.read(path, content, access, error);
        if (read && afterRead)
            std::exchange(afterRead, nullptr)();
        return read;
    }
    qint64 size(const QString& path) override { return disk.size(path); }
    bool attributesLost() const override { return disk.attributesLost(); }
    bool writeBackup(const QString& path, const QByteArray& content, const FileAccess& access,
                     FileError& error) override
    {
        log.push_back(QStringLiteral("backup ") + path);
        if (backupError != 0) {
            error = {backupError};
            error.atName = backupErrorAtName;
            return false;
        }
        return disk.writeBackup(path, content, access, error);
    }
    bool replace(const QString& path, const QString& copyPath, const QByteArray& content,
                 const FileAccess& access, FileError& error) override
    {
        log.push_back(QStringLiteral("replace ") + path);
        if (beforeReplace)
            beforeReplace();
        if (replaceError != 0) {
            error = {replaceError};
            return false;
        }
        return disk.replace(path, copyPath, content, access, error);
    }
    void removeBackup(const QString& path, const QByteArray& content) override
    {
        log.push_back(QStringLiteral("remove ") + path);
        disk.removeBackup(path, content);
    }

    DiskKeyFileStore disk;
    int readError = 0;
    int backupError = 0;
    bool backupErrorAtName = false; // the copy was written, the name could not be given
    int replaceError = 0;
    std::function<void()> beforeReplace;
    std::function<void()> afterRead; // once
    QStringList log;
};

// Lowers the largest file this process may write, for as long as it lives: the one way to make
// a write fail part-way for real when the tests run as root (as on a full disk).
class FileSizeLimit final
{
public:
    explicit FileSizeLimit(rlim_t bytes)
    {
        m_ok = ::getrlimit(RLIMIT_FSIZE, &m_former) == 0;
        m_formerHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit lowered = m_former;
        lowered.rlim_cur = bytes;
        m_ok = m_ok && ::setrlimit(RLIMIT_FSIZE, &lowered) == 0;
    }
    ~FileSizeLimit()
    {
        ::setrlimit(RLIMIT_FSIZE, &m_former);
        std::signal(SIGXFSZ, m_formerHandler);
    }
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;

    bool ok() const { return m_ok; }

private:
    rlimit m_former{};
    void (*m_formerHandler)(int) = nullptr;
    bool m_ok = false;
};

// Every file test works in a folder of its own.
class KeyFileTest : public testing::Test
{
protected:
    QString path(const QString& name) const { return m_dir.filePath(name); }

    void write(const QString& name, const QByteArray& content) const
    {
        ASSERT_TRUE(test::writeFile(path(name), content)) << name.toStdString();
    }

    std::optional<QByteArray> read(const QString& name) const { return test::readFile(path(name)); }

    QByteArray native(const QString& name) const { return QFile::encodeName(path(name)); }

    // Reads a file named by its bytes, past any decoding of names.
    static QByteArray readRaw(const QByteArray& name)
    {
        QByteArray content(1 << 16, '\0');
        const int fd = ::open(name.constData(), O_RDONLY);
        const ssize_t got = fd < 0 ? -1 : ::read(fd, content.data(), content.size());
        if (fd >= 0)
            ::close(fd);
        return got < 0 ? QByteArray("<missing>") : content.left(got);
    }

    QStringList entries(const QString& folder = QString()) const
    {
        return QDir(folder.isEmpty() ? m_dir.path() : path(folder))
            .entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    }

    mode_t mode(const QString& name) const
    {
        struct stat info
        {
        };
        EXPECT_EQ(::stat(QFile::encodeName(path(name)).constData(), &info), 0);
        return info.st_mode & 07777;
    }

    void SetUp() override { ASSERT_TRUE(m_dir.isValid()); }

    QTemporaryDir m_dir;
    RecordingReporter reporter;
    ScriptedStore store;
    KeyFileProcessor processor{reporter, store};
};

// --- names --------------------------------------------------------------------------------------

TEST(KeyFileReportTest, ErrorReportTextIsErrorThenLineFeedCarriageReturnTwiceThenPath)
{
    const QString text =
        errorReportText(QStringLiteral("No space left on device"), QStringLiteral("/keys/key.htm"));
    const QString expected = QStringLiteral("No space left on device") + QChar(10) + QChar(13) + QChar(10) +
                             QChar(13) + QStringLiteral("/keys/key.htm");
    EXPECT_EQ(text, expected);
    EXPECT_EQ(errorReportText(QString(), QString()).size(), 4);
}

struct PlainPathCase
{
    const char* name;
    const char16_t* path;
    const char16_t* plain;
};

class PlainPathTest : public testing::TestWithParam<PlainPathCase>
{
};

TEST_P(PlainPathTest, CutsOnlyABackupSuffixOfTheFileName)
{
    const QString path = QString::fromUtf16(GetParam().path);
    const QString plain = plainPath(path);
    EXPECT_EQ(plain, QString::fromUtf16(GetParam().plain));
    // The cut never reaches into the folder part, and a plain path is its own plain path.
    EXPECT_EQ(plain.left(plain.lastIndexOf(u'/') + 1), path.left(path.lastIndexOf(u'/') + 1));
    EXPECT_EQ(plainPath(plain), plain);
}

INSTANTIATE_TEST_SUITE_P(
    KeyFile, PlainPathTest,
    testing::Values(
        PlainPathCase{"NoSuffix", u"/keys/key.htm", u"/keys/key.htm"},
        PlainPathCase{"Backup", u"/keys/key.htm_bak3", u"/keys/key.htm"},
        PlainPathCase{"LongNumber", u"/keys/key.htm_bak110", u"/keys/key.htm"},
        PlainPathCase{"UpperCase", u"/keys/KEY.HTM_BAK2", u"/keys/KEY.HTM"},
        PlainPathCase{"MixedCase", u"/keys/key.htm_Bak2", u"/keys/key.htm"},
        PlainPathCase{"CaseOfRestKept", u"/Keys/Key.Htm_bAk7", u"/Keys/Key.Htm"},
        PlainPathCase{"NoNumber", u"/keys/key.htm_Bak", u"/keys/key.htm"},
        PlainPathCase{"BakInBaseName", u"/keys/key_bak.htm", u"/keys/key_bak.htm"},
        PlainPathCase{"BakInBaseNameAndSuffix", u"/keys/key_bak.htm_bak1", u"/keys/key_bak.htm"},
        PlainPathCase{"BakInFolder", u"/keys/my_bak/key.htm", u"/keys/my_bak/key.htm"},
        PlainPathCase{"BackupNamedFolder", u"/keys/key.htm_bak1/key.htm", u"/keys/key.htm_bak1/key.htm"},
        PlainPathCase{"BackupNamedFolderAndBackup", u"/keys_BAK/k_bak1/key.htm_bak2",
                      u"/keys_BAK/k_bak1/key.htm"},
        PlainPathCase{"TrailingSlash", u"/keys/key_bak3/", u"/keys/key_bak3/"},
        PlainPathCase{"SuffixIsWholeName", u"/keys/_bak3", u"/keys/_bak3"},
        PlainPathCase{"SuffixIsWholeRelativeName", u"_bak", u"_bak"},
        PlainPathCase{"RelativeBackup", u"key.htm_bak0", u"key.htm"},
        PlainPathCase{"SuffixesCutOneAfterTheOther", u"/keys/key.htm_bak1_bak2", u"/keys/key.htm"},
        PlainPathCase{"EmptySuffixBeforeSuffix", u"/keys/key.htm_bak_BAK12", u"/keys/key.htm"},
        PlainPathCase{"LetterAfterNumber", u"/keys/key.htm_bak3x", u"/keys/key.htm_bak3x"},
        PlainPathCase{"SignedNumber", u"/keys/key.htm_bak-1", u"/keys/key.htm_bak-1"},
        PlainPathCase{"NonAsciiDigit", u"/keys/key.htm_bak\u0663", u"/keys/key.htm_bak\u0663"},
        PlainPathCase{"NoBak", u"/keys/key.htm_ba3", u"/keys/key.htm_ba3"}),
    test::CaseName());

struct NextNameCase
{
    const char16_t* name;
    const char16_t* next;
};

class NextBackupNameTest : public testing::TestWithParam<NextNameCase>
{
};

TEST_P(NextBackupNameTest, CountsUpTheLastDigit)
{
    EXPECT_EQ(nextBackupName(QString::fromUtf16(GetParam().name)), QString::fromUtf16(GetParam().next));
}

INSTANTIATE_TEST_SUITE_P(KeyFile, NextBackupNameTest,
                         testing::Values(NextNameCase{u"/k/key.htm_bak0", u"/k/key.htm_bak1"},
                                         NextNameCase{u"/k/key.htm_bak8", u"/k/key.htm_bak9"},
                                         NextNameCase{u"/k/key.htm_bak9", u"/k/key.htm_bak10"},
                                         NextNameCase{u"/k/key.htm_bak10", u"/k/key.htm_bak11"},
                                         NextNameCase{u"/k/key.htm_bak19", u"/k/key.htm_bak110"},
                                         NextNameCase{u"/k/key.htm_bak119", u"/k/key.htm_bak1110"},
                                         NextNameCase{u"/k/KEY_BAK5", u"/k/KEY_BAK6"},
                                         NextNameCase{u"/k/key.htm_bak", u"/k/key.htm_bak0"}));

TEST(KeyFileNameTest, NextBackupNameRunsThroughTheNamesInTheirOrder)
{
    QStringList names{QStringLiteral("key.htm_bak0")};
    while (names.size() < 22) {
        names.push_back(nextBackupName(names.back()));
    }
    QStringList expected;
    for (const char* ending : {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",   "10",
                               "11", "12", "13", "14", "15", "16", "17", "18", "19", "110", "111"}) {
        expected.push_back(QStringLiteral("key.htm_bak") + QString::fromLatin1(ending));
    }
    EXPECT_EQ(names, expected);
}

// --- processing ---------------------------------------------------------------------------------

TEST_F(KeyFileTest, FirstProcessingKeepsTheExactBytesAndWritesTheRewrite)
{
    // Line ends, a zero byte and 8-bit characters must reach the backup untranslated.
    const QByteArray original = linkedKey + bytes("\r\n<P>K\xE4"
                                                  "fer\0\x80\xFF</P>\n\r\n");
    write(u"key.htm"_s, original);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
    EXPECT_EQ(read(u"key.htm_bak0"_s), original);
    EXPECT_EQ(read(u"key.htm"_s), verknuepfen(original).text);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_TRUE(reporter.errorReports.empty());
}

TEST_F(KeyFileTest, BackupIsWrittenBeforeTheKeyFileIsReplaced)
{
    write(u"key.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(store.log, (QStringList{u"read "_s + path(u"key.htm"_s), u"backup "_s + path(u"key.htm_bak0"_s),
                                      u"replace "_s + path(u"key.htm"_s)}));
}

TEST_F(KeyFileTest, KeyWithLinksBecomesLonger)
{
    write(u"key.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    const std::optional<QByteArray> rewritten = read(u"key.htm"_s);
    ASSERT_TRUE(rewritten.has_value());
    EXPECT_GT(rewritten->size(), linkedKey.size());
    EXPECT_EQ(read(u"key.htm_bak0"_s), linkedKey);
}

struct BackupNameCase
{
    const char* name;
    std::vector<const char*> nonEmpty; ///< backup endings present with a content
    std::vector<const char*> empty;    ///< backup endings present as empty files
    const char* chosen;
};

class BackupNameTest : public KeyFileTest, public testing::WithParamInterface<BackupNameCase>
{
};

TEST_P(BackupNameTest, CopyGoesToTheFirstFreeName)
{
    const BackupNameCase& c = GetParam();
    const auto backup = [](const char* ending) { return u"key.htm_bak"_s + QString::fromLatin1(ending); };
    write(u"key.htm"_s, linkedKey);
    for (const char* ending : c.nonEmpty) {
        write(backup(ending), QByteArray("old ") + ending);
    }
    for (const char* ending : c.empty) {
        write(backup(ending), QByteArray());
    }
    QStringList expectedEntries = entries();
    if (!expectedEntries.contains(backup(c.chosen))) {
        expectedEntries.push_back(backup(c.chosen));
        expectedEntries.sort();
    }

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(read(backup(c.chosen)), linkedKey);
    EXPECT_EQ(entries(), expectedEntries);
    // The older backups are left as they were.
    for (const char* ending : c.nonEmpty) {
        EXPECT_EQ(read(backup(ending)), QByteArray("old ") + ending) << ending;
    }
    for (const char* ending : c.empty) {
        if (backup(ending) != backup(c.chosen)) {
            EXPECT_EQ(read(backup(ending)), QByteArray()) << ending;
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    KeyFile, BackupNameTest,
    testing::Values(BackupNameCase{"None", {}, {}, "0"}, BackupNameCase{"AfterFirst", {"0"}, {}, "1"},
                    BackupNameCase{"AfterNine", {"0", "1", "2", "3", "4", "5", "6", "7", "8", "9"}, {}, "10"},
                    BackupNameCase{"AfterNineteen",
                                   {"0",  "1",  "2",  "3",  "4",  "5",  "6",  "7",  "8",  "9",
                                    "10", "11", "12", "13", "14", "15", "16", "17", "18", "19"},
                                   {},
                                   "110"},
                    BackupNameCase{"EmptyFirstIsReused", {}, {"0"}, "0"},
                    BackupNameCase{"EmptyInBetweenIsReused", {"0", "2"}, {"1"}, "1"},
                    BackupNameCase{"GapIsFilled", {"0", "2"}, {}, "1"},
                    BackupNameCase{"TwoDigitNamesAreNotCountedBeforeTheirTurn", {"0", "10"}, {}, "1"}),
    test::CaseName());

TEST_F(KeyFileTest, ProcessingABackupRestoresItsRewriteToThePlainPath)
{
    write(u"key.htm"_s, "current key");
    write(u"key.htm_bak0"_s, "backup 0");
    write(u"key.htm_bak1"_s, "backup 1");
    write(u"key.htm_bak2"_s, "backup 2");
    write(u"key.htm_bak3"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak3"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(read(u"key.htm"_s), verknuepfen(linkedKey).text);
    EXPECT_EQ(read(u"key.htm_bak4"_s), linkedKey);
    EXPECT_EQ(read(u"key.htm_bak3"_s), linkedKey);
    EXPECT_EQ(read(u"key.htm_bak0"_s), QByteArray("backup 0"));
    EXPECT_EQ(read(u"key.htm_bak2"_s), QByteArray("backup 2"));
    // What the key file held before it was replaced is kept too.
    EXPECT_EQ(read(u"key.htm_bak5"_s), QByteArray("current key"));
    EXPECT_EQ(entries().size(), 7);
    EXPECT_TRUE(reporter.errorReports.empty());
}

TEST_F(KeyFileTest, ProcessingABackupCreatesAMissingPlainFile)
{
    write(u"key.htm_bak0"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak0"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(read(u"key.htm"_s), verknuepfen(linkedKey).text);
    EXPECT_EQ(read(u"key.htm_bak1"_s), linkedKey);
    EXPECT_EQ(read(u"key.htm_bak0"_s), linkedKey);
}

struct SuffixCase
{
    const char* name;
    const char16_t* backup;
    const char16_t* plain;
};

class BackupSuffixTest : public KeyFileTest, public testing::WithParamInterface<SuffixCase>
{
};

TEST_P(BackupSuffixTest, SuffixIsFoundInAnyCaseAndTheRestKeepsItsCase)
{
    const QString backup = QString::fromUtf16(GetParam().backup);
    const QString plain = QString::fromUtf16(GetParam().plain);
    write(plain, "current key");
    write(backup, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(backup)), ProcessOutcome::Rewritten);

    EXPECT_EQ(read(plain), verknuepfen(linkedKey).text);
    EXPECT_EQ(read(plain + u"_bak0"_s), linkedKey);
    // The key file's former content went to a backup name of its own.
    const QStringList names = entries();
    EXPECT_EQ(std::count_if(names.begin(), names.end(),
                            [this](const QString& name) { return read(name) == QByteArray("current key"); }),
              1);
    EXPECT_EQ(read(backup), linkedKey);
    EXPECT_EQ(entries().size(), 4);
}

INSTANTIATE_TEST_SUITE_P(KeyFile, BackupSuffixTest,
                         testing::Values(SuffixCase{"Upper", u"KEY.HTM_BAK2", u"KEY.HTM"},
                                         SuffixCase{"Mixed", u"key.htm_Bak2", u"key.htm"},
                                         SuffixCase{"NoNumber", u"Key.Htm_bAK", u"Key.Htm"},
                                         SuffixCase{"BakInBaseName", u"key_bak.htm_bak1", u"key_bak.htm"}),
                         test::CaseName());

TEST_F(KeyFileTest, BakInTheBaseNameIsNoBackup)
{
    write(u"key_bak.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key_bak.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(entries(), (QStringList{u"key_bak.htm"_s, u"key_bak.htm_bak0"_s}));
    EXPECT_EQ(read(u"key_bak.htm"_s), verknuepfen(linkedKey).text);
}

TEST_F(KeyFileTest, BackupNamedFolderKeepsEverythingInside)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"key.htm_bak1"_s));
    write(u"key.htm_bak1/key.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak1/key.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(entries(), QStringList{u"key.htm_bak1"_s});
    EXPECT_EQ(entries(u"key.htm_bak1"_s), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
    EXPECT_EQ(read(u"key.htm_bak1/key.htm_bak0"_s), linkedKey);
}

TEST_F(KeyFileTest, ProcessingAgainWritesOnlyWhatChanged)
{
    write(u"key.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);
    const std::optional<QByteArray> afterFirst = read(u"key.htm"_s);
    ASSERT_TRUE(afterFirst.has_value());
    // A processed key holds what processing would write: nothing is written, no backup kept.
    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Unchanged);
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));

    // A new entry added by the author is linked, and the former state kept.
    const QByteArray extended = *afterFirst + "<P>#4 z ....2</P>";
    write(u"key.htm"_s, extended);
    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s, u"key.htm_bak1"_s}));
    EXPECT_EQ(read(u"key.htm_bak0"_s), linkedKey);
    EXPECT_EQ(read(u"key.htm_bak1"_s), extended);
    EXPECT_EQ(read(u"key.htm"_s), verknuepfen(extended).text);
}

// --- rewrite failures ---------------------------------------------------------------------------

enum class LanguageSetup {
    Default,          ///< the constructor's default language
    Constructed,      ///< the language given to the constructor
    SwitchedFromOther ///< constructed with the other language, then switched
};

struct LanguageCase
{
    const char* name;
    Language language;
    Language other;
    LanguageSetup setup;
};

class StructureErrorTest : public KeyFileTest, public testing::WithParamInterface<LanguageCase>
{
};

TEST_P(StructureErrorTest, ShowsTheMessageOfTheLanguageAndLeavesTheKey)
{
    const LanguageCase& c = GetParam();
    const KeyFileMessages messages = KeyFileMessages::of(c.language);
    KeyFileProcessor chosen = c.setup == LanguageSetup::Default ? KeyFileProcessor(reporter, store)
                              : c.setup == LanguageSetup::Constructed
                                  ? KeyFileProcessor(reporter, store, messages)
                                  : KeyFileProcessor(reporter, store, KeyFileMessages::of(c.other));
    if (c.setup == LanguageSetup::SwitchedFromOther) {
        chosen.setMessages(messages);
    }
    write(u"key.htm"_s, linkBeforeAnchor);
    write(u"key.htm_bak0"_s, "earlier");

    EXPECT_EQ(chosen.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::StructureError);

    EXPECT_EQ(reporter.messages,
              (std::vector<Report>{{path(u"key.htm"_s), messages.locatedStructureError(
                                                            path(u"key.htm"_s), 1, u"Wings red ....2"_s)}}));
    EXPECT_TRUE(reporter.errorReports.empty());
    EXPECT_EQ(read(u"key.htm"_s), linkBeforeAnchor);
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
    EXPECT_EQ(read(u"key.htm_bak0"_s), QByteArray("earlier"));
}

INSTANTIATE_TEST_SUITE_P(
    KeyFile, StructureErrorTest,
    testing::Values(LanguageCase{"DefaultIsGerman", Language::German, Language::English,
                                 LanguageSetup::Default},
                    LanguageCase{"German", Language::German, Language::English, LanguageSetup::Constructed},
                    LanguageCase{"English", Language::English, Language::German, LanguageSetup::Constructed},
                    LanguageCase{"SwitchedToEnglish", Language::English, Language::German,
                                 LanguageSetup::SwitchedFromOther},
                    LanguageCase{"SwitchedToGerman", Language::German, Language::English,
                                 LanguageSetup::SwitchedFromOther}),
    test::CaseName());

TEST_F(KeyFileTest, StructureErrorInABackupLeavesThePlainFile)
{
    write(u"key.htm"_s, "current key");
    write(u"key.htm_bak0"_s, linkBeforeAnchor);
    processor.setMessages(KeyFileMessages::of(Language::English));

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak0"_s)), ProcessOutcome::StructureError);

    EXPECT_EQ(reporter.messages, (std::vector<Report>{{path(u"key.htm_bak0"_s),
                                                       KeyFileMessages::of(Language::English)
                                                           .locatedStructureError(path(u"key.htm_bak0"_s), 1,
                                                                                  u"Wings red ....2"_s)}}));
    EXPECT_EQ(read(u"key.htm"_s), QByteArray("current key"));
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
}

TEST_F(KeyFileTest, UnclosedQuoteIsReportedWithThePlainPath)
{
    write(u"key.htm"_s, "current key");
    write(u"key.htm_bak2"_s, unclosedQuote);
    processor.setMessages(KeyFileMessages::of(Language::English));

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak2"_s)), ProcessOutcome::Failed);

    EXPECT_EQ(
        reporter.errorReports,
        (std::vector<Report>{{path(u"key.htm"_s), KeyFileMessages::of(Language::English).invalidArgument}}));
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(read(u"key.htm"_s), QByteArray("current key"));
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak2"_s}));
}

// --- files that cannot be processed -------------------------------------------------------------

struct MissingCase
{
    const char* name;
    const char16_t* processed;
    const char16_t* reported;
};

class MissingFileTest : public KeyFileTest, public testing::WithParamInterface<MissingCase>
{
};

TEST_P(MissingFileTest, IsReportedAndNotCreated)
{
    write(u"other.htm"_s, "other");
    const QString processed = path(QString::fromUtf16(GetParam().processed));
    ASSERT_FALSE(QFile::exists(processed));

    EXPECT_EQ(processor.bearbeiten(processed), ProcessOutcome::Failed);

    ASSERT_EQ(reporter.errorReports.size(), 1U);
    const Report& report = reporter.errorReports.front();
    EXPECT_EQ(report.path, path(QString::fromUtf16(GetParam().reported)));
    EXPECT_EQ(report.text, KeyFileMessages::of(Language::German).noSuchFile);
    EXPECT_TRUE(errorReportText(report.text, report.path).endsWith(report.path));
    EXPECT_EQ(entries(), QStringList{u"other.htm"_s});
    EXPECT_TRUE(reporter.messages.empty());
}

INSTANTIATE_TEST_SUITE_P(KeyFile, MissingFileTest,
                         testing::Values(MissingCase{"Key", u"key.htm", u"key.htm"},
                                         MissingCase{"Backup", u"key.htm_bak5", u"key.htm"},
                                         MissingCase{"InMissingFolder", u"gone/key.htm", u"gone/key.htm"}),
                         test::CaseName());

TEST_F(KeyFileTest, FolderIsReportedAndLeftAlone)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"key.htm"_s));

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Failed);

    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"key.htm"_s), KeyFileMessages::of(Language::German).isFolder}}));
    EXPECT_EQ(entries(), QStringList{u"key.htm"_s});
    EXPECT_TRUE(entries(u"key.htm"_s).isEmpty());
}

TEST_F(KeyFileTest, NextFileIsProcessedAfterAFailure)
{
    write(u"b.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"a.htm"_s)), ProcessOutcome::Failed);
    EXPECT_EQ(processor.bearbeiten(path(u"b.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(reporter.errorReports.size(), 1U);
    EXPECT_EQ(entries(), (QStringList{u"b.htm"_s, u"b.htm_bak0"_s}));
    EXPECT_EQ(read(u"b.htm"_s), verknuepfen(linkedKey).text);
}

TEST_F(KeyFileTest, UnreadableFileIsReportedAndNothingWritten)
{
    write(u"key.htm"_s, linkedKey);
    store.readError = EIO;

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak1"_s)), ProcessOutcome::Failed);

    EXPECT_EQ(reporter.errorReports, (std::vector<Report>{{path(u"key.htm"_s), qt_error_string(EIO)}}));
    EXPECT_EQ(store.log, QStringList{u"read "_s + path(u"key.htm_bak1"_s)});
    EXPECT_EQ(entries(), QStringList{u"key.htm"_s});
}

// --- empty and short files ----------------------------------------------------------------------

TEST_F(KeyFileTest, EmptyFileIsLeftWithoutABackup)
{
    write(u"key.htm"_s, QByteArray());

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Unchanged);
    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Unchanged);
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s}));
    EXPECT_EQ(read(u"key.htm"_s), QByteArray());
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_TRUE(reporter.errorReports.empty());
    EXPECT_EQ(std::count_if(store.log.cbegin(), store.log.cend(),
                            [](const QString& entry) { return entry.startsWith(u"replace"_s); }),
              0);
}

TEST_F(KeyFileTest, EmptyBackupLeavesThePlainFile)
{
    write(u"key.htm"_s, "current key");
    write(u"key.htm_bak0"_s, QByteArray());

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm_bak0"_s)), ProcessOutcome::Unchanged);

    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
    EXPECT_EQ(read(u"key.htm"_s), QByteArray("current key"));
    EXPECT_EQ(read(u"key.htm_bak0"_s), QByteArray());
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_TRUE(reporter.errorReports.empty());
}

class ShortFileTest : public KeyFileTest, public testing::WithParamInterface<QByteArray>
{
};

TEST_P(ShortFileTest, StaysAsItIsWithoutABackup)
{
    write(u"key.htm"_s, GetParam());

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Unchanged);

    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s}));
    EXPECT_EQ(read(u"key.htm"_s), GetParam());
}

INSTANTIATE_TEST_SUITE_P(KeyFile, ShortFileTest,
                         testing::Values(bytes("#"), bytes("#1"), bytes("..1"), bytes("\r\n"),
                                         bytes("\xE4")));

// --- failing writes -----------------------------------------------------------------------------

class FailedBackupTest : public KeyFileTest, public testing::WithParamInterface<const char16_t*>
{
};

TEST_P(FailedBackupTest, LeavesTheKeyAndReportsThePlainPath)
{
    const QString processed = QString::fromUtf16(GetParam());
    write(u"key.htm"_s, "current key");
    write(processed, linkedKey);
    const QStringList before = entries();
    store.backupError = ENOSPC;

    EXPECT_EQ(processor.bearbeiten(path(processed)), ProcessOutcome::Failed);

    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"key.htm"_s), KeyFileMessages::of(Language::German).diskFull}}));
    EXPECT_EQ(read(u"key.htm"_s), processed == u"key.htm"_s ? linkedKey : QByteArray("current key"));
    EXPECT_EQ(entries(), before);
    EXPECT_EQ(std::count_if(store.log.cbegin(), store.log.cend(),
                            [](const QString& entry) { return entry.startsWith(u"replace"_s); }),
              0);
}

INSTANTIATE_TEST_SUITE_P(KeyFile, FailedBackupTest, testing::Values(u"key.htm", u"key.htm_bak1"));

TEST_F(KeyFileTest, FullDiskDuringTheBackupLeavesNoPartialCopy)
{
    const QByteArray original = linkedKey.repeated(8);
    write(u"key.htm"_s, original);
    KeyFileProcessor onDisk(reporter, store.disk);

    ProcessOutcome outcome = ProcessOutcome::Rewritten;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(linkedKey.size()));
        ASSERT_TRUE(limit.ok());
        outcome = onDisk.bearbeiten(path(u"key.htm"_s));
    }

    EXPECT_EQ(outcome, ProcessOutcome::Failed);
    EXPECT_EQ(
        reporter.errorReports,
        (std::vector<Report>{{path(u"key.htm"_s), KeyFileMessages::of(Language::German).fileSizeLimit}}));
    EXPECT_EQ(entries(), QStringList{u"key.htm"_s});
    EXPECT_EQ(read(u"key.htm"_s), original);
}

TEST_F(KeyFileTest, FailedReplaceLeavesTheKeyAndKeepsTheBackup)
{
    write(u"key.htm"_s, linkedKey);
    store.replaceError = ENOSPC;

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Failed);

    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"key.htm"_s), KeyFileMessages::of(Language::German).diskFull}}));
    EXPECT_EQ(read(u"key.htm"_s), linkedKey);
    EXPECT_EQ(read(u"key.htm_bak0"_s), linkedKey);
    EXPECT_EQ(store.log.back(), u"replace "_s + path(u"key.htm"_s));
}

TEST_F(KeyFileTest, ReplaceThatBreaksOffKeepsTheFormerContent)
{
    const QByteArray former = bytes("former\r\ncontent\0");
    write(u"key.htm"_s, former);
    write(u"key.htm_bak0"_s, former);
    DiskKeyFileStore disk;
    FileError error;

    bool replaced = true;
    {
        const FileSizeLimit limit(static_cast<rlim_t>(former.size() + 4));
        ASSERT_TRUE(limit.ok());
        replaced =
            disk.replace(path(u"key.htm"_s), path(u"key.htm_bak0"_s), QByteArray(4096, 'x'), {}, error);
    }

    EXPECT_FALSE(replaced);
    EXPECT_EQ(error.code, EFBIG);
    EXPECT_EQ(read(u"key.htm"_s), former);
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s}));
}

TEST_F(KeyFileTest, ReplaceOfAFolderFails)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"key.htm"_s));
    DiskKeyFileStore disk;
    FileError error;

    EXPECT_FALSE(disk.replace(path(u"key.htm"_s), QString(), linkedKey, {}, error));

    EXPECT_EQ(error.code, EISDIR);
    EXPECT_TRUE(QFileInfo(path(u"key.htm"_s)).isDir());
    EXPECT_TRUE(entries(u"key.htm"_s).isEmpty());
}

TEST_F(KeyFileTest, SizeTellsMissingFromEmpty)
{
    write(u"empty"_s, QByteArray());
    write(u"three"_s, "abc");
    DiskKeyFileStore disk;

    EXPECT_EQ(disk.size(path(u"missing"_s)), -1);
    EXPECT_EQ(disk.size(path(u"empty"_s)), 0);
    EXPECT_EQ(disk.size(path(u"three"_s)), 3);
}

// A new file (an imported key) is there whole, with the rights the umask leaves, or not at all.
TEST_F(KeyFileTest, NewFileIsWrittenWholeOrNotAtAll)
{
    const QByteArray page = linkedKey.repeated(8);
    FileError error;
    const mode_t formerMask = ::umask(027);
    const bool written = writeNewFileExclusive(path(u"page.htm"_s), page, error);
    ::umask(formerMask);
    ASSERT_TRUE(written) << error.code;
    EXPECT_EQ(read(u"page.htm"_s), page);
    EXPECT_EQ(mode(u"page.htm"_s), 0640u);

    // Never over a file that is there.
    EXPECT_FALSE(writeNewFileExclusive(path(u"page.htm"_s), linkedKey, error));
    EXPECT_EQ(error.code, EEXIST);
    EXPECT_EQ(read(u"page.htm"_s), page);

    // A write that breaks off leaves neither the name nor a temporary file.
    {
        const FileSizeLimit limit(static_cast<rlim_t>(linkedKey.size()));
        ASSERT_TRUE(limit.ok());
        EXPECT_FALSE(writeNewFileExclusive(path(u"cut.htm"_s), page, error));
    }
    EXPECT_EQ(error.code, EFBIG);
    EXPECT_FALSE(writeNewFileExclusive(path(u"missing/page.htm"_s), page, error));
    EXPECT_EQ(error.code, ENOENT);
    EXPECT_TRUE(error.inFolder);
    EXPECT_EQ(entries(), QStringList{u"page.htm"_s});
}

// --- what the replacement keeps -----------------------------------------------------------------

class PermissionTest : public KeyFileTest, public testing::WithParamInterface<mode_t>
{
};

TEST_P(PermissionTest, AreKeptByTheRewrite)
{
    write(u"key.htm"_s, linkedKey);
    ASSERT_EQ(::chmod(QFile::encodeName(path(u"key.htm"_s)).constData(), GetParam()), 0);

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    EXPECT_EQ(mode(u"key.htm"_s), GetParam());
    EXPECT_EQ(read(u"key.htm"_s), verknuepfen(linkedKey).text);
}

INSTANTIATE_TEST_SUITE_P(KeyFile, PermissionTest, testing::Values(0600, 0640, 0604, 0755, 0620));

TEST_F(KeyFileTest, LinkedKeyHasItsTargetRewrittenAndStaysALink)
{
    ASSERT_TRUE(QDir(m_dir.path()).mkdir(u"store"_s));
    write(u"store/real.htm"_s, linkedKey);
    ASSERT_EQ(::chmod(QFile::encodeName(path(u"store/real.htm"_s)).constData(), 0640), 0);
    ASSERT_TRUE(QFile::link(u"store/real.htm"_s, path(u"key.htm"_s)));

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);

    const QFileInfo link(path(u"key.htm"_s));
    EXPECT_TRUE(link.isSymLink());
    EXPECT_EQ(link.symLinkTarget(), path(u"store/real.htm"_s));
    EXPECT_EQ(read(u"store/real.htm"_s), verknuepfen(linkedKey).text);
    EXPECT_EQ(mode(u"store/real.htm"_s), 0640U);
    // The backup lies beside the link, as a plain file.
    EXPECT_EQ(entries(), (QStringList{u"key.htm"_s, u"key.htm_bak0"_s, u"store"_s}));
    EXPECT_FALSE(QFileInfo(path(u"key.htm_bak0"_s)).isSymLink());
    EXPECT_EQ(read(u"key.htm_bak0"_s), linkedKey);
    EXPECT_EQ(entries(u"store"_s), QStringList{u"real.htm"_s});
}

TEST_F(KeyFileTest, ReplaceThroughALinkChangesOnlyTheTarget)
{
    write(u"real.htm"_s, "former");
    write(u"copy"_s, "former");
    ASSERT_TRUE(QFile::link(u"real.htm"_s, path(u"key.htm"_s)));
    DiskKeyFileStore disk;
    FileError error;

    ASSERT_TRUE(disk.replace(path(u"key.htm"_s), path(u"copy"_s), "new text", {}, error)) << error.code;

    EXPECT_TRUE(QFileInfo(path(u"key.htm"_s)).isSymLink());
    EXPECT_EQ(read(u"real.htm"_s), QByteArray("new text"));
}

// --- large and odd input ---------------------------------------------------------------------------

// Whatever a file holds, processing loses nothing: the backup is the input byte for byte, and the key
// file holds either its own rewrite or what it held.
TEST_F(KeyFileTest, OddContentIsProcessedOrRefusedWithNothingLost)
{
    QByteArray oneLine = "<HTML><BODY>";
    for (int n = 1; n <= 300; ++n)
        oneLine += "<P>#" + QByteArray::number(n) + " Elytra smooth ....." + QByteArray::number(2 * n) +
                   " or rough ....Genus</P>";
    const std::vector<std::pair<QString, QByteArray>> files = {
        {u"nul.htm"_s, QByteArray(1 << 20, '\0')},
        {u"one line.htm"_s, oneLine},
        {u"Schlüssel äöü.htm"_s, "<P>#1 a ....2</P><P>#2 b</P>"},
        {u"x.htm"_s, "#"},
        {u"xy.htm"_s, "\xff\r"},
        {u"xyz.htm"_s, "..1"},
        {u"crlf.htm"_s, "\r\n\r\n\r\n#1\r\n....1"},
    };
    for (const auto& [name, content] : files) {
        write(name, content);
        const ProcessOutcome outcome = processor.bearbeiten(path(name));
        const RewriteResult expected = verknuepfen(content);
        const QByteArray key = read(name).value_or("<missing>");
        if (outcome == ProcessOutcome::Rewritten) {
            EXPECT_EQ(read(name + u"_bak0"_s), content) << name.toStdString();
            EXPECT_EQ(key, expected.text) << name.toStdString();
        } else {
            EXPECT_FALSE(read(name + u"_bak0"_s).has_value()) << name.toStdString();
            EXPECT_EQ(key, content) << name.toStdString();
        }
    }
}

TEST_F(KeyFileTest, NameThatIsNoUtf8IsProcessedUnderItsOwnBytes)
{
    // The system allows any bytes in a name, as a Latin-1 "Käfer" from an old archive.
    const QByteArray rawName = QFile::encodeName(m_dir.path()) + "/K\xe4"
                                                                 "fer.htm";
    const int fd = ::open(rawName.constData(), O_WRONLY | O_CREAT, 0644);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(::write(fd, linkedKey.constData(), linkedKey.size()), linkedKey.size());
    ::close(fd);

    EXPECT_EQ(processor.bearbeiten(fromNativePath(rawName)), ProcessOutcome::Rewritten);
    EXPECT_TRUE(reporter.errorReports.empty());
    EXPECT_EQ(readRaw(rawName), verknuepfen(linkedKey).text);
    EXPECT_EQ(readRaw(rawName + "_bak0"), linkedKey);
    // QTemporaryDir removes only names it can spell.
    ::unlink(rawName.constData());
    ::unlink((rawName + "_bak0").constData());
}

TEST_F(KeyFileTest, FiftyMegabyteKeyIsLinkedAndBackedUpExactly)
{
    QByteArray key;
    key.reserve(50 << 20);
    for (int n = 1; key.size() < (50 << 20); ++n)
        key += "<P>#" + QByteArray::number(n) + " Pronotum with a fine row of hairs ....." +
               QByteArray::number(n + 1) + "</P>\r\n";
    write(u"big.htm"_s, key);
    EXPECT_EQ(processor.bearbeiten(path(u"big.htm"_s)), ProcessOutcome::Rewritten);
    EXPECT_TRUE(read(u"big.htm_bak0"_s) == key);
    const QByteArray linked = read(u"big.htm"_s).value_or(QByteArray());
    const qsizetype entries = key.count("<P>#");
    EXPECT_EQ(linked.count("<A NAME=\"anKer"), entries);
    const QByteArray last = QByteArray::number(entries);
    EXPECT_TRUE(linked.contains("<A NAME=\"anKer" + last + "\"></A><A HREF=\"#anKer" +
                                QByteArray::number(entries - 1) + "\">#" + last + "</A>"));
}

// --- safety: rights, links, stale reads, hostile input --------------------------------------------

// The key keeps mode, owner and group and, when hard-linked, every name; the backup gets the same.
TEST_F(KeyFileTest, KeyAndBackupKeepModeOwnerGroupAndLinks)
{
    const bool root = ::geteuid() == 0;
    // Without root a 0000 or 0444 key cannot be read or is not ours to replace at all.
    for (const mode_t kept :
         root ? std::vector<mode_t>{0600, 0640, 0444, 0000} : std::vector<mode_t>{0600, 0640}) {
        const QString name = u"key%1.htm"_s.arg(kept, 4, 8, QChar(u'0'));
        write(name, linkedKey);
        ASSERT_EQ(::chmod(native(name).constData(), kept), 0);
        ASSERT_TRUE(!root || ::chown(native(name).constData(), 65534, 65534) == 0); // nobody:nogroup
        ASSERT_TRUE(kept != 0640 || ::link(native(name).constData(), native(u"twin.htm"_s).constData()) == 0);

        EXPECT_EQ(processor.bearbeiten(path(name)), ProcessOutcome::Rewritten) << kept;

        for (const QString& file : {name, name + u"_bak0"_s}) {
            struct stat info
            {
            };
            ASSERT_EQ(::stat(native(file).constData(), &info), 0);
            EXPECT_EQ(info.st_mode & 07777, kept) << file.toStdString();
            EXPECT_EQ(info.st_uid, root ? 65534U : ::geteuid()) << file.toStdString();
            EXPECT_EQ(info.st_gid, root ? 65534U : ::getegid()) << file.toStdString();
        }
        EXPECT_EQ(read(name + u"_bak0"_s), linkedKey);
    }
    EXPECT_EQ(read(u"twin.htm"_s), verknuepfen(linkedKey).text);
    if (!root)
        GTEST_SKIP() << "owner and group, and the modes 0444 and 0000, are kept only when run as root";
}

// The key's POSIX ACL and its other extended attributes go with the key and with its backup, as with
// `cp -a`, and the mode's group bits stay the ACL's mask; a key without ACL gets none from the
// folder's default ACL. Skipped where setfacl or setfattr are missing or the file system has neither.
TEST_F(KeyFileTest, AclAndExtendedAttributesGoWithTheKeyAndItsBackup)
{
    const auto attribute = [this](const QString& name, const char* attributeName) {
        return test::extendedAttribute(path(name), attributeName);
    };
    const auto tool = [](const QString& program, const QStringList& arguments) {
        return QProcess::execute(program, arguments) == 0;
    };
    write(u"plain.htm"_s, linkedKey);
    write(u"key.htm"_s, linkedKey);
    ASSERT_EQ(::chmod(native(u"key.htm"_s).constData(), 0600), 0);
    if (!tool(u"setfacl"_s, {u"-m"_s, u"u:nobody:r"_s, path(u"key.htm"_s)}) ||
        !tool(u"setfattr"_s, {u"-n"_s, u"user.note"_s, u"-v"_s, u"Käfer"_s, path(u"key.htm"_s)}) ||
        !tool(u"setfacl"_s, {u"-d"_s, u"-m"_s, u"u:nobody:rw"_s, m_dir.path()}))
        GTEST_SKIP() << "setfacl and setfattr are needed, on a file system with ACLs and user attributes";
    const std::optional<QByteArray> acl = attribute(u"key.htm"_s, "system.posix_acl_access");
    ASSERT_TRUE(acl.has_value());

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Rewritten);
    EXPECT_EQ(processor.bearbeiten(path(u"plain.htm"_s)), ProcessOutcome::Rewritten);

    for (const QString& name : {u"key.htm"_s, u"key.htm_bak0"_s}) {
        EXPECT_EQ(attribute(name, "system.posix_acl_access"), acl) << name.toStdString();
        EXPECT_EQ(attribute(name, "user.note"), QByteArray("Käfer")) << name.toStdString();
        EXPECT_EQ(mode(name), 0640U) << name.toStdString(); // the group bits are the mask
    }
    for (const QString& name : {u"plain.htm"_s, u"plain.htm_bak0"_s})
        EXPECT_FALSE(attribute(name, "system.posix_acl_access").has_value()) << name.toStdString();
    EXPECT_TRUE(reporter.errorReports.empty());
}

// An editor saves the key while a run is between its read and its replace, in place or under a
// new inode, whether the key has one name or two: the run writes nothing and takes its own backup
// away, which holds a reading the key no longer has.
TEST_F(KeyFileTest, KeyChangedDuringTheRunIsLeftAsItIs)
{
    const QByteArray saved = "<P>#1 saved by the author ....2</P><P>#2 y</P>";
    for (const bool hardLinked : {false, true}) {
        for (const bool renamed : {false, true}) {
            QTemporaryDir dir;
            m_dir.swap(dir);
            write(u"key.htm"_s, linkedKey);
            ASSERT_TRUE(!hardLinked ||
                        ::link(native(u"key.htm"_s).constData(), native(u"twin.htm"_s).constData()) == 0);
            store.beforeReplace = [&] {
                write(renamed ? u"saved.tmp"_s : u"key.htm"_s, saved);
                ASSERT_TRUE(!renamed || ::rename(native(u"saved.tmp"_s).constData(),
                                                 native(u"key.htm"_s).constData()) == 0);
            };
            reporter.errorReports.clear();
            processor.setMessages(KeyFileMessages::of(Language::English));

            EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Failed);

            EXPECT_EQ(reporter.errorReports,
                      (std::vector<Report>{
                          {path(u"key.htm"_s), KeyFileMessages::of(Language::English).changedMeanwhile}}));
            EXPECT_EQ(read(u"key.htm"_s), saved);
            EXPECT_EQ(entries(),
                      hardLinked ? (QStringList{u"key.htm"_s, u"twin.htm"_s}) : QStringList{u"key.htm"_s});
        }
    }
}

TEST_F(KeyFileTest, BackupNeverLandsOnAFileThatIsThere)
{
    write(u"taken"_s, "someone's backup");
    write(u"empty"_s, QByteArray());
    ASSERT_TRUE(QFile::link(u"nowhere"_s, path(u"link"_s)));
    DiskKeyFileStore disk;
    FileError error;

    for (const QString& name : {u"taken"_s, u"link"_s}) {
        EXPECT_FALSE(disk.writeBackup(path(name), "copy", {}, error)) << name.toStdString();
        EXPECT_EQ(error.code, EEXIST);
    }
    EXPECT_TRUE(disk.writeBackup(path(u"empty"_s), "copy", {}, error));

    EXPECT_EQ(read(u"taken"_s), QByteArray("someone's backup"));
    EXPECT_EQ(QFileInfo(path(u"link"_s)).symLinkTarget(), path(u"nowhere"_s));
    EXPECT_EQ(read(u"empty"_s), QByteArray("copy"));
    EXPECT_EQ(entries(), (QStringList{u"empty"_s, u"link"_s, u"taken"_s}));
}

// A name that cannot be taken, for whatever reason, means the next; only when none is left (here every
// name is refused) are the names said, and nothing is written.
TEST_F(KeyFileTest, NoBackupNameLeftNamesTheNamesTried)
{
    write(u"key.htm"_s, linkedKey);
    store.backupError = EACCES;
    store.backupErrorAtName = true;

    EXPECT_EQ(processor.bearbeiten(path(u"key.htm"_s)), ProcessOutcome::Failed);

    QString last = u"key.htm_bak0"_s;
    for (int skipped = 1; skipped < 100; ++skipped)
        last = nextBackupName(last);
    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{
                  {path(u"key.htm"_s), u"Kein Sicherungsname war zu haben (key.htm_bak0 … "_s + last +
                                           u": 100 Namen); die Datei bleibt unverändert"_s}}));
    EXPECT_EQ(store.log.filter(u"backup "_s).size(), 100);
    EXPECT_EQ(read(u"key.htm"_s), linkedKey);
    EXPECT_EQ(entries(), QStringList{u"key.htm"_s});
}

// A key that is a link to nothing is said to be so: when it is processed, and when a backup is brought
// back onto it (whose own backup stays). The link stays as it was.
TEST_F(KeyFileTest, KeyThatIsALinkToNothingIsSaidToBeSo)
{
    ASSERT_TRUE(QFile::link(u"nowhere.htm"_s, path(u"dang.htm"_s)));
    write(u"dang.htm_bak0"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"dang.htm"_s)), ProcessOutcome::Failed);
    EXPECT_EQ(processor.bearbeiten(path(u"dang.htm_bak0"_s)), ProcessOutcome::Failed);

    const QString message = KeyFileMessages::of(Language::German).danglingLink;
    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"dang.htm"_s), message}, {path(u"dang.htm"_s), message}}));
    EXPECT_EQ(QFileInfo(path(u"dang.htm"_s)).symLinkTarget(), path(u"nowhere.htm"_s));
    EXPECT_FALSE(QFileInfo::exists(path(u"nowhere.htm"_s)));
    EXPECT_EQ(read(u"dang.htm_bak0"_s), linkedKey);
}

// Input that would take all memory, or that a transform cannot hold, ends in the message; nothing is
// written.
TEST_F(KeyFileTest, HostileInputEndsInTheTooBigMessage)
{
    const QByteArray hashes(100 << 10, '#');
    write(u"hashes.htm"_s, hashes);
    write(u"key.htm"_s, linkedKey);

    EXPECT_EQ(processor.bearbeiten(path(u"hashes.htm"_s)), ProcessOutcome::Failed);
    EXPECT_EQ(
        processor.processWith(path(u"key.htm"_s), [](QByteArray) -> KeyChange { throw std::bad_alloc(); }),
        ProcessOutcome::Failed);

    const QString tooBig = KeyFileMessages::of(Language::German).tooBig;
    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"hashes.htm"_s), tooBig}, {path(u"key.htm"_s), tooBig}}));
    EXPECT_EQ(read(u"hashes.htm"_s), hashes);
    EXPECT_EQ(read(u"key.htm"_s), linkedKey);
    EXPECT_EQ(entries(), (QStringList{u"hashes.htm"_s, u"key.htm"_s}));
}

TEST_F(KeyFileTest, StructureErrorNamesTheLineOfTheLink)
{
    write(u"key.htm"_s, "<HTML>\r\n<P>#1 x</P>\n\n<P>y ....2</P>\n<P>z ....3</P>");
    // An anchor at the very first position counts for nothing, so the link on line 4 has none.
    write(u"first.htm"_s, "#1\n\n\nx ....2\n#2");

    processor.bearbeiten(path(u"first.htm"_s));
    processor.bearbeiten(path(u"key.htm"_s));

    const KeyFileMessages german = KeyFileMessages::of(Language::German);
    EXPECT_EQ(reporter.messages.size(), 1U);
    EXPECT_EQ(reporter.messages.front().text,
              german.structureError + u" – „x ....2“\n"_s + path(u"first.htm"_s) + u", Zeile 4"_s);
}

// A key saved as UTF-16 comes back as UTF-16 with its byte order mark, holding the text processing
// gives its UTF-8 twin.
TEST_F(KeyFileTest, UnicodeKeysComeBackInTheirOwnEncoding)
{
    const QString text = QString::fromUtf8(linkedKey) + u"<P>Käfer ♀ 𝔄</P>"_s;
    const QByteArray linked = verknuepfen(text.toUtf8()).text;
    for (const auto& [name, mark, encoding] :
         {std::tuple{u"le.htm"_s, QByteArray("\xff\xfe"), QStringConverter::Utf16LE},
          std::tuple{u"be.htm"_s, QByteArray("\xfe\xff"), QStringConverter::Utf16BE}}) {
        QStringEncoder encoder(encoding);
        const QByteArray bytes = mark + QByteArray(encoder(text));
        write(name, bytes);
        EXPECT_EQ(processor.bearbeiten(path(name)), ProcessOutcome::Rewritten);
        const QByteArray after = read(name).value_or(QByteArray());
        ASSERT_TRUE(after.startsWith(mark)) << name.toStdString();
        QStringDecoder decoder(encoding);
        EXPECT_EQ(QString(decoder(after.mid(2))), QString::fromUtf8(linked)) << name.toStdString();
        EXPECT_FALSE(decoder.hasError());
        EXPECT_EQ(read(name + u"_bak0"_s), bytes);
        EXPECT_EQ(processor.bearbeiten(path(name)), ProcessOutcome::Unchanged);
    }
    EXPECT_TRUE(reporter.errorReports.empty());
}

// What no run takes is refused with a message that names it, and leaves no trace: a page keylinker
// made, and files that are no text a key is saved in.
TEST_F(KeyFileTest, PagesAndFilesNoRunTakesAreRefusedWithoutATrace)
{
    QStringEncoder utf16(QStringConverter::Utf16LE);
    QStringEncoder utf32(QStringConverter::Utf32LE);
    const QByteArray page = "<html><head>" + GeneratedPage::metaElement("Käfer & Co.htm") +
                            "<style>a { color: #FF0000 }</style></head><body>#1 x ....2</body></html>";
    const std::vector<std::pair<QString, QByteArray>> files = {
        {u"reader.html"_s, page},
        {u"nomark.htm"_s, utf16(QString::fromUtf8(linkedKey))},
        {u"wide.htm"_s, QByteArray("\xff\xfe\0\0", 4) + QByteArray(utf32(QString::fromUtf8(linkedKey)))},
        {u"image.htm"_s, "\x89PNG\r\n\x1a\n\0\0\0\rIHDR\0\0\x01\0\0\0\x01\0\x08\x02\0\0\0"_ba},
    };
    const KeyFileMessages english = KeyFileMessages::of(Language::English);
    processor.setMessages(english);
    for (const auto& [name, content] : files) {
        write(name, content);
        EXPECT_EQ(processor.bearbeiten(path(name)), ProcessOutcome::Failed) << name.toStdString();
        EXPECT_EQ(read(name), content);
    }
    EXPECT_EQ(entries(), (QStringList{u"image.htm"_s, u"nomark.htm"_s, u"reader.html"_s, u"wide.htm"_s}));
    const QString notText = english.notText;
    EXPECT_EQ(reporter.errorReports,
              (std::vector<Report>{{path(u"reader.html"_s),
                                    u"This is a page for readers made by keylinker from Käfer & Co.htm: "
                                    u"process Käfer & Co.htm and export again"_s},
                                   {path(u"nomark.htm"_s), notText.arg(english.utf16WithoutMark)},
                                   {path(u"wide.htm"_s), notText.arg(english.utf32)},
                                   {path(u"image.htm"_s), notText.arg(english.binary)}}));
}

TEST(KeyFileMessagesTest, SystemFailuresHaveTextsOfTheirOwnInBothLanguages)
{
    const std::vector<FileError> failures = {{ENOENT},
                                             {EISDIR},
                                             {EACCES},
                                             {EACCES, true},
                                             {ENOSPC},
                                             {EROFS},
                                             {EMFILE},
                                             {EFBIG},
                                             {FileError::changedMeanwhile},
                                             {FileError::tooBig},
                                             {FileError::notAFile}};
    for (const KeyFileMessages& messages :
         {KeyFileMessages::of(Language::German), KeyFileMessages::of(Language::English)}) {
        QStringList texts;
        for (const FileError& failure : failures)
            texts << messages.failureText(failure, u"/keys/Käfer/key.htm"_s);
        texts.removeDuplicates();
        EXPECT_EQ(texts.size(), qsizetype(failures.size())) << texts.join(u" | "_s).toStdString();
        EXPECT_TRUE(texts.at(3).contains(u"/keys/Käfer"_s) && !texts.at(3).contains(u"key.htm"_s));
        EXPECT_EQ(messages.failureText({EXDEV}, u"k"_s), qt_error_string(EXDEV));
    }
    // Texts a caller left out come in the messages' language, whatever texts of its own it set.
    const KeyFileMessages partial{u"a"_s, u"b"_s};
    EXPECT_EQ(partial.failureText({ENOSPC}, u"k"_s), KeyFileMessages::of(Language::German).diskFull);
    KeyFileMessages ownWords = KeyFileMessages::of(Language::English);
    ownWords.structureError = u"Bad structure!"_s;
    ownWords.diskFull.clear();
    EXPECT_EQ(ownWords.failureText({ENOSPC}, u"k"_s), KeyFileMessages::of(Language::English).diskFull);
}

TEST_F(KeyFileTest, RenumberingRefusedInTheRunSaysWhyAndWritesNothing)
{
    // The key gains a duplicate number between the first read and the run's own.
    const QByteArray before = "<P>#1 a ....2 b ....3</P><P>#2 c ....X d ....Y</P><P>#3 e ....Z f ....W</P>";
    QByteArray duplicate = before;
    duplicate.replace("#3", "#2");
    write(u"key.htm"_s, before);
    store.afterRead = [&] { write(u"key.htm"_s, duplicate); };
    QList<KeyFinding> findings;
    qsizetype notListed = -1;

    EXPECT_EQ(renumberKeyFile(processor, store, path(u"key.htm"_s), findings, notListed),
              ProcessOutcome::Refused);

    ASSERT_FALSE(findings.isEmpty());
    EXPECT_EQ(findings.front().kind, KeyFinding::Kind::DuplicateEntry);
    EXPECT_EQ(notListed, 0);
    EXPECT_TRUE(reporter.messages.empty());
    EXPECT_EQ(read(u"key.htm"_s), duplicate);
}

} // namespace
} // namespace keylinker
