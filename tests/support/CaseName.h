#pragma once

#include <string>

#include <gtest/gtest.h>

namespace keylinker::test {

/// Names each case of a parameterised test after the `name` of its parameter, so that the list of
/// tests and a failure say which case it is.
struct CaseName final
{
    template <typename Case> std::string operator()(const testing::TestParamInfo<Case>& testCase) const
    {
        return testCase.param.name;
    }
};

} // namespace keylinker::test
