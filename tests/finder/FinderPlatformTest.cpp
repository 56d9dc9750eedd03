#include "FinderPlatform.h"

#include <gtest/gtest.h>

#include <QDir>

#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
namespace platform = keylinker::FinderPlatform;

namespace {

TEST(FinderPlatform, JoinPathPutsNoSecondSeparatorAfterRoot)
{
    EXPECT_EQ(platform::joinPath(u"/"_s, u"key.htm"_s), u"/key.htm"_s);
    EXPECT_EQ(platform::joinPath(u"/home/anna"_s, u"key.htm"_s), u"/home/anna/key.htm"_s);
    EXPECT_EQ(platform::ancestry(u"/"_s), QStringList{u"/"_s});
}

TEST(FinderPlatform, AbsoluteCleanPathLeavesCleanPathsAndCleansTheOthers)
{
    const std::pair<QString, QString> cases[] = {
        {u"/"_s, u"/"_s},
        {u"/home/anna/.keys"_s, u"/home/anna/.keys"_s},
        {u"/home/anna/..keys"_s, u"/home/anna/..keys"_s},
        {u"/home//anna/"_s, u"/home/anna"_s},
        {u"/home/./anna/."_s, u"/home/anna"_s},
        {u"/home/anna/../bernd/keys/.."_s, u"/home/bernd"_s},
        {u"//"_s, u"/"_s},
        {u"keys/../moths"_s, QDir::currentPath() + u"/moths"_s},
    };
    for (const auto& [path, clean] : cases)
        EXPECT_EQ(platform::absoluteCleanPath(path), clean) << path.toStdString();
}

TEST(FinderPlatform, BelowMeansWholeComponentsAndNotTheFolderItself)
{
    EXPECT_TRUE(platform::isBelow(u"/home/anna/keys"_s, u"/home/anna"_s));
    EXPECT_TRUE(platform::isBelow(u"/home"_s, u"/"_s));
    EXPECT_FALSE(platform::isBelow(u"/home/annabel"_s, u"/home/anna"_s));
    EXPECT_FALSE(platform::isBelow(u"/home/anna"_s, u"/home/anna"_s));
    EXPECT_FALSE(platform::isBelow(u"/"_s, u"/"_s));
    EXPECT_FALSE(platform::isBelow(u"/home"_s, u"/home/anna"_s));
}

TEST(FinderPlatform, FolderErrorGivesTheSystemsReason)
{
    const keylinker::test::TestDir dir{u"key.htm"_s, u"keys/"_s};
    ASSERT_TRUE(dir.isValid());
    EXPECT_EQ(platform::folderError(dir.path(u"keys"_s)), QString());
    EXPECT_EQ(platform::folderError(dir.path(u"fehlt"_s)), u"No such file or directory"_s);
    EXPECT_EQ(platform::folderError(dir.path(u"key.htm"_s)), u"Not a directory"_s);
}

TEST(FinderPlatform, DriveOfTakesLongestWholeComponentPrefix)
{
    const QStringList drives{u"/"_s, u"/home/anna"_s, u"/media/anna/STICK"_s};
    const std::pair<QString, QString> cases[] = {
        {u"/home/anna/keys/moths.htm"_s, u"/home/anna"_s},
        {u"/home/anna"_s, u"/home/anna"_s},
        {u"/home/annabel/keys"_s, u"/"_s},
        {u"/media/anna/STICK/k"_s, u"/media/anna/STICK"_s},
        {u"/media/anna/./STICK/"_s, u"/media/anna/STICK"_s},
        {u"/"_s, u"/"_s},
    };
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(platform::driveOf(path, drives), drive) << path.toStdString();
    EXPECT_EQ(platform::driveOf(u"/etc"_s, QStringList{u"/home/anna"_s}), QString());
}

TEST(FinderPlatform, MountTableGivesDrivesUsersWouldPick)
{
    const QByteArray table = "/dev/sda2 / ext4 rw,relatime 0 0\n"
                             "proc /proc proc rw 0 0\n"
                             "devtmpfs /dev devtmpfs rw 0 0\n"
                             "tmpfs /run/user/1000 tmpfs rw 0 0\n"
                             "tmpfs /mnt/scratch tmpfs rw 0 0\n"
                             "cgroup2 /sys/fs/cgroup cgroup2 rw 0 0\n"
                             "/dev/sda1 /boot/efi vfat rw 0 0\n"
                             "/dev/loop3 /snap/core22/1234 squashfs ro 0 0\n"
                             "overlay /var/lib/docker/overlay2/x/merged overlay rw 0 0\n"
                             "/dev/sdb1 /media/anna/KEY\\040STICK vfat rw 0 0\n"
                             "/dev/sdc1 /run/media/anna/Field fuseblk rw 0 0\n"
                             "server:/keys /mnt/keys nfs4 rw 0 0\n"
                             "/dev/sda3 /home ext4 rw 0 0\n"
                             "/dev/sdb1 /media/anna/KEY\\040STICK vfat rw 0 0\n"
                             "broken line\n";
    EXPECT_EQ(platform::drivesFromMountTable(table, u"/home/anna"_s),
              (QStringList{u"/"_s, u"/home"_s, u"/home/anna"_s, u"/media/anna/KEY STICK"_s, u"/mnt/keys"_s,
                           u"/run/media/anna/Field"_s}));
    EXPECT_EQ(platform::drivesFromMountTable({}, u"/root"_s), (QStringList{u"/"_s, u"/root"_s}));
}

TEST(FinderPlatform, HostDrivesStartWithRootAndHoldHome)
{
    QStringList drives = platform::drives();
    ASSERT_FALSE(drives.isEmpty());
    EXPECT_EQ(drives.first(), u"/"_s);
    EXPECT_TRUE(drives.contains(QDir::cleanPath(QDir::homePath())));
    EXPECT_EQ(drives.removeDuplicates(), 0);
}

} // namespace
