#include "leakrounds.h"

#include "init.h"
#include "testenv.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdio>
#include <filesystem>

#ifdef QUORVEL_ASAN
// AddressSanitizer keeps freed blocks aside (256 MB of them by default) to
// catch late uses: each round frees megabytes of pictures, which would make
// resident memory grow for a reason that is no leak. A small quarantine
// still catches late uses of what was just freed. This object is linked
// into a test program only when the program uses the rounds above.
extern "C" const char* __asan_default_options()
{
    return "quarantine_size_mb=4";
}
#endif

long residentBytes()
{
    FILE* statm = std::fopen("/proc/self/statm", "r");
    if (!statm)
        return -1;
    long total = 0, resident = -1;
    if (std::fscanf(statm, "%ld %ld", &total, &resident) != 2)
        resident = -1;
    std::fclose(statm);
    return resident < 0 ? -1 : resident * sysconf(_SC_PAGESIZE);
}

void enterDemo()
{
    std::filesystem::current_path(QUORVEL_DEMO_DIR);
    read_ini_file();
    ASSERT_STREQ(book, "books/demo");
}

void expectFlatMemoryOverRounds(const std::function<void(int round)>& round)
{
    long afterWarm = -1;
    for (int number = 1; number <= ROUNDS; ++number) {
        round(number);
        if (::testing::Test::HasFatalFailure())
            return;
        if (number == WARM_ROUNDS)
            afterWarm = residentBytes();
    }
    const long afterLast = residentBytes();
    ASSERT_GT(afterWarm, 0) << "no /proc/self/statm";
    std::printf("resident memory: %ld bytes after %d rounds, %ld after %d\n", afterWarm,
                WARM_ROUNDS, afterLast, ROUNDS);
    EXPECT_LT(afterLast - afterWarm, MAX_GROWTH)
        << "resident memory " << afterWarm << " bytes after " << WARM_ROUNDS << " rounds, "
        << afterLast << " after " << ROUNDS;
}
