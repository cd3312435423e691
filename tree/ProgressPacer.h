// When a progress display of a long operation appears and when it is refreshed: only once
// the operation has lasted longer than a delay, then at most once per interval, so that a
// short operation shows nothing and a long one costs a few updates a second.
#pragma once

#include <cstdint>

class CProgressPacer {
public:
    enum class Step { Nothing, Show, Update };

    CProgressPacer(std::uint64_t startMs, std::uint64_t delayMs, std::uint64_t intervalMs)
        : m_start(startMs), m_delay(delayMs), m_interval(intervalMs)
    {
    }

    // What to do at time nowMs (a clock that does not go backwards).
    Step Tick(std::uint64_t nowMs)
    {
        if (!m_shown) {
            if (nowMs - m_start <= m_delay)
                return Step::Nothing;
            m_shown = true;
            m_last = nowMs;
            return Step::Show;
        }
        if (nowMs - m_last < m_interval)
            return Step::Nothing;
        m_last = nowMs;
        return Step::Update;
    }

    bool Shown() const { return m_shown; }

private:
    std::uint64_t m_start, m_delay, m_interval;
    std::uint64_t m_last = 0;
    bool m_shown = false;
};
