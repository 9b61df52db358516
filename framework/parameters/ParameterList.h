#pragma once
// The ordered, non-owning list of an effect's live parameters. The parameter set holds the
// objects as members, so list and objects live and die together.

#include <initializer_list>
#include <vector>

namespace quorvane {

class xParameterDef;

// Base of every live parameter; the kinds and their host binding build on it.
class xParameterBase {
public:
    virtual ~xParameterBase() = default;
    virtual void reserved(int) {}
    virtual int setEnabled(bool enabled) = 0;
    virtual const xParameterDef& definition() const = 0;
    virtual xParameterDef& definition() = 0;
};

class xParameterList {
public:
    virtual ~xParameterList() = default;
    virtual bool query() const { return false; }

    void append(xParameterBase* parameter) { entries_.push_back(parameter); }
    void append(std::initializer_list<xParameterBase*> parameters)
    {
        entries_.insert(entries_.end(), parameters.begin(), parameters.end());
    }
    auto begin() const { return entries_.begin(); }
    auto end() const { return entries_.end(); }
    std::size_t size() const { return entries_.size(); }
    xParameterBase* at(std::size_t i) const { return entries_[i]; }

private:
    std::vector<xParameterBase*> entries_;
};

} // namespace quorvane
