#include "DriveListModel.h"

#include <gtest/gtest.h>

#include <QAbstractItemModelTester>
#include <QSignalSpy>

#include "DirectoryListModel.h"
#include "QtPrinters.h"
#include "TestDir.h"

using namespace Qt::StringLiterals;
using keylinker::DirectoryListModel;
using keylinker::DriveListModel;
using keylinker::test::TestDir;

namespace {

// Temporary folders stand in for drives; "usb/inner" is a drive nested in another one.
class FinderDriveList : public ::testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(dir.isValid()); }
    QString at(const QString& relative = QString()) const { return dir.path(relative); }

    TestDir dir{u"sys/keys/moths/"_s, u"usb/beetles/"_s, u"usb/inner/keys/"_s, u"home/"_s};
    DriveListModel drives{{at(u"usb"_s), at(u"sys"_s), at(u"usb/inner"_s), at(u"home"_s), at(u"sys/"_s)}};
    DirectoryListModel folders{drives};
    // Every change the tests make is checked against the rules views rely on; a breach aborts.
    QAbstractItemModelTester driveRules{&drives, QAbstractItemModelTester::FailureReportingMode::Fatal};
    QAbstractItemModelTester folderRules{&folders, QAbstractItemModelTester::FailureReportingMode::Fatal};
};

TEST_F(FinderDriveList, ListsDrivesSortedAndFindsTheOneHoldingAPath)
{
    EXPECT_EQ(drives.drives(), (QStringList{at(u"home"_s), at(u"sys"_s), at(u"usb"_s), at(u"usb/inner"_s)}));
    EXPECT_EQ(drives.data(drives.index(2)).toString(), at(u"usb"_s));
    EXPECT_EQ(drives.currentDrive(), at(u"home"_s));

    const std::pair<QString, QString> cases[] = {{u"sys/keys/moths"_s, at(u"sys"_s)},
                                                 {u"usb/inner/keys"_s, at(u"usb/inner"_s)},
                                                 {u"usbx"_s, QString()}};
    for (const auto& [path, drive] : cases)
        EXPECT_EQ(drives.driveOf(at(path)), drive) << path.toStdString();
}

TEST_F(FinderDriveList, SetCurrentDriveSignalsOnlyRealChangesBeforeReturning)
{
    QString seen;
    bool returned = false;
    bool signalledBeforeReturn = false;
    QObject::connect(&drives, &DriveListModel::currentDriveChanged, [&] {
        seen = drives.currentDrive();
        signalledBeforeReturn = !returned;
    });
    QSignalSpy spy(&drives, &DriveListModel::currentDriveChanged);

    drives.setCurrentDrive(at(u"sys/keys/moths"_s));
    returned = true;
    EXPECT_TRUE(signalledBeforeReturn);
    EXPECT_EQ(seen, at(u"sys"_s));
    EXPECT_EQ(drives.currentRow(), 1);

    drives.setCurrentDrive(at(u"sys/keys"_s));  // same drive
    drives.setCurrentDrive(at(u"elsewhere"_s)); // on no drive
    drives.setCurrentRow(9);
    drives.setCurrentRow(-1);
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(drives.currentDrive(), at(u"sys"_s));

    drives.setCurrentRow(3);
    EXPECT_EQ(spy.count(), 2);
    EXPECT_EQ(seen, at(u"usb/inner"_s));
}

TEST_F(FinderDriveList, OpenDriveReturnsToLastFolderOrDriveItself)
{
    EXPECT_EQ(drives.rememberedFolder(at(u"sys"_s)), at(u"sys"_s));
    for (const QString& folder : {u"sys/keys/moths"_s, u"usb/beetles"_s, u"usb/inner/keys"_s, u"home"_s})
        ASSERT_TRUE(folders.setPath(at(folder)));
    EXPECT_EQ(drives.rememberedFolder(at(u"sys"_s)), at(u"sys/keys/moths"_s));
    EXPECT_EQ(drives.rememberedFolder(at(u"usb"_s)), at(u"usb/beetles"_s));
    EXPECT_EQ(drives.rememberedFolder(at(u"usb/inner"_s)), at(u"usb/inner/keys"_s));

    QSignalSpy spy(&folders, &DirectoryListModel::pathChanged);
    EXPECT_TRUE(folders.openDrive(at(u"sys"_s)));
    EXPECT_EQ(folders.path(), at(u"sys/keys/moths"_s));
    EXPECT_EQ(spy.count(), 1);

    // The remembered folder has gone: the drive itself.
    ASSERT_TRUE(dir.remove(u"usb/beetles"_s));
    EXPECT_TRUE(folders.openDrive(at(u"usb"_s)));
    EXPECT_EQ(folders.path(), at(u"usb"_s));

    // Neither is there any more: nothing changes.
    ASSERT_TRUE(dir.remove(u"sys"_s));
    EXPECT_FALSE(folders.openDrive(at(u"sys"_s)));
    EXPECT_EQ(folders.path(), at(u"usb"_s));
    EXPECT_EQ(spy.count(), 2);
}

TEST_F(FinderDriveList, NewDriveListKeepsCurrentDriveWhileListed)
{
    drives.setCurrentDrive(at(u"usb/inner/keys"_s));
    drives.rememberFolder(at(u"usb/beetles"_s));
    QSignalSpy spy(&drives, &DriveListModel::currentDriveChanged);

    drives.setDrives({at(u"sys"_s), at(u"usb/inner"_s), at(u"usb"_s)});
    drives.refresh();
    EXPECT_EQ(drives.rowCount(), 3);
    EXPECT_EQ(drives.currentDrive(), at(u"usb/inner"_s));
    EXPECT_EQ(spy.count(), 0);

    // The inner drive goes away: the drive that held it takes over, and says so.
    drives.setDrives({at(u"sys"_s), at(u"usb"_s)});
    EXPECT_EQ(drives.currentDrive(), at(u"usb"_s));
    EXPECT_EQ(spy.count(), 1);
    EXPECT_EQ(drives.rememberedFolder(at(u"usb"_s)), at(u"usb/beetles"_s));
}

} // namespace
