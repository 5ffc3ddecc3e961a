#include "device/logic/KeyDeviceRepairRegistry.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include "tests/unit/device/FakeRegistry.h"

namespace keytool::testing {
namespace {

using ::testing::ElementsAre;
using ::testing::IsEmpty;

const std::string kPath = "SYSTEM\\ControlSet001\\Enum\\USB\\Vid_d1a1&Pid_2291";
const std::string kInstance = kPath + "\\5&1a2b3c&0&1";
const std::string kParams = kInstance + "\\Device Parameters";
const std::string kDeepest = kParams + "\\Interrupt";

TEST(DeleteSubKeys, EmptiesATreeBottomUpAndPutsTheAccessListBack) {
    FakeRegistry registry;
    for (const auto& p : {kPath, kInstance, kParams, kDeepest, kPath + "\\6&leaf"}) registry.Add(p);

    EXPECT_EQ(DeleteSubKeys(registry, kPath), 1);

    EXPECT_THAT(registry.log,
                ElementsAre("grant " + kPath, "grant " + kInstance, "grant " + kParams,
                            "delete " + kDeepest, "delete " + kParams, "delete " + kInstance,
                            "delete " + kPath + "\\6&leaf", "restore " + kPath));
    ASSERT_TRUE(registry.Has(kPath));
    EXPECT_THAT(registry.ChildrenOf(kPath), IsEmpty());
    EXPECT_EQ(registry.keys.at(kPath).access, "owner-only");
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(DeleteSubKeys, LeavesAMissingOrUnopenableKeyAsItWas) {
    FakeRegistry missing;
    EXPECT_EQ(DeleteSubKeys(missing, kPath), 1);
    EXPECT_THAT(missing.log, IsEmpty());

    FakeRegistry locked;
    locked.Add(kPath);
    locked.Add(kInstance);
    locked.keys.at(kPath).opens = false;
    EXPECT_EQ(DeleteSubKeys(locked, kPath), 1);
    EXPECT_THAT(locked.log, ElementsAre("grant " + kPath, "restore " + kPath));
    EXPECT_TRUE(locked.Has(kInstance));
    EXPECT_EQ(locked.keys.at(kPath).access, "owner-only");
}

TEST(DeleteSubKeys, MovesPastSubkeysThatCannotBeOpenedOrDeleted) {
    FakeRegistry registry;
    const std::string unopenable = kPath + "\\1";
    const std::string undeletable = kPath + "\\2";
    for (const auto& p : {kPath, unopenable, undeletable, undeletable + "\\child", kPath + "\\3"}) {
        registry.Add(p);
    }
    registry.keys.at(unopenable).opens = false;
    registry.keys.at(undeletable).deletes = false;

    DeleteSubKeys(registry, kPath);

    EXPECT_THAT(registry.ChildrenOf(kPath), ElementsAre("1", "2"));
    EXPECT_THAT(registry.ChildrenOf(undeletable), IsEmpty());
    EXPECT_FALSE(registry.Has(kPath + "\\3"));
    // A key left behind keeps its own access list, not everyone's.
    EXPECT_EQ(registry.keys.at(undeletable).access, "owner-only");
    EXPECT_EQ(registry.keys.at(kPath).access, "owner-only");
    EXPECT_EQ(registry.OpenHandles(), 0u);
}

TEST(DeleteSubKeys, StaysInsideThePathBuffer) {
    FakeRegistry registry;
    const std::string longest(kRegPathSize - 1 - kPath.size() - 1, 'a');
    const std::string tooLong(longest.size() + 1, 'b');
    const std::string beyondNameBuffer(kRegPathSize, 'c');
    for (const auto& name : {longest, tooLong, beyondNameBuffer}) registry.Add(kPath + '\\' + name);
    registry.Add(kPath);

    DeleteSubKeys(registry, kPath);

    EXPECT_THAT(registry.ChildrenOf(kPath), ElementsAre(tooLong, beyondNameBuffer));

    const std::string pathTooLong(kRegPathSize, 'p');
    registry.Add(pathTooLong);
    registry.Add(pathTooLong + "\\child");
    registry.log.clear();
    EXPECT_EQ(DeleteSubKeys(registry, pathTooLong), 1);
    EXPECT_THAT(registry.log, IsEmpty());
}

}  // namespace
}  // namespace keytool::testing
