#include <memory>

#include <gtest/gtest.h>

#include "parameters/ParameterList.h"
#include "parameters/tests/TestParameterKinds.h"

namespace quorvane {
namespace {

using testing::TestCheckbox;
using testing::TestFloat;
using testing::TestGroup;
using testing::TestGroupEnd;

class DestructionWitness : public TestCheckbox {
public:
    explicit DestructionWitness(bool* destroyed) : destroyed_(destroyed) {}
    ~DestructionWitness() override { *destroyed_ = true; }

private:
    bool* destroyed_;
};

TEST(ParameterList, KeepsAppendOrder)
{
    TestGroup group;
    TestFloat amount;
    TestCheckbox flag;
    TestGroupEnd groupEnd;
    xParameterList list;
    EXPECT_EQ(list.size(), 0u);
    EXPECT_FALSE(list.query());

    list.append(&group);
    list.append(&amount);
    list.append(&flag);
    list.append(&groupEnd);

    const xParameterBase* expected[] = {&group, &amount, &flag, &groupEnd};
    ASSERT_EQ(list.size(), 4u);
    std::size_t i = 0;
    for (const xParameterBase* entry : list)
        EXPECT_EQ(entry, expected[i++]);
    EXPECT_EQ(list.at(2), &flag);
}

TEST(ParameterList, OwnsNothing)
{
    bool destroyed = false;
    DestructionWitness parameter(&destroyed);
    {
        auto list = std::make_unique<xParameterList>();
        list->append(&parameter);
    }
    EXPECT_FALSE(destroyed);
    EXPECT_EQ(parameter.setEnabled(false), 0);
    EXPECT_FALSE(parameter.definition().enabled);
}

} // namespace
} // namespace quorvane
