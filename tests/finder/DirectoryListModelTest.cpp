#include "DirectoryListModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "DriveListModel.h"
#include "FileNamePattern.h"
#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
using keylinker::DirectoryListModel;
using keylinker::DriveListModel;
using keylinker::test::TestDir;

namespace {

class FinderDirectoryList : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(dir.isValid());
        ASSERT_TRUE(folders.setPath(dir.path(u"a/b/c"_s)));
    }

    QStringList shownSubfolders() const
    {
        QStringList names;
        for (int row = folders.levelCount(); row < folders.rowCount(); ++row)
            names.append(folders.data(folders.index(row)).toString());
        return names;
    }

    TestDir dir{u"a/b/c/zeta/"_s,   u"a/b/c/Alpha/"_s,  u"a/b/c/alpha/"_s,
                u"a/b/c/.cache/"_s, u"a/b/c/key.htm"_s, u"a/b/other/"_s};
    DriveListModel drives{QStringList{dir.path()}};
    DirectoryListModel folders{drives};
    QAbstractItemModelTester rules{&folders, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FinderDirectoryList, IndexesRunFromRootToSubfolders)
{
    const int levels = static_cast<int>(dir.path(u"a/b/c"_s).count(u'/')) + 1;
    ASSERT_EQ(folders.levelCount(), levels);
    ASSERT_EQ(folders.subdirectoryCount(), 3);
    ASSERT_EQ(folders.rowCount(), levels + 3);

    const struct
    {
        int index;
        QString path;
        QString name;
        int level;
    } cases[] = {
        {-1, dir.path(u"a/b/c"_s), u"c"_s, levels - 1},
        {-3, dir.path(u"a"_s), u"a"_s, levels - 3},
        {-4, dir.path(), dir.path().section(u'/', -1), levels - 4},
        {-levels, u"/"_s, u"/"_s, 0},
        {0, dir.path(u"a/b/c/Alpha"_s), u"Alpha"_s, levels},
        {2, dir.path(u"a/b/c/zeta"_s), u"zeta"_s, levels},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(folders.entry(c.index), c.path) << c.index;
        const int row = folders.row(c.index);
        EXPECT_EQ(folders.entryIndex(row), c.index);
        const QModelIndex at = folders.index(row);
        EXPECT_EQ(folders.data(at).toString(), c.name);
        EXPECT_EQ(folders.data(at, DirectoryListModel::PathRole).toString(), c.path);
        EXPECT_EQ(folders.data(at, DirectoryListModel::LevelRole).toInt(), c.level);
        EXPECT_EQ(folders.data(at, DirectoryListModel::IsOpenFolderRole).toBool(), c.index == -1);
        EXPECT_EQ(folders.data(at, DirectoryListModel::IsAncestorRole).toBool(), c.index < -1);
    }
    EXPECT_EQ(folders.row(-levels), 0);
    for (const int outside : {-levels - 1, 3}) {
        EXPECT_EQ(folders.row(outside), -1);
        EXPECT_EQ(folders.entry(outside), QString());
    }
}

TEST_F(FinderDirectoryList, SubfoldersSortedWithLinksAndWithoutHiddenOnes)
{
    EXPECT_EQ(shownSubfolders(), (QStringList{u"Alpha"_s, u"alpha"_s, u"zeta"_s}));
    ASSERT_TRUE(dir.add({u"a/b/c/Beta/"_s, u"a/b/c/.git/"_s, u"a/b/c/beta.htm"_s}));
    ASSERT_TRUE(dir.link(u"a/b/other"_s, u"a/b/c/link"_s));
    ASSERT_TRUE(dir.link(u"a/b/c/key.htm"_s, u"a/b/c/filelink"_s));
    ASSERT_TRUE(dir.link(u"a/nowhere"_s, u"a/b/c/dangling"_s));
    ASSERT_TRUE(folders.refresh());
    EXPECT_EQ(shownSubfolders(), (QStringList{u"Alpha"_s, u"alpha"_s, u"Beta"_s, u"link"_s, u"zeta"_s}));
    EXPECT_TRUE(folders.isLink(3));
    EXPECT_FALSE(folders.isLink(2));
    EXPECT_TRUE(folders.data(folders.index(folders.row(3)), DirectoryListModel::IsLinkRole).toBool());

    // Through the link the path stays the one the user walked.
    ASSERT_TRUE(folders.setPath(folders.entry(3)));
    EXPECT_EQ(folders.path(), dir.path(u"a/b/c/link"_s));
}

