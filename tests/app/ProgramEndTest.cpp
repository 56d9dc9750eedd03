#include <array>
#include <csignal>
#include <ctime>
#include <random>

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include "KeyRewrite.h"
#include "TestDir.h"

// keylinker-cli run as a user runs it, where the output cannot be written, under the system's
// limits, and ended by signals.
namespace keylinker {
namespace {

const QString cli = QStringLiteral(KEYLINKER_CLI_PATH);

// A key of `entries` couplets, each leading to the next.
QByteArray chainKey(int entries)
{
    QByteArray key;
    for (int entry = 1; entry <= entries; ++entry) {
        const QByteArray number = QByteArray::number(entry);
        key += "<P>#" + number + " Wings red ....Species " + number + "<BR>Wings blue ...." +
               QByteArray::number(entry + 1) + "</P>\n";
    }
    return key + "<P>#" + QByteArray::number(entries + 1) + " last ....A<BR>other ....B</P>\n";
}

struct ShellRun
{
    bool signalled = false;
    int status = -1;
    QByteArray err;
};

// `script` run by bash, with keylinker-cli as $0 and `arguments` as $@.
ShellRun bash(const QString& script, const QStringList& arguments)
{
    QProcess shell;
    shell.start(QStringLiteral("/bin/bash"), QStringList{QStringLiteral("-c"), script, cli} + arguments);
    shell.closeWriteChannel();
    if (!shell.waitForFinished(-1))
        return {};
    return {shell.exitStatus() == QProcess::CrashExit, shell.exitCode(), shell.readAllStandardError()};
}

QByteArray read(const QString& path)
{
    return test::readFile(path).value_or("<missing>");
}

// The entries of `folder`, hidden ones among them.
QStringList entries(const QString& folder)
{
    return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                                  QDir::Name);
}

class ProgramEndTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        EXPECT_TRUE(test::writeFile(path, content));
        return path;
    }
    QString path(const QString& name) const { return m_dir.filePath(name); }

    QTemporaryDir m_dir;
};

