#pragma once
// Opt-in trace: lines are appended to $HOME/quorvane/<deliverable>_ae.log only when that
// file already exists. Every failure is silent.

#include <cstdio>
#include <functional>
#include <string>

#include "threads/Platform.h"

namespace quorvane {

class DebugLog {
public:
    using Environment = std::function<const char*(const char* name)>;

    explicit DebugLog(std::string fileName, Environment environment = nullptr);
    ~DebugLog();
    DebugLog(const DebugLog&) = delete;
    DebugLog& operator=(const DebugLog&) = delete;

    // The process-wide log, named by setProcessFileName (called by each entry point).
    static DebugLog& process();
    static void setProcessFileName(const char* fileName);

    // Appends the text, indented 4 blanks per depth; callers end it with a line feed.
    void write(const std::string& text);
    void indent() { ++depth_; }
    void outdent() { --depth_; }
    bool enabled() const { return enabled_; }
    const std::string& path() const { return path_; }

private:
    void activate();
    std::string defaultPath() const;

    std::string fileName_;
    Environment environment_;
    std::string path_;
    std::FILE* file_ = nullptr;
    bool enabled_ = false;
    int depth_ = 0;
    CriticalSection lock_;
};

} // namespace quorvane
