#include "OutputChannel.h"

#include <algorithm>
#include <cerrno>

#include <fcntl.h>
#ifdef _WIN32
#include <io.h>
#else
#include <unistd.h>
#endif

namespace keylinker {

#ifndef _WIN32
bool holdOpen(int fd)
{
    if (::fcntl(fd, F_GETFD) >= 0 || errno != EBADF)
        return true;
    const int null = ::open("/dev/null", O_RDWR | O_CLOEXEC);
    if (null >= 0 && null != fd) {
        ::dup2(null, fd);
        ::close(null);
    }
    return false;
}
#endif

OutputChannel::OutputChannel(int fd) : m_fd(fd)
{
#ifndef _WIN32
    if (!holdOpen(fd))
        m_failure = EBADF;
#endif
    open(QIODevice::WriteOnly | QIODevice::Unbuffered);
}

qint64 OutputChannel::writeData(const char* data, qint64 size)
{
    if (m_failure != 0)
        return -1;
    for (qint64 done = 0; done < size;) {
        const auto chunk = static_cast<size_t>(std::min<qint64>(size - done, 1 << 20));
        const auto written = ::write(m_fd, data + done, chunk);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0) {
            m_failure = written < 0 ? errno : EIO;
            return -1;
        }
        done += written;
    }
    return size;
}

void OutputChannel::finish()
{
    close();
    if (::close(m_fd) != 0 && m_failure == 0 && errno != EINTR)
        m_failure = errno;
}

} // namespace keylinker
