#include <atomic>
#include <cerrno>
#include <climits>
#include <cstring>
#include <ctime>
#include <mutex>
#include <set>

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include "TemporaryNames.h"

namespace keylinker::FilePlatform::TemporaryNames {

namespace {

constexpr int handledSignals[] = {SIGINT, SIGTERM, SIGHUP};

// A run holds two temporary files at most; the rest is for threads.
constexpr int slotCount = 32;

// What a signal handler may read: a path copied in whole before its slot is marked full.
struct Slot
{
    enum : int { empty, filling, full };
    std::atomic<int> state{empty};
    char path[PATH_MAX];
};

Slot slots[slotCount];

static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void removeTemporaryFiles(int signal)
{
    for (Slot& slot : slots) {
        if (slot.state.load() == Slot::full)
            ::unlink(slot.path);
    }
    // The disposition was reset on entry; the signal, held back until the handler returns, ends the
    // process with its usual status.
    ::raise(signal);
}

sigset_t handledSet()
{
    sigset_t set;
    ::sigemptyset(&set);
    for (const int signal : handledSignals)
        ::sigaddset(&set, signal);
    return set;
}

// Leftovers of runs that may still be going on are left alone.
constexpr time_t leftoverAge = 60 * 60;

} // namespace

void guard()
{
    static std::once_flag once;
    std::call_once(once, [] {
        struct sigaction action
        {
        };
        action.sa_handler = SIG_IGN;
        ::sigemptyset(&action.sa_mask);
        ::sigaction(SIGXFSZ, &action, nullptr);
        action.sa_handler = removeTemporaryFiles;
        action.sa_mask = handledSet();
        action.sa_flags = SA_RESETHAND;
        for (const int signal : handledSignals) {
            struct sigaction before
            {
            };
            if (::sigaction(signal, nullptr, &before) == 0 && before.sa_handler == SIG_DFL)
                ::sigaction(signal, &action, nullptr);
        }
    });
}

int remember(const char* path)
{
    const size_t length = std::strlen(path);
    if (length >= PATH_MAX)
        return -1;
    for (int at = 0; at < slotCount; ++at) {
        int expected = Slot::empty;
        if (!slots[at].state.compare_exchange_strong(expected, Slot::filling))
            continue;
        std::memcpy(slots[at].path, path, length + 1);
        slots[at].state.store(Slot::full);
        return at;
    }
    return -1;
}

void forget(int slot)
{
    if (slot >= 0 && slot < slotCount)
        slots[slot].state.store(Slot::empty);
}

bool isTemporaryName(const std::string& name)
{
    static constexpr char mark[] = ".keylinker-";
    constexpr size_t markLength = sizeof mark - 1;
    constexpr size_t randomLength = 6;
    if (name.size() < 2 + markLength + randomLength || name.front() != '.')
        return false;
    const size_t at = name.size() - randomLength - markLength;
    if (name.compare(at, markLength, mark) != 0)
        return false;
    for (size_t c = at + markLength; c < name.size(); ++c) {
        const char letter = name[c];
        if (!((letter >= 'a' && letter <= 'z') || (letter >= 'A' && letter <= 'Z') ||
              (letter >= '0' && letter <= '9')))
            return false;
    }
    return true;
}

void sweep(const std::string& folder)
{
    static std::mutex swept;
    static std::set<std::string> done;
    {
        const std::lock_guard lock(swept);
        if (!done.insert(folder).second)
            return;
    }
    DIR* const listing = ::opendir(folder.c_str());
    if (listing == nullptr)
        return;
    const int fd = ::dirfd(listing);
    const uid_t user = ::geteuid();
    const time_t before = ::time(nullptr) - leftoverAge;
    while (const dirent* entry = ::readdir(listing)) {
        if (!isTemporaryName(entry->d_name))
            continue;
        struct stat info
        {
        };
        if (::fstatat(fd, entry->d_name, &info, AT_SYMLINK_NOFOLLOW) == 0 && S_ISREG(info.st_mode) &&
            info.st_uid == user && info.st_mtime < before)
            ::unlinkat(fd, entry->d_name, 0);
    }
    ::closedir(listing);
}

SignalsHeld::SignalsHeld()
{
    const sigset_t held = handledSet();
    ::pthread_sigmask(SIG_BLOCK, &held, &m_before);
}

SignalsHeld::~SignalsHeld()
{
    ::pthread_sigmask(SIG_SETMASK, &m_before, nullptr);
}

} // namespace keylinker::FilePlatform::TemporaryNames