// Every mode that writes to standard output ends with status 1 and says so when the output cannot be
// written: to a full device, to a closed standard output; to a reader that went away, quietly.
TEST_F(ProgramEndTest, OutputThatCannotBeWrittenIsNeverSuccess)
{
    const QString key = write(QStringLiteral("key.htm"), chainKey(20'000));
    const QString faulty =
        write(QStringLiteral("faulty.htm"), "<P>#1 a ....2 b ....7</P>\n<P>#2 c ....2</P>\n");
    const QString table = write(QStringLiteral("table.csv"), "from,statement,to\n1,red,A\n1,blue,B\n");
    const QList<QStringList> calls = {
        {QStringLiteral("--print"), key},
        {QStringLiteral("--check"), faulty},
        {QStringLiteral("--stats"), key},
        {QStringLiteral("--renumber"), QStringLiteral("--print"), key},
        {QStringLiteral("--export"), QStringLiteral("text"), key},
        {QStringLiteral("--export"), QStringLiteral("latex"), key},
        {QStringLiteral("--import"), table},
        {QStringLiteral("--find"), m_dir.path()},
        {QStringLiteral("--version")},
    };
    const QByteArray fullDisk = "keylinker-cli: cannot write the output: The disk is full\n";
    for (const QStringList& call : calls) {
        const std::string what = call.join(u' ').toStdString();
        const ShellRun full = bash(QStringLiteral("exec \"$0\" --english \"$@\" >/dev/full"), call);
        EXPECT_FALSE(full.signalled) << what;
        EXPECT_EQ(full.status, 1) << what;
        EXPECT_TRUE(full.err.endsWith(fullDisk)) << what << ": " << full.err.toStdString();
        const ShellRun closed = bash(QStringLiteral("exec \"$0\" --english \"$@\" >&-"), call);
        EXPECT_EQ(closed.status, 1) << what;
        EXPECT_TRUE(closed.err.contains("keylinker-cli: cannot write the output: ")) << what;
    }
    EXPECT_EQ(bash(QStringLiteral("exec \"$0\" \"$@\" >/dev/full"), {QStringLiteral("--print"), key}).err,
              "keylinker-cli: die Ausgabe kann nicht geschrieben werden: Der Datenträger ist voll\n");
    // Nothing of the key was touched meanwhile, nor a file put beside it.
    EXPECT_EQ(entries(m_dir.path()).size(), 3);

    // A pipe closed early ends the run by SIGPIPE as it does any tool, or, where SIGPIPE is ignored,
    // with status 1 and no message: never with success.
    const QStringList print{QStringLiteral("--print"), key};
    EXPECT_NE(bash(QStringLiteral("set -o pipefail; \"$0\" \"$@\" | head -c 1 >/dev/null"), print).status, 0);
    const ShellRun ignored = bash(
        QStringLiteral("trap '' PIPE; \"$0\" \"$@\" | head -c 1 >/dev/null; exit ${PIPESTATUS[0]}"), print);
    EXPECT_EQ(ignored.status, 1);
    EXPECT_TRUE(ignored.err.isEmpty()) << ignored.err.toStdString();
}

// An -o file that does not fit on its disk is never there, whole or in part.
TEST_F(ProgramEndTest, OutputFileOnAFullDiskIsNotLeft)
{
    const QString key = write(QStringLiteral("key.htm"), chainKey(2'000));
    QTemporaryDir small;
    const QByteArray mountPoint = QFile::encodeName(small.path());
    if (::mount("tmpfs", mountPoint.constData(), "tmpfs", 0, "size=64k") != 0)
        GTEST_SKIP() << "no tmpfs can be mounted here";
    for (const QString& format : {QStringLiteral("text"), QStringLiteral("pdf")}) {
        const ShellRun run = bash(QStringLiteral("exec \"$0\" --english \"$@\""),
                                  {QStringLiteral("--export"), format, key, QStringLiteral("-o"),
                                   small.filePath(QStringLiteral("out"))});
        EXPECT_EQ(run.status, 1) << format.toStdString();
        EXPECT_TRUE(run.err.endsWith("/out: The disk is full\n")) << run.err.toStdString();
        EXPECT_EQ(entries(small.path()), QStringList()) << format.toStdString();
    }
    ::umount(mountPoint.constData());
}

// Under a file size limit every mode that writes ends with a message and status 1, not SIGXFSZ, and
// leaves the key as it was and nothing beside it.
TEST_F(ProgramEndTest, FileSizeLimitIsAMessage)
{
    const QByteArray original = chainKey(500);
    const QString key = write(QStringLiteral("key.htm"), original);
    const QString out = path(QStringLiteral("out"));
    // Renumbering and relinking write through the procedure processing writes through; this key
    // they would leave as it is.
    const QList<QStringList> calls = {
        {key},
        {QStringLiteral("--export"), QStringLiteral("text"), key, QStringLiteral("-o"), out},
        {QStringLiteral("--export"), QStringLiteral("pdf"), key, QStringLiteral("-o"), out},
    };
    const QString limited = QStringLiteral("ulimit -f 8 && exec \"$0\" --english \"$@\"");
    for (const QStringList& call : calls) {
        const ShellRun run = bash(limited, call);
        const std::string what = call.join(u' ').toStdString();
        EXPECT_FALSE(run.signalled) << what;
        EXPECT_EQ(run.status, 1) << what;
        EXPECT_TRUE(run.err.endsWith(": The file is too big for this system's limit\n"))
            << what << ": " << run.err.toStdString();
        EXPECT_EQ(read(key), original) << what;
        EXPECT_EQ(entries(m_dir.path()), QStringList{QStringLiteral("key.htm")}) << what;
    }
    const ShellRun printed =
        bash(limited + QStringLiteral(" >\"$2.printed\""), {QStringLiteral("--print"), key});
    EXPECT_FALSE(printed.signalled);
    EXPECT_EQ(printed.status, 1);
    EXPECT_EQ(printed.err,
              "keylinker-cli: cannot write the output: The file is too big for this system's limit\n");
}

// With few descriptors to open, a run either does its work or names the real cause and leaves the key
// as it was.
TEST_F(ProgramEndTest, TooFewOpenFilesAreNamed)
{
    const QByteArray original = chainKey(50);
    int named = 0;
    int done = 0;
    for (int files = 4; files <= 20; ++files) {
        for (const QString& mode :
             {QStringLiteral("--english"), QStringLiteral("--renumber"), QStringLiteral("--relink")}) {
            QTemporaryDir dir;
            const QString key = dir.filePath(QStringLiteral("key.htm"));
            ASSERT_TRUE(test::writeFile(key, original));
            const ShellRun run =
                bash(QStringLiteral("ulimit -n %1 && exec \"$0\" --english \"$@\"").arg(files), {mode, key});
            const std::string what = std::to_string(files) + " " + mode.toStdString();
            EXPECT_FALSE(run.signalled) << what;
            if (run.err.contains("error while loading shared libraries"))
                continue; // too few to start at all: that is the loader's word, not ours
            if (run.status == 0) {
                ++done;
                continue;
            }
            EXPECT_EQ(run.status, 1) << what;
            EXPECT_TRUE(run.err.endsWith(": Too many open files\n")) << what << ": " << run.err.toStdString();
            EXPECT_EQ(read(key), original) << what;
            ++named;
        }
    }
    EXPECT_GT(named, 0);
    EXPECT_GT(done, 0);
}

// The temporary files under `folder`.
QStringList temporaryFiles(const QString& folder)
{
    return entries(folder).filter(QStringLiteral(".keylinker-"));
}

// Stopped at a random moment and then ended by SIGINT, SIGTERM or SIGHUP, a run ends as that signal
// ends a program and leaves the key old or new and no temporary file, also where one was being
// written when it stopped.
TEST_F(ProgramEndTest, SignalsLeaveTheKeyOldOrNewAndNoTemporaryFile)
{
    const QByteArray original = chainKey(100'000);
    const QByteArray processed = verknuepfen(original).text;
    const QString key = path(QStringLiteral("key.htm"));
    const QByteArray program = QFile::encodeName(cli);
    const QByteArray keyName = QFile::encodeName(key);
    auto start = [&] {
        const pid_t child = ::fork();
        if (child == 0) {
            for (const int handled : {SIGINT, SIGTERM, SIGHUP})
                std::signal(handled, SIG_DFL);
            ::execl(program.constData(), program.constData(), keyName.constData(), nullptr);
            ::_exit(127);
        }
        return child;
    };
    const auto running = [](pid_t child) {
        siginfo_t info{};
        return ::waitid(P_PID, static_cast<id_t>(child), &info, WEXITED | WNOHANG | WNOWAIT) == 0 &&
               info.si_pid == 0;
    };
    // Half the stops fall at a random moment of a run as long as a first one, the others as soon as a
    // temporary file shows, so that some meet the writing however fast or slow the build.
    ASSERT_TRUE(test::writeFile(key, original));
    QElapsedTimer timer;
    timer.start();
    const pid_t whole = start();
    ASSERT_GE(whole, 0);
    ASSERT_EQ(::waitpid(whole, nullptr, 0), whole);
    std::uniform_int_distribution<qint64> moment(0, timer.nsecsElapsed() / 1000);
    std::mt19937 random(28);
    int caught = 0;
    for (int attempt = 0; attempt < 60 && caught < 3; ++attempt) {
        for (const QString& name : entries(m_dir.path()))
            QFile::remove(path(name));
        ASSERT_TRUE(test::writeFile(key, original));
        const int signal = std::array{SIGINT, SIGTERM, SIGHUP}[attempt % 3];
        const pid_t child = start();
        ASSERT_GE(child, 0);
        if (attempt % 2 == 0) {
            ::usleep(static_cast<useconds_t>(moment(random)));
        } else {
            while (running(child) && temporaryFiles(m_dir.path()).isEmpty()) {
            }
        }
        ::kill(child, SIGSTOP);
        const bool writing = !temporaryFiles(m_dir.path()).isEmpty();
        ::kill(child, signal);
        ::kill(child, SIGCONT);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        const bool ended = WIFEXITED(status) && WEXITSTATUS(status) == 0;
        EXPECT_TRUE(ended || (WIFSIGNALED(status) && WTERMSIG(status) == signal)) << attempt << " " << status;
        const QByteArray now = read(key);
        EXPECT_TRUE(now == original || now == processed) << attempt;
        EXPECT_EQ(temporaryFiles(m_dir.path()), QStringList()) << attempt;
        caught += writing && !ended ? 1 : 0;
    }
    EXPECT_GT(caught, 0) << "no run was stopped while it wrote";
}

// What a run ended by SIGKILL leaves, the next run in the folder removes once it is an hour old, if it
// is this user's and named as a temporary file of ours; nothing else.
TEST_F(ProgramEndTest, LeftoversOfKilledRunsAreRemovedWhenOld)
{
    const QString key = write(QStringLiteral("key.htm"), chainKey(3));
    const QString fresh = QStringLiteral(".key.htm.keylinker-fresh1");
    const QString others = QStringLiteral(".key.htm.keylinker-Other1");
    const QString old = QStringLiteral(".other.htm.keylinker-Abc123");
    QStringList kept{fresh, QStringLiteral(".key.htm.keylinker-Abc12"),
                     QStringLiteral(".key.htm.keylinker-Abc12;"), QStringLiteral("key.htm.keylinker-Abc123")};
    // Only root can give a file to another user.
    if (::geteuid() == 0)
        kept << others;
    for (const QString& name : kept + QStringList{old}) {
        const QByteArray file = QFile::encodeName(write(name, "left"));
        const struct timeval twoHoursAgo[2] = {{::time(nullptr) - 7200, 0}, {::time(nullptr) - 7200, 0}};
        ASSERT_TRUE(name == fresh || ::utimes(file.constData(), twoHoursAgo) == 0);
        ASSERT_TRUE(name != others || ::chown(file.constData(), ::geteuid() + 1, ::getegid()) == 0);
    }
    EXPECT_EQ(bash(QStringLiteral("exec \"$0\" \"$@\""), {key}).status, 0);
    QStringList left = temporaryFiles(m_dir.path());
    left.sort();
    QStringList expected = kept;
    expected.sort();
    EXPECT_EQ(left, expected);
}

// A key swapped between its read and its replace for a link to another file, or for another file with
// the same text, is not written: the file the link leads to keeps its own text.
TEST_F(ProgramEndTest, ReplaceWritesOnlyTheFileThatWasRead)
{
    const QByteArray original = chainKey(3);
    for (const bool link : {true, false}) {
        QTemporaryDir dir;
        const QString key = dir.filePath(QStringLiteral("key.htm"));
        const QString other = dir.filePath(QStringLiteral("other.htm"));
        ASSERT_TRUE(test::writeFile(key, original) && test::writeFile(other, original));
        QProcess waiting;
        waiting.start(QStringLiteral(KEYLINKER_PAUSING_CLI_PATH), {QStringLiteral("--english"), key});
        ASSERT_TRUE(waiting.waitForReadyRead());
        ASSERT_EQ(waiting.readAllStandardOutput(), "paused\n");
        const QByteArray keyName = QFile::encodeName(key);
        if (link) {
            ASSERT_EQ(::unlink(keyName.constData()), 0);
            ASSERT_EQ(::symlink(QFile::encodeName(other).constData(), keyName.constData()), 0);
        } else {
            ASSERT_EQ(::rename(QFile::encodeName(other).constData(), keyName.constData()), 0);
        }
        waiting.write("\n");
        ASSERT_TRUE(waiting.waitForFinished());
        EXPECT_EQ(waiting.exitCode(), 1) << link;
        EXPECT_TRUE(waiting.readAllStandardError().endsWith(
            ": The file was changed while it was being processed and was left as it is\n"));
        EXPECT_EQ(read(link ? other : key), original) << link;
    }
}

} // namespace
} // namespace keylinker
