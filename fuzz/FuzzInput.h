// What the fuzzers of the readers share: the input as bytes and a check that stops the run.

#pragma once

#include <cstdint>
#include <cstdlib>

#include <QByteArray>

namespace keylinker::fuzz {

inline QByteArray bytesOf(const std::uint8_t* data, std::size_t size)
{
    return QByteArray(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
}

// A broken property is a finding: libFuzzer keeps the input that led to it.
inline void require(bool holds)
{
    if (!holds)
        std::abort();
}

} // namespace keylinker::fuzz
