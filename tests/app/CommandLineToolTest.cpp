#include "CommandLineTool.h"

#include "KeyRewrite.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace keylinker {
namespace {

const QByteArray goodKey = "<P>#1 Wings red ....2<BR>Wings blue ....3</P>\r\n<P>#2 x</P>\r\n<P>#3 y</P>\r\n";
const QByteArray badKey = "<P>Wings red ....2</P><P>#1 x</P><P>#2 y</P>";

struct ToolRun
{
    int status;
    QByteArray out;
    QByteArray err;
};

ToolRun runTool(const QStringList& arguments)
{
    QBuffer out, err;
    out.open(QIODevice::WriteOnly);
    err.open(QIODevice::WriteOnly);
    CommandLineTool tool(out, err);
    const int status = tool.run(arguments);
    return {status, out.data(), err.data()};
}

class CommandLineToolTest : public ::testing::Test
{
protected:
    QString write(const QString& name, const QByteArray& content)
    {
        const QString path = m_dir.filePath(name);
        QFile file(path);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return path;
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    QTemporaryDir m_dir;
};

TEST_F(CommandLineToolTest, ProcessesEveryFileAndReportsEachMessageOnOneLine)
{
    const QString good = write(QStringLiteral("gut.htm"), goodKey);
    const QString bad = write(QStringLiteral("schlecht.htm"), badKey);
    const QString missing = m_dir.filePath(QStringLiteral("fehlt.htm"));

    const ToolRun german = runTool({bad, missing, good});
    EXPECT_EQ(german.status, CommandLineTool::exitMessage);
    EXPECT_TRUE(german.out.isEmpty());
    const QList<QByteArray> lines = german.err.split('\n');
    ASSERT_EQ(lines.size(), 3) << german.err.toStdString(); // two lines and the empty rest
    EXPECT_EQ(lines[0], (bad + QStringLiteral(": Strukturfehler, kein Anker vor Verweis")).toLocal8Bit());
    EXPECT_TRUE(lines[1].startsWith((missing + QStringLiteral(": ")).toLocal8Bit()))
        << lines[1].toStdString();
    EXPECT_TRUE(lines[1].contains("No such file")) << lines[1].toStdString();
    // The run went on after the messages: the last file is rewritten, with its backup beside it.
    EXPECT_EQ(read(good), verknuepfen(goodKey).text);
    EXPECT_EQ(read(good + QStringLiteral("_bak0")), goodKey);
    EXPECT_EQ(read(bad), badKey);
    EXPECT_FALSE(QFile::exists(missing));

    const ToolRun english = runTool({QStringLiteral("--english"), bad});
    EXPECT_EQ(english.err, (bad + QStringLiteral(": Bad structure: no anchor before link\n")).toLocal8Bit());

    const ToolRun clean = runTool({good});
    EXPECT_EQ(clean.status, CommandLineTool::exitOk);
    EXPECT_TRUE(clean.err.isEmpty());
    EXPECT_EQ(read(good + QStringLiteral("_bak1")), verknuepfen(goodKey).text);
}

TEST_F(CommandLineToolTest, PrintWritesTheRewrittenKeyAndChangesNothing)
{
    const QString good = write(QStringLiteral("key.htm"), goodKey);
    const ToolRun printed = runTool({QStringLiteral("--print"), good});
    EXPECT_EQ(printed.status, CommandLineTool::exitOk);
    EXPECT_EQ(printed.out, verknuepfen(goodKey).text);
    EXPECT_EQ(read(good), goodKey);
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("key.htm")});

    const QString bad = write(QStringLiteral("bad.htm"), badKey);
    const ToolRun failed = runTool({QStringLiteral("--english"), QStringLiteral("--print"), bad});
    EXPECT_EQ(failed.status, CommandLineTool::exitMessage);
    EXPECT_TRUE(failed.out.isEmpty());
    EXPECT_EQ(failed.err, (bad + QStringLiteral(": Bad structure: no anchor before link\n")).toLocal8Bit());
}

TEST_F(CommandLineToolTest, BadUsageEndsWithStatusTwoAndAUsageLine)
{
    const QString key = write(QStringLiteral("key.htm"), goodKey);
    for (const QStringList& arguments : {QStringList{}, QStringList{QStringLiteral("--english")},
                                         QStringList{QStringLiteral("--frobnicate"), key},
                                         QStringList{QStringLiteral("--print"), key, key}}) {
        const ToolRun run = runTool(arguments);
        EXPECT_EQ(run.status, CommandLineTool::exitUsage) << arguments.join(u' ').toStdString();
        EXPECT_TRUE(run.err.contains("usage: keylinker-cli")) << run.err.toStdString();
    }
    EXPECT_EQ(read(key), goodKey);
    EXPECT_EQ(runTool({QStringLiteral("--help")}).status, CommandLineTool::exitOk);
    // A file whose name begins with "-" can still be named after "--".
    const QString dashed = write(QStringLiteral("-key.htm"), goodKey);
    QDir::setCurrent(m_dir.path());
    EXPECT_EQ(runTool({QStringLiteral("--"), QStringLiteral("-key.htm")}).status, CommandLineTool::exitOk);
    EXPECT_EQ(read(dashed), verknuepfen(goodKey).text);
}

TEST_F(CommandLineToolTest, ProgramPassesItsArgumentsAndExitStatus)
{
    const QString bad = write(QStringLiteral("bad.htm"), badKey);
    QProcess process;
    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--english"), bad});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), CommandLineTool::exitMessage);
    EXPECT_EQ(process.readAllStandardError(),
              (bad + QStringLiteral(": Bad structure: no anchor before link\n")).toLocal8Bit());

    process.start(QStringLiteral(KEYLINKER_CLI_PATH), {QStringLiteral("--version")});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitCode(), CommandLineTool::exitOk);
    EXPECT_TRUE(process.readAllStandardOutput().startsWith("keylinker-cli "));
}

} // namespace
} // namespace keylinker
