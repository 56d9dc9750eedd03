#pragma once

#include <QIODevice>

namespace keylinker {

/// Opens /dev/null as `fd` when that descriptor is closed, so that no file opened later takes the
/// number of a standard stream; false when it was closed.
bool holdOpen(int fd);

/// Standard output (or error) as the tool writes it: every write goes to the descriptor at once and
/// in whole, and the first that fails is remembered, so that a run whose output did not all arrive
/// can say so and never end in success.
class OutputChannel final : public QIODevice
{
public:
    /// Writes to the descriptor `fd`. A closed one counts as failed from the start and is held by
    /// /dev/null, so that no file opened later takes its number and receives the output.
    explicit OutputChannel(int fd);

    /// The system's error number of the first failure; 0 while everything was written.
    int failure() const { return m_failure; }

    /// Closes the descriptor; a failure there (a file system that reports late) counts as one of
    /// writing.
    void finish();

protected:
    qint64 readData(char*, qint64) override { return -1; }
    qint64 writeData(const char* data, qint64 size) override;

private:
    int m_fd;
    int m_failure = 0;
};

} // namespace keylinker
