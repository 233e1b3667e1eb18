#include "refusal_log.h"

RefusalLog::RefusalLog(std::function<void(const std::string&)> log) : log_(std::move(log)) {}

void RefusalLog::SayUnsaid()
{
    if (unsaid_ == 0)
        return;
    log_("refused " + std::to_string(unsaid_) + (unsaid_ == 1 ? " more request" : " more requests") +
         " within that minute, not logged one by one");
    unsaid_ = 0;
}

void RefusalLog::Refused(const std::string& line, Clock::time_point now)
{
    if (!started_ || now - minute_ >= std::chrono::minutes(1)) {
        SayUnsaid();
        started_ = true;
        minute_ = now;
        said_ = 0;
    }
    if (said_ < LinesPerMinute) {
        ++said_;
        log_(line);
    } else {
        ++unsaid_;
    }
}

void RefusalLog::End() { SayUnsaid(); }