TEST_F(FinderDirectoryList, PathChangeIsAnnouncedBeforeSetPathReturns)
{
    folders.setCurrentIndex(0);
    bool returned = false;
    int calls = 0;
    QString seenPath;
    int seenIndex = 99;
    QString seenRemembered;
    QObject::connect(&folders, &DirectoryListModel::pathChanged, [&] {
        calls += returned ? 100 : 1;
        seenPath = folders.path();
        seenIndex = folders.currentIndex();
        seenRemembered = drives.rememberedFolder(dir.path());
    });

    ASSERT_TRUE(folders.setPath(dir.path(u"a/b/./other/"_s)));
    returned = true;
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(seenPath, dir.path(u"a/b/other"_s));
    EXPECT_EQ(seenIndex, -1);
    EXPECT_EQ(seenRemembered, dir.path(u"a/b/other"_s));
}

TEST_F(FinderDirectoryList, FolderThatCannotBeOpenedChangesNothing)
{
    ASSERT_TRUE(dir.add({u"a/b/c/zeta/gone/"_s}));
    ASSERT_TRUE(dir.remove(u"a/b/c/zeta/gone"_s));
    folders.setCurrentIndex(1);
    QSignalSpy pathSpy(&folders, &DirectoryListModel::pathChanged);
    QSignalSpy resetSpy(&folders, &DirectoryListModel::modelReset);

    for (const QString& target : {dir.path(u"a/b/c/zeta/gone"_s), dir.path(u"a/b/c/key.htm"_s), QString()}) {
        EXPECT_FALSE(folders.setPath(target)) << target.toStdString();
        EXPECT_EQ(folders.path(), dir.path(u"a/b/c"_s));
        EXPECT_EQ(folders.subdirectoryCount(), 3);
        EXPECT_EQ(folders.currentIndex(), 1);
    }
    EXPECT_EQ(pathSpy.count(), 0);
    EXPECT_EQ(resetSpy.count(), 0);
    EXPECT_EQ(drives.rememberedFolder(dir.path()), dir.path(u"a/b/c"_s));
}

TEST_F(FinderDirectoryList, HighlightFollowsIndexesAndFallsBackOnReading)
{
    QSignalSpy pathSpy(&folders, &DirectoryListModel::pathChanged);
    QSignalSpy indexSpy(&folders, &DirectoryListModel::currentIndexChanged);
    EXPECT_EQ(folders.currentEntry(), folders.path());
    folders.setCurrentIndex(-3);
    EXPECT_EQ(folders.currentEntry(), dir.path(u"a"_s));
    for (const int ignored : {-3, 3, -folders.levelCount() - 1})
        folders.setCurrentIndex(ignored);
    folders.setCurrentIndex(2);
    EXPECT_EQ(folders.currentEntry(), dir.path(u"a/b/c/zeta"_s));
    EXPECT_EQ(indexSpy.count(), 2);

    // The same folder again is read anew, back on the folder itself, but its path did not change.
    ASSERT_TRUE(dir.add({u"a/b/c/new/"_s}));
    ASSERT_TRUE(folders.setPath(dir.path(u"a/b/c"_s)));
    EXPECT_EQ(folders.subdirectoryCount(), 4);
    EXPECT_EQ(folders.currentIndex(), -1);
    EXPECT_EQ(indexSpy.count(), 3);
    EXPECT_EQ(pathSpy.count(), 0);
}

} // namespace
