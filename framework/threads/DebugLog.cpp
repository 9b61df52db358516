#include "threads/DebugLog.h"

#include <cstdlib>

namespace quorvane {

namespace {

const char* processFileName = "quorvane_ae.log";

} // namespace

DebugLog::DebugLog(std::string fileName, Environment environment)
    : fileName_(std::move(fileName)), environment_(std::move(environment))
{
    ScopedLock lock(lock_);
    activate();
}

DebugLog::~DebugLog()
{
    if (file_)
        std::fclose(file_);
}

DebugLog& DebugLog::process()
{
    static DebugLog log(processFileName);
    return log;
}

void DebugLog::setProcessFileName(const char* fileName) { processFileName = fileName; }

std::string DebugLog::defaultPath() const
{
    auto read = [this](const char* name) -> const char* {
        return environment_ ? environment_(name) : std::getenv(name);
    };
    const char* home = read("HOME");
    if (!home)
        home = read("HOMEPATH");
    if (!home)
        return {};
    return std::string(home) + "/" + "quorvane/" + fileName_;
}

void DebugLog::activate()
{
    if (path_.empty())
        path_ = defaultPath();
    if (!file_ && !path_.empty()) {
        // Only an existing file switches the trace on; it is never created here.
        if (std::FILE* probe = std::fopen(path_.c_str(), "r")) {
            std::fclose(probe);
            file_ = std::fopen(path_.c_str(), "a+");
        }
    }
    if (file_)
        enabled_ = true;
}

void DebugLog::write(const std::string& text)
{
    ScopedLock lock(lock_);
    activate();
    if (!file_)
        return;
    std::string indentation;
    for (int i = 0; i < depth_; ++i)
        indentation += "    ";
    std::fprintf(file_, "%s", indentation.c_str());
    std::fprintf(file_, "%s", text.c_str());
    std::fflush(file_);
}

} // namespace quorvane
