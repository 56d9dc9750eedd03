#include "DirectoryListModel.h"
#include "DirectoryWalk.h"
#include "DriveListModel.h"
#include "FileListModel.h"
#include "FoundListModel.h"

#include "QtPrinters.h"
#include "TestDir.h"

#include <gtest/gtest.h>

#include <functional>

using namespace Qt::StringLiterals;
using keylinker::DirectoryListModel;
using keylinker::DirectoryWalk;
using keylinker::DriveListModel;
using keylinker::FileListModel;
using keylinker::FoundListModel;
using keylinker::WalkHooks;
using keylinker::test::TestDir;

namespace {

const QString kKeyFiles = u"*.htm;*.html;*.htm_bak;*.html_bak"_s;

// What a search of R finds, in order: C, B, A1 (after its subfolder "leer", which holds nothing), A, R.
const QStringList kAllOfR = {u"R/C/c.htm"_s, u"R/B/b.html_bak"_s, u"R/A/A1/a1.htm"_s, u"R/A/A1/a1b.htm_bak"_s,
                             u"R/A/a.htm"_s, u"R/r1.HTML"_s,      u"R/r2.htm"_s};

class FinderDirectoryWalk : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        // As the window's DirList_Change does.
        QObject::connect(&folders, &DirectoryListModel::pathChanged,
                         [this] { files.setPath(folders.path()); });
        ASSERT_TRUE(files.setPattern(kKeyFiles));
        ASSERT_TRUE(folders.setPath(dir.path(u"R"_s)));
    }

    // Walks from the open folder into `into`, counting what the hooks see; `atVisit` runs at each
    // visit with its number (1 for the first) and says whether the search goes on.
    bool walk(FoundListModel& into, const QString& zurueck = QString())
    {
        WalkHooks hooks;
        hooks.letEventsRun = [this] { return atVisit(++visits); };
        hooks.matchAdded = [this, &into] {
            ++matches;
            EXPECT_EQ(into.count(), matches);
        };
        hooks.listFull = [this] { ++fulls; };
        return DirectoryWalk(folders, files, into, std::move(hooks)).durchsuchen(zurueck);
    }
    bool walk(const QString& zurueck = QString()) { return walk(found, zurueck); }

    // The found entries relative to the test folder; one outside it stays whole, and so shows up.
    QStringList foundInDir(const FoundListModel& list) const
    {
        QStringList relative;
        for (const QString& path : list.entries())
            relative.append(path.startsWith(dir.path() + u'/') ? path.mid(dir.path().size() + 1) : path);
        return relative;
    }
    QStringList foundInDir() const { return foundInDir(found); }

    TestDir dir{u"R/r2.htm"_s,           u"R/r1.HTML"_s,          u"R/notes.txt"_s,  u"R/A/a.htm"_s,
                u"R/A/A1/a1b.htm_bak"_s, u"R/A/A1/a1.htm"_s,      u"R/A/A1/leer/"_s, u"R/B/b.html_bak"_s,
                u"R/B/b.htm_bak3"_s,     u"R/B/.versteckt.htm"_s, u"R/C/c.htm"_s,    u"R/C/folder.htm/"_s};
    DriveListModel drives{QStringList{dir.path()}};
    DirectoryListModel folders{drives};
    FileListModel files;
    FoundListModel found;
    std::function<bool(int)> atVisit = [](int) { return true; };
    int visits = 0;
    int matches = 0;
    int fulls = 0;
};

TEST_F(FinderDirectoryWalk, FindsDepthFirstFromTheLastSubfolderEachFolderAfterThoseBelowIt)
{
    EXPECT_FALSE(walk());
    EXPECT_EQ(foundInDir(), kAllOfR);
    for (const QString& path : found.entries())
        EXPECT_EQ(path, dir.path(path.mid(dir.path().size() + 1))) << "not a clean full path";
    EXPECT_EQ(visits, 7); // R, C, C/folder.htm, B, A, A1, leer
    EXPECT_EQ(matches, kAllOfR.size());
    EXPECT_EQ(fulls, 0);
    // The last folder below came back to the start, and the file list with it.
    EXPECT_EQ(folders.path(), dir.path(u"R"_s));
    EXPECT_EQ(files.path(), dir.path(u"R"_s));
    EXPECT_EQ(files.entries(), (QStringList{u"r1.HTML"_s, u"r2.htm"_s}));
}

TEST_F(FinderDirectoryWalk, ReturnDirectoryIsOpenedAfterTheVisitAndAnEmptyFolderAddsNothing)
{
    ASSERT_TRUE(folders.setPath(dir.path(u"R/A"_s)));
    EXPECT_FALSE(walk(dir.path(u"R/B"_s)));
    EXPECT_EQ(foundInDir(), (QStringList{u"R/A/A1/a1.htm"_s, u"R/A/A1/a1b.htm_bak"_s, u"R/A/a.htm"_s}));
    EXPECT_EQ(folders.path(), dir.path(u"R/B"_s));
    EXPECT_EQ(files.entries(), QStringList{u"b.html_bak"_s});

    ASSERT_TRUE(folders.setPath(dir.path(u"R/A/A1/leer"_s)));
    found.clear();
    matches = 0;
    EXPECT_FALSE(walk());
    EXPECT_EQ(found.count(), 0);
    EXPECT_EQ(folders.path(), dir.path(u"R/A/A1/leer"_s));
}

