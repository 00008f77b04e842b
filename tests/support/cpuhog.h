#pragma once

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

// Keeps every core busy for as long as it lives, as other programs on a loaded
// machine would; a hog that is not `on` does nothing.
class CpuHog
{
public:
    explicit CpuHog(bool on = true)
    {
        if (!on)
            return;
        for (unsigned i = 0; i < std::max(2u, std::thread::hardware_concurrency()); ++i)
            m_threads.emplace_back([this] {
                volatile unsigned long n = 0;
                while (!m_stop.load(std::memory_order_relaxed))
                    n = n + 1;
            });
    }
    ~CpuHog()
    {
        m_stop = true;
        for (std::thread& t : m_threads)
            t.join();
    }
    CpuHog(const CpuHog&) = delete;
    CpuHog& operator=(const CpuHog&) = delete;

private:
    std::atomic<bool> m_stop { false };
    std::vector<std::thread> m_threads;
};
