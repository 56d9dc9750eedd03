// The contract of the file platform, run against the implementation of the host it is built for
// (POSIX here, Windows under Wine).
#include "FilePlatform.h"

#include <atomic>
#include <cerrno>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <iterator>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

namespace fs = std::filesystem;
using namespace keylinker::FilePlatform;
using keylinker::FileError;

namespace {

// The form in which the test's own std::filesystem calls reach paths beyond 260 characters.
fs::path reachable(const fs::path& path)
{
#ifdef _WIN32
    return fs::path(L"\\\\?\\" + fs::absolute(path).make_preferred().native());
#else
    return path;
#endif
}

ResizeBuffer into(std::string& text)
{
    return [&text](std::size_t size) {
        text.resize(size);
        return text.data();
    };
}

std::string contentOf(const fs::path& path)
{
    std::string text;
    FileAccess access;
    FileError error;
    EXPECT_TRUE(readFile(path, into(text), access, error)) << error.code;
    return text;
}

void put(const fs::path& path, const std::string& content)
{
    std::ofstream(reachable(path), std::ios::binary) << content;
}

class FilePlatformTest : public testing::Test
{
protected:
    void SetUp() override
    {
        const auto* info = testing::UnitTest::GetInstance()->current_test_info();
        dir = fs::temp_directory_path() / (std::string("keylinker-platform-") + info->name());
        fs::remove_all(reachable(dir));
        fs::create_directories(dir);
    }
    void TearDown() override
    {
        std::error_code ignored;
        fs::remove_all(reachable(dir), ignored);
    }

    // The names in `dir`, each with whether it is a folder, as the reader hands them out.
    std::set<std::pair<fs::path::string_type, EntryType>> listing(const fs::path& folder)
    {
        std::set<std::pair<fs::path::string_type, EntryType>> names;
        FolderReader reader(folder);
        FolderItem item;
        while (reader.next(item)) {
            if (item.type == EntryType::Unknown && !reader.resolve(item))
                continue;
            names.emplace(item.name, item.type);
        }
        EXPECT_EQ(reader.error(), 0);
        return names;
    }

    fs::path dir;
    // Whether a file made could not take every attribute it was to have: none here has any to lose.
    bool lost = false;
};

TEST_F(FilePlatformTest, TwoWritersRacingForBackupNamesNeverShareOne)
{
    const fs::path key = dir / "key.htm";
    constexpr int perWriter = 40;
    // Each writer takes the next name whenever the one it tried was taken, as the procedure does.
    auto writer = [&key](char who) {
        for (int n = 0; n < perWriter; ++n) {
            const std::string text = who + std::to_string(n);
            FileError error;
            bool ownLost = false;
            for (int number = 0;; ++number) {
                const fs::path name = key.native() + fs::path("_bak" + std::to_string(number)).native();
                if (writeBackup(name, text, FileAccess{}, error, ownLost))
                    break;
                ASSERT_EQ(error.code, EEXIST);
            }
        }
    };
    std::thread a(writer, 'a');
    std::thread b(writer, 'b');
    a.join();
    b.join();

    std::multiset<std::string> held;
    for (const auto& entry : fs::directory_iterator(dir))
        held.insert(contentOf(entry.path()));
    ASSERT_EQ(held.size(), 2u * perWriter) << "a name was overwritten or a temporary file stayed";
    for (int n = 0; n < perWriter; ++n)
        EXPECT_TRUE(held.count("a" + std::to_string(n)) == 1 && held.count("b" + std::to_string(n)) == 1)
            << n;
}

TEST_F(FilePlatformTest, ReplaceIsAtomicAndOnlyFromWhatWasRead)
{
    const fs::path key = dir / "key.htm";
    const std::string a(300000, 'a');
    const std::string b(100000, 'b');
    put(key, a);
    put(dir / "was-a", a);
    put(dir / "was-b", b);

    // A reader meanwhile sees the one text or the other, whole, never a mixture or a missing key.
    std::atomic<bool> done = false;
    std::thread reader([&] {
        while (!done) {
            const std::string seen = contentOf(key);
            ASSERT_TRUE(seen == a || seen == b) << seen.size();
            // On Windows a file open for reading cannot be replaced: the writer needs a moment.
            std::this_thread::yield();
        }
    });
    for (int round = 0; round < 20; ++round) {
        FileError error;
        const bool isA = round % 2 == 0;
        bool replaced = false;
        for (int attempt = 0; attempt < 1000 && !replaced; ++attempt)
            replaced =
                replaceFile(key, dir / (isA ? "was-a" : "was-b"), isA ? b : a, FileAccess{}, error, lost);
        EXPECT_TRUE(replaced) << error.code;
        if (!replaced)
            break;
    }
    done = true;
    reader.join();

    // Changed meanwhile: the key no longer holds what the copy holds, and it is left as it is.
    put(key, "saved in an editor");
    FileError error;
    EXPECT_FALSE(replaceFile(key, dir / "was-a", "new", FileAccess{}, error, lost));
    EXPECT_EQ(error.code, FileError::changedMeanwhile);
    EXPECT_EQ(contentOf(key), "saved in an editor");

    // A key to be created is created only while no one else has created it.
    const fs::path fresh = dir / "fresh.htm";
    EXPECT_TRUE(replaceFile(fresh, fs::path(), "made", FileAccess{}, error, lost));
    EXPECT_FALSE(replaceFile(fresh, fs::path(), "again", FileAccess{}, error, lost));
    EXPECT_EQ(error.code, FileError::changedMeanwhile);
    EXPECT_EQ(contentOf(fresh), "made");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 4)
        << "a temporary file stayed";
}

