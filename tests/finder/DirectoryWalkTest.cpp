#include "DirectoryWalk.h"

#include <functional>

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include "DirectoryListModel.h"
#include "DriveListModel.h"
#include "FileListModel.h"
#include "FileNamePattern.h"
#include "NativePath.h"
#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
using keylinker::DirectoryWalk;
using keylinker::FileNamePattern;
using keylinker::WalkHooks;
using keylinker::test::TestDir;

namespace {

const FileNamePattern keyFiles(u"*.htm;*.html;*.htm_bak;*.html_bak"_s);

// What a search of R finds, in order: C, B, A1 (after its subfolder "leer", which holds nothing), A, R.
const QStringList allOfR = {u"R/C/c.htm"_s, u"R/B/b.html_bak"_s, u"R/A/A1/a1.htm"_s, u"R/A/A1/a1b.htm_bak"_s,
                            u"R/A/a.htm"_s, u"R/r1.HTML"_s,      u"R/r2.htm"_s};

class FinderDirectoryWalk : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }

    // Walks from `start`, noting what the walk hands over; `atVisit` runs at each visit with its
    // number (1 for the first) and says whether the search goes on, as a Cancel click would.
    DirectoryWalk::End walk(const QString& start = u"R"_s)
    {
        WalkHooks hooks;
        hooks.found = [this](const QString& path) { found.append(relative(path)); };
        hooks.letEventsRun = [this] { goingOn = atVisit(++visits); };
        hooks.goOn = [this] { return goingOn && found.size() < capacity; };
        DirectoryWalk walker(keyFiles, std::move(hooks));
        const DirectoryWalk::End end = walker.run(dir.path(start));
        stoppedIn = relative(walker.stoppedIn());
        return end;
    }

    // A path relative to the test folder; one outside it stays whole, and so shows up.
    QString relative(const QString& path) const
    {
        return path.startsWith(dir.path() + u'/') ? path.mid(dir.path().size() + 1) : path;
    }

    TestDir dir{u"R/r2.htm"_s,           u"R/r1.HTML"_s,          u"R/notes.txt"_s,  u"R/A/a.htm"_s,
                u"R/A/A1/a1b.htm_bak"_s, u"R/A/A1/a1.htm"_s,      u"R/A/A1/leer/"_s, u"R/B/b.html_bak"_s,
                u"R/B/b.htm_bak3"_s,     u"R/B/.versteckt.htm"_s, u"R/C/c.htm"_s,    u"R/C/folder.htm/"_s};
    std::function<bool(int)> atVisit = [](int) { return true; };
    bool goingOn = true;
    int visits = 0;
    qsizetype capacity = 1000;
    QStringList found;
    QString stoppedIn;
};

TEST_F(FinderDirectoryWalk, FindsDepthFirstFromTheLastSubfolderEachFolderAfterThoseBelowIt)
{
    EXPECT_EQ(walk(), DirectoryWalk::End::Through);
    EXPECT_EQ(found, allOfR);
    EXPECT_EQ(visits, 7); // R, C, C/folder.htm, B, A, A1, leer: events run at every folder
    EXPECT_EQ(stoppedIn, QString());

    // Without any hooks but the one that takes the matches, as the command-line tool walks.
    QStringList plain;
    DirectoryWalk(FileNamePattern(u"*.htm"_s),
                  {[&plain](const QString& path) { plain.append(path); }, {}, {}})
        .run(dir.path(u"R/A"_s));
    EXPECT_EQ(plain, (QStringList{dir.path(u"R/A/A1/a1.htm"_s), dir.path(u"R/A/a.htm"_s)}));

    found.clear();
    EXPECT_EQ(walk(u"R/A/A1/leer"_s), DirectoryWalk::End::Through);
    EXPECT_TRUE(found.isEmpty());
    EXPECT_EQ(walk(u"R/fehlt"_s), DirectoryWalk::End::StartUnreadable);
    EXPECT_EQ(walk(u"R/r2.htm"_s), DirectoryWalk::End::StartUnreadable);
}

