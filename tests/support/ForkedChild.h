// A forked process for cross-process tests: it runs a body on the test's device, reports numbers
// to the parent and waits for its signals; it ends when the parent lets it go or kills it.
#pragma once

#include <CePlatform/Device.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <set>

namespace test {

class ForkedChild {
public:
    using Body = std::function<int64_t(ForkedChild&)>;

    // Forks; the child opens `device`, runs `body`, reports its result and then waits until the
    // parent lets it go. The parent's current device is `device` again afterwards.
    ForkedChild(const std::filesystem::path& device, const Body& body) {
        ce::CloseDevice();  // no database connection is carried across fork
        if (pipe(up_) != 0 || pipe(down_) != 0) return;
        pid_ = fork();
        if (pid_ == 0) {
            // Only the parent may hold the ends that let the other children go.
            for (int fd : ParentEnds()) close(fd);
            close(up_[0]);
            close(down_[1]);
            ce::UseDevice(device);
            Report(body(*this));
            while (AwaitSignal()) continue;
            _exit(0);
        }
        close(up_[1]);
        close(down_[0]);
        ParentEnds().insert(up_[0]);
        ParentEnds().insert(down_[1]);
        ce::UseDevice(device);
    }
    ~ForkedChild() {
        Finish();
        ParentEnds().erase(up_[0]);
        close(up_[0]);
    }
    ForkedChild(const ForkedChild&) = delete;
    ForkedChild& operator=(const ForkedChild&) = delete;

    // Parent: the next number the child reported; -1 when it ended first.
    int64_t Next() {
        int64_t value = -1;
        return read(up_[0], &value, sizeof value) == sizeof value ? value : -1;
    }
    // Parent: lets the child's AwaitSignal return true once.
    void Signal() { (void)!write(down_[1], "s", 1); }
    // Parent: lets the child end normally and waits for it.
    void Finish() {
        if (down_[1] >= 0) {
            ParentEnds().erase(down_[1]);
            close(down_[1]);
            down_[1] = -1;
        }
        if (pid_ > 0) waitpid(pid_, nullptr, 0);
        pid_ = -1;
    }
    void Kill() {
        if (pid_ > 0) kill(pid_, SIGKILL);
        Finish();
    }

    // Child: sends a number to the parent.
    void Report(int64_t value) { (void)!write(up_[1], &value, sizeof value); }
    // Child: waits for the parent's signal; false when the parent let it go.
    bool AwaitSignal() {
        char c;
        return read(down_[0], &c, 1) == 1;
    }

private:
    static std::set<int>& ParentEnds() {
        static std::set<int> ends;
        return ends;
    }

    pid_t pid_ = -1;
    int up_[2] = {-1, -1};
    int down_[2] = {-1, -1};
};

}  // namespace test