TEST_F(FilePlatformTest, HardLinkedKeyIsWrittenInPlaceUnderEveryName)
{
    const fs::path key = dir / "key.htm";
    put(key, "old text");
    put(dir / "copy", "old text");
    std::error_code linked;
    fs::create_hard_link(key, dir / "other-name.htm", linked);
    if (linked)
        GTEST_SKIP() << "this file system makes no hard links: " << linked.message();
    FileError error;
    ASSERT_TRUE(replaceFile(key, dir / "copy", "new text", FileAccess{}, error, lost)) << error.code;
    EXPECT_EQ(contentOf(dir / "other-name.htm"), "new text");
    EXPECT_EQ(contentOf(key), "new text");
}

TEST_F(FilePlatformTest, NonAsciiAndLongNamesGoThroughEveryStep)
{
    // A folder of 200 characters and a key of 100 with letters beyond ASCII: over 300 in all.
    const fs::path folder = dir / fs::path(u8"Käfer Ärger " + std::u8string(188, u8'x'));
    fs::create_directories(reachable(folder));
    const fs::path key = folder / fs::path(u8"Laufkäfer Ωμέγα 日本 " + std::u8string(70, u8'k') + u8".htm");
    ASSERT_GT(key.native().size(), 300u);

    FileError error;
    ASSERT_TRUE(writeNewFileExclusive(key, "key", error)) << error.code;
    KeyLock lock;
    ASSERT_TRUE(lock.lock(key, error)) << error.code;
    const fs::path backup = key.native() + fs::path("_bak0").native();
    ASSERT_TRUE(writeBackup(backup, contentOf(key), FileAccess{}, error, lost)) << error.code;
    EXPECT_TRUE(replaceFile(key, backup, "linked key", FileAccess{}, error, lost)) << error.code;
    lock.unlock();
    EXPECT_EQ(fileSize(key), 10);
    EXPECT_EQ(listing(folder), (std::set<std::pair<fs::path::string_type, EntryType>>{
                                   {key.filename().native(), EntryType::File},
                                   {backup.filename().native(), EntryType::File}}));
    // Removed one by one: a whole tree beyond 260 characters is more than std::filesystem manages
    // on Windows.
    for (const fs::path& path : {key, backup, folder})
        EXPECT_TRUE(fs::remove(reachable(path))) << path;
}

TEST_F(FilePlatformTest, ListingLeavesOutHiddenNamesAndFollowsLinksOnlyForTheirType)
{
    put(dir / "key.htm", "k");
    put(dir / ".hidden.htm", "h");
    fs::create_directory(dir / "Sub");
    std::set<std::pair<fs::path::string_type, EntryType>> expected{
        {fs::path("key.htm").native(), EntryType::File}, {fs::path("Sub").native(), EntryType::Folder}};
#ifdef _WIN32
    put(dir / "marked.htm", "m");
    ASSERT_TRUE(::SetFileAttributesW((dir / "marked.htm").c_str(), FILE_ATTRIBUTE_HIDDEN));
#endif
    std::error_code linked;
#ifdef _WIN32
    // libstdc++ makes no links on Windows; the system call does, where the system lets it.
    if (!::CreateSymbolicLinkW((dir / "to-sub").c_str(), (dir / "Sub").c_str(),
                               SYMBOLIC_LINK_FLAG_DIRECTORY) ||
        !::CreateSymbolicLinkW((dir / "dangling").c_str(), (dir / "gone").c_str(), 0))
        linked.assign(static_cast<int>(::GetLastError()), std::system_category());
#else
    fs::create_directory_symlink(dir / "Sub", dir / "to-sub", linked);
    if (!linked)
        fs::create_symlink(dir / "gone", dir / "dangling", linked);
#endif
    if (linked) {
        std::cout << "symbolic links are left out here: " << linked.message() << '\n';
    } else {
#ifdef _WIN32
        // Wine makes the link and lists it, but cannot open what it leads to: there it counts as
        // leading nowhere.
        if (::GetFileAttributesW((dir / "to-sub").c_str()) == INVALID_FILE_ATTRIBUTES)
            std::cout << "this system cannot follow the link it made; following is not checked\n";
        else
#endif
            expected.emplace(fs::path("to-sub").native(), EntryType::Folder);
        FolderReader reader(dir);
        FolderItem item;
        while (reader.next(item))
            EXPECT_EQ(item.isLink, fs::path(item.name) == "to-sub" || fs::path(item.name) == "dangling");
    }
    EXPECT_EQ(listing(dir), expected);

    FolderReader missing(dir / "nothing here");
    FolderItem item;
    EXPECT_FALSE(missing.next(item));
    EXPECT_EQ(missing.error(), ENOENT);
}

