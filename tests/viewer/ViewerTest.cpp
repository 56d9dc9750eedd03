#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "BrowserCommand.h"
#include "HelpPage.h"
#include "ProgramLauncher.h"
#include "QtPrinters.h"

namespace keylinker {
namespace {

TEST(Viewer, TheFileIsTheBrowsersOneArgumentBlanksAndAll)
{
    const BrowserCommand command = BrowserCommand::forFile(QStringLiteral("/opt/my browser/run"),
                                                           QStringLiteral("/home/anna/my keys/k.htm"));
    EXPECT_EQ(command.program, QStringLiteral("/opt/my browser/run"));
    EXPECT_EQ(command.argument, QStringLiteral("/home/anna/my keys/k.htm"));
}

TEST(Viewer, HelpPageComesFromTheStartFolderElseFromAnInstalledCopy)
{
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("start")));
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("installed")));
    const QString start = dir.filePath(QStringLiteral("start"));
    const QString installed = dir.filePath(QStringLiteral("installed"));
    const QStringList folders{dir.filePath(QStringLiteral("nowhere")), installed};

    // Neither there: the start folder's path all the same.
    EXPECT_EQ(HelpPage::path(start, Language::German, folders), start + QStringLiteral("/dichotabd.html"));
    QFile(installed + QStringLiteral("/dichotabe.html")).open(QIODevice::WriteOnly);
    EXPECT_EQ(HelpPage::path(start, Language::English, folders),
              installed + QStringLiteral("/dichotabe.html"));
    EXPECT_EQ(HelpPage::path(start, Language::German, folders), start + QStringLiteral("/dichotabd.html"));
    QFile(start + QStringLiteral("/dichotabe.html")).open(QIODevice::WriteOnly);
    EXPECT_EQ(HelpPage::path(start, Language::English, folders), start + QStringLiteral("/dichotabe.html"));
    // The root needs no second separator.
    EXPECT_EQ(HelpPage::path(QStringLiteral("/"), Language::German, {}), QStringLiteral("/dichotabd.html"));
}

TEST(Viewer, LauncherSaysWhyAProgramCannotBeStarted)
{
    QTemporaryDir dir;
    DetachedLauncher launcher;
    QString error;
    EXPECT_FALSE(launcher.start(
        BrowserCommand::forFile(dir.filePath(QStringLiteral("gone")), QStringLiteral("x")), error));
    EXPECT_EQ(error, QStringLiteral("No such file or directory"));
    const QString notProgram = dir.filePath(QStringLiteral("page.htm"));
    QFile(notProgram).open(QIODevice::WriteOnly);
    EXPECT_FALSE(launcher.start(BrowserCommand::forFile(notProgram, QStringLiteral("x")), error));
    EXPECT_EQ(error, QStringLiteral("Permission denied"));
    EXPECT_TRUE(launcher.start(BrowserCommand::forFile(QStringLiteral("/bin/true"), dir.path()), error));
}

} // namespace
} // namespace keylinker
