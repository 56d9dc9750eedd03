#include <csignal>

#include <gtest/gtest.h>
#include <sys/resource.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include "CommandLineTool.h"

namespace keylinker {
namespace {

class ExchangeCommandsTest : public ::testing::Test
{
protected:
    ExitStatus run(const QStringList& arguments)
    {
        m_out.setData({});
        m_err.setData({});
        m_out.open(QIODevice::WriteOnly);
        m_err.open(QIODevice::WriteOnly);
        const ExitStatus status = CommandLineTool(m_out, m_err).run(arguments);
        m_out.close();
        m_err.close();
        return status;
    }
    QString write(const QString& name, const QByteArray& content)
    {
        QFile file(m_dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(content);
        return file.fileName();
    }
    static QByteArray read(const QString& path)
    {
        QFile file(path);
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray("<missing>");
    }

    // Some cases name files relative to the current folder; the next test starts where this one did.
    void TearDown() override { QDir::setCurrent(m_startFolder); }

    const QString m_startFolder = QDir::currentPath();
    QTemporaryDir m_dir;
    QBuffer m_out;
    QBuffer m_err;
};

TEST_F(ExchangeCommandsTest, ImportWritesANewPageThatProcessingLinks)
{
    const QByteArray keybase =
        "from,statement,to\r\n1,\"Wings red, <i>shining</i>\",2\r\n1,Wings blue,Species A\r\n"
        "2,Head black,B\r\n2,Head brown,C|D\r\n";
    const QString table = write(QStringLiteral("käfer.csv"), keybase);
    const QString page = m_dir.filePath(QStringLiteral("-käfer.htm"));
    ASSERT_EQ(run({QStringLiteral("--import"), table, QStringLiteral("--title"), QStringLiteral("Käfer"),
                   QStringLiteral("-o"), page}),
              exitOk)
        << m_err.data().toStdString();
    const QByteArray written = read(page);
    EXPECT_TRUE(written.contains("<TITLE>Käfer</TITLE>")) << written.toStdString();
    EXPECT_TRUE(m_out.data().isEmpty());

    // Never over a file that is there: the page stays as it was.
    EXPECT_EQ(run({QStringLiteral("--import"), table, QStringLiteral("-o"), page}), exitMessage);
    EXPECT_TRUE(m_err.data().startsWith(page.toLocal8Bit() + ": ")) << m_err.data().toStdString();
    EXPECT_EQ(read(page), written);

    // The page is a key like any other: processing links it, and before and after, its export is
    // the table it came from.
    for (int processed = 0; processed < 2; ++processed) {
        EXPECT_EQ(run({QStringLiteral("--export"), QStringLiteral("keybase"), QStringLiteral("--"), page}),
                  exitOk);
        EXPECT_EQ(m_out.data(), keybase);
        EXPECT_EQ(run({QStringLiteral("--"), page}), exitOk) << m_err.data().toStdString();
    }
    EXPECT_TRUE(read(page).contains("<A HREF=\"#anKer2\">...2</A>"));
}

TEST_F(ExchangeCommandsTest, ReportsInTheUsersLanguageAndWritesNothing)
{
    const QString broken = write(QStringLiteral("broken.tsv"), "from\tstatement\tto\n1\ta\t2\n1\t\"b\n");
    const QString out = m_dir.filePath(QStringLiteral("out.htm"));
    EXPECT_EQ(run({QStringLiteral("--import"), broken, QStringLiteral("-o"), out}), exitMessage);
    EXPECT_EQ(m_err.data(),
              (broken + QStringLiteral(":3: Anführungszeichen wird nicht geschlossen\n")).toLocal8Bit());
    EXPECT_EQ(run({QStringLiteral("--english"), QStringLiteral("--export"), QStringLiteral("text"), broken}),
              exitMessage);
    EXPECT_EQ(m_err.data(), (broken + QStringLiteral(":3: quote is not closed\n")).toLocal8Bit());
    EXPECT_FALSE(QFile::exists(out));
    EXPECT_TRUE(m_out.data().isEmpty());

    const QStringList wrongCalls[] = {
        {QStringLiteral("--export"), QStringLiteral("pdf"), broken},
        {QStringLiteral("--import"), broken, broken},
        {QStringLiteral("--import"), broken, QStringLiteral("--no-header")},
        {QStringLiteral("--export"), QStringLiteral("text"), broken, QStringLiteral("--layout"),
         QStringLiteral("indented")},
        {QStringLiteral("--import"), broken, QStringLiteral("--export"), QStringLiteral("text")},
        {QStringLiteral("--import"), broken, QStringLiteral("-o")},
    };
    for (const QStringList& call : wrongCalls)
        EXPECT_EQ(run(call), exitUsage) << call.join(u' ').toStdString();
}

// The reader's page of any key: in the language asked for, titled by the key or else by the file's
// name; what holds no key ends in the message of the other exports, and nothing on standard output.
TEST_F(ExchangeCommandsTest, InteractivePageOfAnyKey)
{
    const QString table =
        write(QStringLiteral("käfer.csv"), "from,statement,to\n1,Wings red,A\n1,Wings blue,B\n");
    ASSERT_EQ(
        run({QStringLiteral("--english"), QStringLiteral("--export"), QStringLiteral("interactive"), table}),
        exitOk)
        << m_err.data().toStdString();
    EXPECT_TRUE(m_out.data().startsWith("<!DOCTYPE html>\n<html lang=en>"))
        << m_out.data().left(80).toStdString();
    EXPECT_TRUE(m_out.data().contains("<title>käfer</title>"));
    ASSERT_EQ(run({QStringLiteral("--export"), QStringLiteral("interactive"),
                   QStringLiteral(KEYLINKER_EXAMPLES_DIR "/Laubbaeume.htm")}),
              exitOk);
    EXPECT_TRUE(m_out.data().contains("<html lang=de>"));
    EXPECT_TRUE(m_out.data().contains(
        "<title>Bestimmungsschlüssel für einheimische Laubbäume nach den Blättern</title>"));

    const QString empty = write(QStringLiteral("empty.htm"), "<P>#1 no lead</P>");
    EXPECT_EQ(
        run({QStringLiteral("--english"), QStringLiteral("--export"), QStringLiteral("interactive"), empty}),
        exitMessage);
    EXPECT_TRUE(m_out.data().isEmpty());
    EXPECT_EQ(m_err.data(), (empty + QStringLiteral(":1: no lead at all\n")).toLocal8Bit());
}

// After "--" every argument is a file, even one named like an option.
TEST_F(ExchangeCommandsTest, ArgumentsAfterTheDoubleDashAreFiles)
{
    const QByteArray keybase = "from,statement,to\r\n1,Wings red,A\r\n1,Wings blue,B\r\n";
    write(QStringLiteral("--no-header"), keybase);
    write(QStringLiteral("--english"), "from\tstatement\tto\n1\ta\t2\n1\t\"b\n");
    QDir::setCurrent(m_dir.path());

    ASSERT_EQ(run({QStringLiteral("--export"), QStringLiteral("keybase"), QStringLiteral("--"),
                   QStringLiteral("--no-header")}),
              exitOk)
        << m_err.data().toStdString();
    EXPECT_EQ(m_out.data(), keybase);
    ASSERT_EQ(run({QStringLiteral("--import"), QStringLiteral("--"), QStringLiteral("--no-header")}), exitOk)
        << m_err.data().toStdString();
    EXPECT_TRUE(m_out.data().contains("<TITLE>--no-header</TITLE>")) << m_out.data().toStdString();
    // The file named "--english" leaves the messages German.
    EXPECT_EQ(run({QStringLiteral("--export"), QStringLiteral("text"), QStringLiteral("--"),
                   QStringLiteral("--english")}),
              exitMessage);
    EXPECT_EQ(m_err.data(),
              QStringLiteral("--english:3: Anführungszeichen wird nicht geschlossen\n").toUtf8());
}

// A printed key goes to a new file (a PDF only there) or to standard output, never over a file; what
// it cannot set or find is a warning, a wrong option a usage error in the user's language.
TEST_F(ExchangeCommandsTest, PrintsAKeyAsPdfRtfOrLatex)
{
    const QString table =
        write(QStringLiteral("käfer.csv"), "from,statement,to\n1,Genitalien ♂ \xF3\xB0\x80\x80,2\n"
                                           "1,b,9\n2,<i>c</i>,Carabus\n2,d,1\n");
    const QString pdf = m_dir.filePath(QStringLiteral("käfer.pdf"));
    const QString exportPdf = QStringLiteral("--export=pdf");
    ASSERT_EQ(run({QStringLiteral("--english"), exportPdf, table, QStringLiteral("-o"), pdf}), exitOk);
    const QByteArray written = read(pdf);
    EXPECT_TRUE(written.startsWith("%PDF-1.")) << written.left(20).toStdString();
    EXPECT_TRUE(written.contains("/Title <FEFF006B00E4006600650072>")) << "titled by the file's name";
    EXPECT_EQ(m_err.data(),
              (table + QStringLiteral(": warning: loop: 1 → 2 → 1\n") + table +
               QStringLiteral(": warning: reference to entry 9, which does not exist\n") + table +
               QStringLiteral(": warning: PDF cannot set these characters, printed as ?: \U000F0000\n"))
                  .toLocal8Bit());
    EXPECT_TRUE(m_out.data().isEmpty());
    EXPECT_EQ(run({exportPdf, QStringLiteral("--layout=indented"), table, QStringLiteral("-o"), pdf}),
              exitMessage);
    EXPECT_EQ(read(pdf), written);

    ASSERT_EQ(run({QStringLiteral("--export=rtf"), table}), exitOk);
    EXPECT_TRUE(m_out.data().startsWith("{\\rtf1\\ansi")) << m_out.data().left(20).toStdString();
    EXPECT_EQ(m_err.data(), (table + QStringLiteral(": Warnung: Schleife: 1 → 2 → 1\n") + table +
                             QStringLiteral(": Warnung: Verweis auf Eintrag 9, den es nicht gibt\n"))
                                .toUtf8());
    ASSERT_EQ(run({QStringLiteral("--export=latex"), QStringLiteral("--paper=letter"),
                   QStringLiteral("--layout=indented"), table}),
              exitOk);
    EXPECT_TRUE(m_out.data().contains("\\documentclass[10pt,letterpaper]{article}"));
    EXPECT_TRUE(m_out.data().contains("\\klnested{0}{\\hypertarget{k0}{}1}{Genitalien ♂ ?"));

    const struct
    {
        QStringList arguments;
        QString problem;
    } wrongCalls[] = {
        {{exportPdf, table}, QStringLiteral("--export pdf braucht -o OUT")},
        {{QStringLiteral("--english"), exportPdf, table}, QStringLiteral("--export pdf needs -o OUT")},
        {{QStringLiteral("--export=rtf"), QStringLiteral("--layout=tree"), table},
         QStringLiteral("--layout nimmt bracketed oder indented")},
        {{QStringLiteral("--english"), QStringLiteral("--export=latex"), QStringLiteral("--paper=a5"), table},
         QStringLiteral("--paper takes a4 or letter")},
        {{QStringLiteral("--english"), QStringLiteral("--export=dot"), QStringLiteral("--paper=a4"), table},
         QStringLiteral("--paper goes with --export only for pdf, rtf or latex")},
        {{QStringLiteral("--check"), QStringLiteral("--layout=indented"), table},
         QStringLiteral("--layout passt nicht zu --check")},
    };
    for (const auto& [arguments, problem] : wrongCalls) {
        EXPECT_EQ(run(arguments), exitUsage);
        EXPECT_TRUE(
            QString::fromUtf8(m_err.data()).startsWith(QStringLiteral("keylinker-cli: ") + problem + u'\n'))
            << m_err.data().toStdString();
    }
}

// A table or text key larger than 256 MB is refused as too big before it is read (the file here is
// sparse, and holds a table at its start), and nothing is written.
TEST_F(ExchangeCommandsTest, FileLargerThanTheLimitIsRefusedAtOnce)
{
    const QString table =
        write(QStringLiteral("huge.csv"), "from,statement,to\n1,Wings red,A\n1,Wings blue,B\n");
    ASSERT_TRUE(QFile::resize(table, (qint64(256) << 20) + 1));
    const QString page = m_dir.filePath(QStringLiteral("huge.htm"));
    const QByteArray tooBig = table.toUtf8() + ": The file is too big or not a key and was left as it is\n";
    for (const QStringList& call :
         {QStringList{QStringLiteral("--import"), table, QStringLiteral("-o"), page},
          QStringList{QStringLiteral("--export"), QStringLiteral("keybase"), table}}) {
        EXPECT_EQ(run(QStringList{QStringLiteral("--english")} + call), exitMessage);
        EXPECT_EQ(m_err.data(), tooBig);
        EXPECT_TRUE(m_out.data().isEmpty());
    }
    EXPECT_FALSE(QFile::exists(page));
}

// An import cut off part-way through writing its page (here by the file size limit, which would end
// it by SIGXFSZ) says so and leaves no part of the page, under the name asked for or a temporary one.
TEST_F(ExchangeCommandsTest, ImportCutOffWhileWritingLeavesNoPage)
{
    QByteArray keybase = "from,statement,to\n";
    for (int entry = 1; entry <= 20; ++entry)
        keybase += QByteArray::number(entry) + ",Wings red,Species A\n" + QByteArray::number(entry) +
                   ",Wings blue," + QByteArray::number(entry + 1) + '\n';
    const QString table = write(QStringLiteral("table.csv"), keybase);
    const QString page = m_dir.filePath(QStringLiteral("page.htm"));
    QProcess process;
    process.setChildProcessModifier([] {
        const rlimit small{512, 512};
        const rlimit none{0, 0};
        ::setrlimit(RLIMIT_FSIZE, &small);
        ::setrlimit(RLIMIT_CORE, &none);
        std::signal(SIGXFSZ, SIG_DFL);
    });
    process.start(QStringLiteral(KEYLINKER_CLI_PATH),
                  {QStringLiteral("--import"), table, QStringLiteral("-o"), page});
    ASSERT_TRUE(process.waitForFinished());
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), exitMessage);
    EXPECT_FALSE(QFile::exists(page));
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden),
              QStringList{QStringLiteral("table.csv")});
}

TEST_F(ExchangeCommandsTest, ManPageNamesEveryOptionOfTheHelp)
{
    ASSERT_EQ(run({QStringLiteral("--help")}), exitOk);
    const QString help = QString::fromLocal8Bit(m_out.data());
    const QString manPage = QString::fromUtf8(read(QStringLiteral(KEYLINKER_MAN_PAGE))).remove(u'\\');
    const QRegularExpression option(QStringLiteral("(?<![\\w-])(--?[a-z][a-z-]*)"));
    qsizetype options = 0;
    for (const QRegularExpressionMatch& match : option.globalMatch(help)) {
        ++options;
        EXPECT_TRUE(manPage.contains(match.captured(1))) << match.captured(1).toStdString();
    }
    EXPECT_GT(options, 8);
}

} // namespace
} // namespace keylinker