TEST_F(FinderDirectoryWalk, CancelStopsAtTheNextFolderKeepingWhatWasFoundAndEndsWalkMode)
{
    atVisit = [](int visit) { return visit < 4; };
    EXPECT_TRUE(walk());
    EXPECT_EQ(visits, 4); // cancelled at B, after R, C and C/folder.htm
    EXPECT_EQ(foundInDir(), QStringList{u"R/C/c.htm"_s});
    EXPECT_EQ(folders.path(), dir.path(u"R/B"_s));

    // Both lists read as before the walk: the same folder anew, a missing one refused.
    const int reads = folders.diskReads();
    ASSERT_TRUE(folders.setPath(folders.path()));
    EXPECT_EQ(folders.diskReads(), reads + 1);
    EXPECT_FALSE(files.setPath(dir.path(u"R/fehlt"_s)));
    EXPECT_EQ(files.path(), dir.path(u"R/B"_s));
}

TEST_F(FinderDirectoryWalk, FullListEndsTheWholeWalkWithOneMessage)
{
    FoundListModel small(3);
    EXPECT_TRUE(walk(small));
    EXPECT_EQ(foundInDir(small), kAllOfR.first(3));
    EXPECT_EQ(fulls, 1);
    EXPECT_EQ(matches, 3);
    EXPECT_EQ(visits, 7); // the list filled up in A1, the last folder visited
    EXPECT_EQ(folders.path(), dir.path(u"R/A/A1"_s));
}

TEST_F(FinderDirectoryWalk, FolderGoneBeforeOrDuringItsVisitIsPassedOverSilently)
{
    // A, listed with R, is removed before its turn comes.
    atVisit = [this](int visit) { return visit != 4 || dir.remove(u"R/A"_s); };
    EXPECT_FALSE(walk());
    EXPECT_EQ(visits, 4);
    EXPECT_EQ(foundInDir(),
              (QStringList{u"R/C/c.htm"_s, u"R/B/b.html_bak"_s, u"R/r1.HTML"_s, u"R/r2.htm"_s}));

    // The start folder itself is removed in the middle of the walk, in U, which was read on entering.
    ASSERT_TRUE(dir.add({u"S/T/t.htm"_s, u"S/U/u.htm"_s, u"S/s.htm"_s}));
    ASSERT_TRUE(folders.setPath(dir.path(u"S"_s)));
    found.clear();
    visits = matches = 0;
    atVisit = [this](int visit) { return visit != 2 || dir.remove(u"S"_s); };
    EXPECT_FALSE(walk());
    EXPECT_EQ(visits, 2); // S, U; T has gone
    EXPECT_EQ(foundInDir(), QStringList{u"S/U/u.htm"_s});
    EXPECT_EQ(folders.path(), dir.path(u"S"_s));
}

TEST_F(FinderDirectoryWalk, LinksToFoldersAreNotEnteredSoALoopEnds)
{
    ASSERT_TRUE(dir.add({u"X/x.htm"_s}));
    ASSERT_TRUE(dir.link(u"R"_s, u"R/A/A1/hoch"_s));
    ASSERT_TRUE(dir.link(u"X"_s, u"R/B/aussen"_s));
    EXPECT_FALSE(walk());
    EXPECT_EQ(foundInDir(), kAllOfR);
    EXPECT_EQ(visits, 7);
}

TEST_F(FinderDirectoryWalk, ReadsEachFolderOnceHoweverManySubfoldersItHas)
{
    constexpr int kSubfolders = 200;
    for (int i = 0; i < kSubfolders; ++i) {
        const QString name = u"M/s%1/k.htm"_s.arg(i, 3, 10, QChar(u'0'));
        ASSERT_TRUE(QDir().mkpath(QFileInfo(dir.path(name)).path()));
        QFile file(dir.path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(dir.add({u"M/m.htm"_s}));
    ASSERT_TRUE(folders.setPath(dir.path(u"M"_s)));
    const int folderReads = folders.diskReads();
    const int fileReads = files.diskReads();

    EXPECT_FALSE(walk());
    ASSERT_EQ(found.count(), kSubfolders + 1);
    EXPECT_EQ(found.entry(0), dir.path(u"M/s199/k.htm"_s));
    EXPECT_EQ(found.entry(kSubfolders), dir.path(u"M/m.htm"_s));
    // Each subfolder was read once, for its subfolders and files alike; M's subfolders were read
    // before the walk, and its files once more at the end of its visit.
    EXPECT_EQ(folders.diskReads() - folderReads, kSubfolders);
    EXPECT_EQ(files.diskReads() - fileReads, 1);
}

} // namespace
