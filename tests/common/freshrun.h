// For the few tests that must see the program before any application object exists, in a
// test program whose other tests have made one: the body runs in a fresh run of the program
// that runs this test alone (a gtest death test started anew, not forked).
#pragma once

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <functional>

namespace galimo::test {

inline void InAFreshRun(const std::function<void()>& body)
{
    GTEST_FLAG_SET(death_test_style, "threadsafe");
    EXPECT_EXIT(
        {
            body();
            // Only the fresh run's standard error comes back: its failures go there.
            const ::testing::TestResult& result = *::testing::UnitTest::GetInstance()->current_test_info()->result();
            for (int i = 0; i < result.total_part_count(); ++i) {
                const ::testing::TestPartResult& part = result.GetTestPartResult(i);
                if (part.failed())
                    std::fprintf(stderr, "%s:%d: %s\n", part.file_name() ? part.file_name() : "?", part.line_number(),
                                 part.message());
            }
            std::fflush(stderr);
            std::_Exit(::testing::Test::HasFailure() ? 1 : 0);
        },
        ::testing::ExitedWithCode(0), "")
        << "the fresh run failed";
}

}  // namespace galimo::test