TEST_F(FinderDirectoryWalk, CancelAtAFolderOrAFullListStopsTheWholeWalkKeepingWhatWasFound)
{
    atVisit = [](int visit) { return visit < 4; };
    EXPECT_EQ(walk(), DirectoryWalk::End::Stopped);
    EXPECT_EQ(visits, 4); // cancelled at B, after R, C and C/folder.htm
    EXPECT_EQ(found, QStringList{u"R/C/c.htm"_s});
    EXPECT_EQ(stoppedIn, u"R/B"_s);

    atVisit = [](int) { return true; };
    found.clear();
    visits = 0;
    capacity = 3;
    EXPECT_EQ(walk(), DirectoryWalk::End::Stopped);
    EXPECT_EQ(found, allOfR.first(3));
    EXPECT_EQ(visits, 7); // the list filled up in A1, after "leer" below it
    EXPECT_EQ(stoppedIn, u"R/A/A1"_s);
}

TEST_F(FinderDirectoryWalk, GoneFoldersArePassedOverAndLinksNotEnteredSoALoopEnds)
{
    ASSERT_TRUE(dir.add({u"X/x.htm"_s}));
    ASSERT_TRUE(dir.link(u"R"_s, u"R/A/A1/hoch"_s));
    ASSERT_TRUE(dir.link(u"X"_s, u"R/B/aussen"_s));
    // A, listed with R, is removed before its turn comes.
    atVisit = [this](int visit) { return visit != 4 || dir.remove(u"R/A"_s); };
    EXPECT_EQ(walk(), DirectoryWalk::End::Through);
    EXPECT_EQ(visits, 4);
    EXPECT_EQ(found, (QStringList{u"R/C/c.htm"_s, u"R/B/b.html_bak"_s, u"R/r1.HTML"_s, u"R/r2.htm"_s}));
}

// A match whose path is longer than the system takes cannot be opened: it is counted, not handed
// over, and so are those below a folder whose path is too long.
TEST_F(FinderDirectoryWalk, MatchesTooDeepToBeReadAreCounted)
{
    const std::optional<QString> shallow = keylinker::test::makeTooDeepTree(dir.path(u"R/C"_s));
    ASSERT_TRUE(shallow.has_value());
    WalkHooks hooks;
    QStringList all;
    hooks.found = [&all](const QString& path) { all.append(path); };
    DirectoryWalk walker(keyFiles, std::move(hooks));
    EXPECT_EQ(walker.run(dir.path(u"R"_s)), DirectoryWalk::End::Through);
    EXPECT_EQ(walker.tooDeep(), 3);
    EXPECT_EQ(all.size(), allOfR.size() + 1);
    EXPECT_TRUE(all.contains(*shallow));
    EXPECT_TRUE(keylinker::test::removeTree(dir.path(u"R/C"_s)));
    EXPECT_EQ(walker.run(dir.path(u"R"_s)), DirectoryWalk::End::Through);
    EXPECT_EQ(walker.tooDeep(), 0);
}

TEST_F(FinderDirectoryWalk, NamesThatAreNotUtf8AreFoundAndListedWithTheirOwnBytes)
{
    // Latin-1, as old archives unpack: "Käfer/Blätter.htm" with the single byte 0xE4 (octal 344).
    const QByteArray folder = keylinker::toNativePath(dir.path(u"R"_s)) + "/K\344fer";
    const QByteArray file = folder + "/Bl\344tter.htm";
    ASSERT_EQ(::mkdir(folder.constData(), 0700), 0);
    const int fd = ::open(file.constData(), O_CREAT | O_WRONLY, 0600);
    ASSERT_GE(fd, 0);
    ::close(fd);

    EXPECT_EQ(walk(), DirectoryWalk::End::Through);
    ASSERT_EQ(found.size(), allOfR.size() + 1);
    EXPECT_EQ(keylinker::toNativePath(dir.path(found.at(0))), file);

    // The window's lists show the folder and the file, and their paths turn back into the bytes.
    keylinker::DriveListModel drives{QStringList{dir.path()}};
    keylinker::DirectoryListModel folders(drives);
    ASSERT_TRUE(folders.setPath(dir.path(u"R"_s)));
    ASSERT_EQ(folders.subdirectoryCount(), 4);
    EXPECT_EQ(keylinker::toNativePath(folders.entry(3)), folder);
    keylinker::FileListModel files;
    ASSERT_TRUE(files.setPath(folders.entry(3)));
    ASSERT_EQ(files.count(), 1);
    EXPECT_EQ(
        keylinker::toNativePath(files.data(files.index(0), keylinker::FileListModel::PathRole).toString()),
        file);
}

} // namespace
