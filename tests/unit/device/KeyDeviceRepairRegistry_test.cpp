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
const std::string kLeaf = kPath + "\\6&leaf";

FakeRegistry Tree(std::initializer_list<std::string> paths) {
    FakeRegistry registry;
    registry.keys[kPath];
    for (const auto& path : paths) registry.keys[path];
    return registry;
}

TEST(DeleteSubKeys, EmptiesATreeBottomUpAndPutsTheAccessListBack) {
    FakeRegistry registry = Tree({kInstance, kParams, kParams + "\\Irq", kLeaf});

    EXPECT_EQ(DeleteSubKeys(registry, kPath), 1);

    EXPECT_THAT(registry.log,
                ElementsAre("grant " + kPath, "grant " + kInstance, "grant " + kParams,
                            "delete " + kParams + "\\Irq", "delete " + kParams,
                            "delete " + kInstance, "delete " + kLeaf, "restore " + kPath));
    EXPECT_THAT(registry.keys, ElementsAre(::testing::Pair(kPath, ::testing::_)));
    EXPECT_EQ(registry.keys[kPath].access, "owner-only");
    EXPECT_THAT(registry.open, IsEmpty());

    FakeRegistry missing;
    EXPECT_EQ(DeleteSubKeys(missing, kPath), 1);
    EXPECT_THAT(missing.log, IsEmpty());
}

TEST(DeleteSubKeys, MovesPastSubkeysThatCannotBeOpenedOrDeleted) {
    const std::string unopenable = kPath + "\\1";
    const std::string undeletable = kPath + "\\2";
    FakeRegistry registry = Tree({unopenable, undeletable, undeletable + "\\child", kLeaf});
    registry.keys[unopenable].opens = false;
    registry.keys[undeletable].deletes = false;

    DeleteSubKeys(registry, kPath);

    EXPECT_THAT(registry.ChildrenOf(kPath), ElementsAre("1", "2"));
    EXPECT_THAT(registry.ChildrenOf(undeletable), IsEmpty());
    // A key left behind keeps its own access list, not everyone's.
    EXPECT_EQ(registry.keys[undeletable].access, "owner-only");
    EXPECT_EQ(registry.keys[kPath].access, "owner-only");
    EXPECT_THAT(registry.open, IsEmpty());
}

}  // namespace
}  // namespace keytool::testing
