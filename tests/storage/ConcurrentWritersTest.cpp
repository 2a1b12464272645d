#include "storage/CoreDataBase.h"

#include "StoreTestSupport.h"

#include <gtest/gtest.h>

#include <sstream>
#include <sys/wait.h>
#include <unistd.h>

namespace fen {
namespace {

// Runs `work` in `count` child processes that start together (released through a pipe) and
// returns how many of them exited with status 0.
int runTogether(int count, const std::function<bool(int)>& work) {
    int gate[2];
    if (pipe(gate) != 0) {
        return 0;
    }
    std::vector<pid_t> children;
    for (int i = 0; i < count; ++i) {
        pid_t pid = fork();
        if (pid == 0) {
            close(gate[1]);
            char c;
            while (read(gate[0], &c, 1) > 0) {
            }
            bool ok = work(i);
            _exit(ok ? 0 : 1);
        }
        children.push_back(pid);
    }
    close(gate[0]);
    close(gate[1]);
    int succeeded = 0;
    for (pid_t pid : children) {
        int status = 0;
        if (pid > 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status) &&
            WEXITSTATUS(status) == 0) {
            ++succeeded;
        }
    }
    return succeeded;
}

TEST(ConcurrentWriters, ReadChangeWriteOfOneBlobLosesNoChange) {
    test::ScopedStore s;
    constexpr int kWriters = 3;
    constexpr int kChanges = 200;
    std::filesystem::path file = s.file();

    int succeeded = runTogether(kWriters, [&](int writer) {
        CoreDataBase db{PersistenceController(StoreLocation{file})};
        for (int i = 0; i < kChanges; ++i) {
            bool stored = db.changeListData(ListStoreKind::stamp, [&](const auto& current) {
                return CoreDataBase::BlobChange{current.value_or("") + std::to_string(writer) +
                                                    ":" + std::to_string(i) + "\n",
                                                false};
            });
            if (!stored) {
                return false;
            }
        }
        return true;
    });
    EXPECT_EQ(succeeded, kWriters);

    std::optional<std::string> blob = s.store().loadListData(ListStoreKind::stamp);
    ASSERT_TRUE(blob);
    std::vector<int> next(kWriters, 0);
    std::istringstream lines(*blob);
    std::string line;
    int total = 0;
    while (std::getline(lines, line)) {
        int writer = std::stoi(line.substr(0, line.find(':')));
        int index = std::stoi(line.substr(line.find(':') + 1));
        ASSERT_GE(writer, 0);
        ASSERT_LT(writer, kWriters);
        EXPECT_EQ(index, next[static_cast<size_t>(writer)]++) << "writer " << writer;
        ++total;
    }
    EXPECT_EQ(total, kWriters * kChanges);
}

} // namespace
} // namespace fen
