#include "platform/foundation/MainQueue.h"

#include <atomic>
#include <mutex>
#include <thread>

namespace fen {
namespace {

class InlineExecutor : public MainQueue::Executor {
public:
    void post(MainQueue::Task task) override { task(); }
    void invokeAndWait(const MainQueue::Task& task) override { task(); }
};

// Never destroyed: a worker may still post while the program ends.
std::mutex& executorMutex() {
    static auto& m = *new std::mutex;
    return m;
}

std::shared_ptr<MainQueue::Executor>& currentExecutor() {
    static auto& e = *new std::shared_ptr<MainQueue::Executor>(std::make_shared<InlineExecutor>());
    return e;
}

std::shared_ptr<MainQueue::Executor> executor() {
    std::lock_guard lock(executorMutex());
    return currentExecutor();
}

std::atomic<int>& runningTasks() {
    static std::atomic<int> count{0};
    return count;
}

} // namespace

void MainQueue::post(Task task) {
    executor()->post(std::move(task));
}

void MainQueue::invokeAndWait(const Task& task) {
    executor()->invokeAndWait(task);
}

std::shared_ptr<MainQueue::Executor> MainQueue::install(std::shared_ptr<Executor> e) {
    std::lock_guard lock(executorMutex());
    auto previous = currentExecutor();
    currentExecutor() = e ? std::move(e) : std::make_shared<InlineExecutor>();
    return previous;
}

void Background::run(std::function<void()> task) {
    ++runningTasks();
    std::thread([task = std::move(task)]() mutable {
        task();
        task = nullptr;
        --runningTasks();
    }).detach();
}

int Background::running() {
    return runningTasks();
}

} // namespace fen
