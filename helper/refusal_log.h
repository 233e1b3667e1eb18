#pragma once
// The refusals of one connection in the journal without flooding it: the first few of each
// minute as lines of their own, the rest only counted; their number is said once the minute is
// over (with the next refusal) or when the connection ends.

#include <chrono>
#include <functional>
#include <string>

class RefusalLog {
public:
    using Clock = std::chrono::steady_clock;
    static constexpr int LinesPerMinute = 5;

    explicit RefusalLog(std::function<void(const std::string&)> log);

    void Refused(const std::string& line, Clock::time_point now = Clock::now());
    // The connection ends: the count of the refusals not logged, if any.
    void End();

private:
    void SayUnsaid();

    std::function<void(const std::string&)> log_;
    bool started_ = false;
    Clock::time_point minute_{};
    int said_ = 0;
    unsigned long unsaid_ = 0;
};