TEST_F(FilePlatformTest, BackupTakesTheKeysRightsAndNoWider)
{
    const fs::path key = dir / "key.htm";
    const fs::path backup = dir / "key.htm_bak0";
    put(key, "private");
#ifdef _WIN32
    // An access list of its own, not the one the folder hands down to new files.
    SECURITY_DESCRIPTOR descriptor;
    alignas(ACL) char room[256];
    auto* list = reinterpret_cast<ACL*>(room);
    SID_IDENTIFIER_AUTHORITY world = SECURITY_WORLD_SID_AUTHORITY;
    PSID everyone = nullptr;
    ASSERT_TRUE(::AllocateAndInitializeSid(&world, 1, SECURITY_WORLD_RID, 0, 0, 0, 0, 0, 0, 0, &everyone));
    ASSERT_TRUE(::InitializeSecurityDescriptor(&descriptor, SECURITY_DESCRIPTOR_REVISION) &&
                ::InitializeAcl(list, sizeof room, ACL_REVISION) &&
                ::AddAccessAllowedAce(list, ACL_REVISION, FILE_GENERIC_READ | FILE_GENERIC_WRITE | DELETE,
                                      everyone) &&
                ::SetSecurityDescriptorDacl(&descriptor, TRUE, list, FALSE));
    const bool set = ::SetFileSecurityW(key.c_str(), DACL_SECURITY_INFORMATION, &descriptor);
    ::FreeSid(everyone);
    if (!set)
        GTEST_SKIP() << "this system keeps no access lists on files";
#else
    fs::permissions(key, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
#endif
    std::string text;
    FileAccess access;
    FileError error;
    ASSERT_TRUE(readFile(key, into(text), access, error));
    ASSERT_TRUE(writeBackup(backup, text, access, error, lost)) << error.code;
#ifdef _WIN32
    if (access.security.empty())
        GTEST_SKIP() << "this system reads no access list back";
    std::string held;
    FileAccess backupAccess;
    ASSERT_TRUE(readFile(backup, into(held), backupAccess, error));
    EXPECT_EQ(backupAccess.security, access.security);
#else
    EXPECT_EQ(fs::status(backup).permissions(), fs::status(key).permissions());
#endif
    EXPECT_FALSE(lost);
}

TEST_F(FilePlatformTest, MemoryLeftIsAskedOfTheSystem)
{
    EXPECT_TRUE(memoryLeft(1 << 20));
    EXPECT_FALSE(memoryLeft(0));
    EXPECT_FALSE(memoryLeft(INT64_MAX)) << "no system has that much for one process";
}

#ifdef _WIN32
TEST_F(FilePlatformTest, KeyOpenInAnotherProgramIsLeftWholeWithAMessage)
{
    const fs::path key = dir / "key.htm";
    put(key, "old");
    put(dir / "copy", "old");
    // A word processor holds the file without letting it be deleted or written.
    HANDLE held =
        ::CreateFileW(key.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    FileError error;
    const bool replaced = replaceFile(key, dir / "copy", "new", FileAccess{}, error, lost);
    ::CloseHandle(held);
    if (replaced)
        GTEST_SKIP() << "this system replaced a file held without sharing (Wine does not enforce it)";
    EXPECT_EQ(error.code, FileError::inUse);
    EXPECT_EQ(contentOf(key), "old");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator()), 2)
        << "a temporary file stayed";
}
#endif

} // namespace
