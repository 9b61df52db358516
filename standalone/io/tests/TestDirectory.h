#pragma once
// A fresh directory per test, removed with everything in it afterwards.

#include <string>
#include <vector>

namespace quorvane::testing {

class TestDirectory {
public:
    TestDirectory();
    ~TestDirectory();
    TestDirectory(const TestDirectory&) = delete;
    TestDirectory& operator=(const TestDirectory&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& name) const { return path_ + "/" + name; }
    // Names of the entries, sorted, hidden ones included.
    std::vector<std::string> entries() const;

private:
    std::string path_;
};

std::string readBytes(const std::string& path);
void writeBytes(const std::string& path, const std::string& bytes);

} // namespace quorvane::testing
