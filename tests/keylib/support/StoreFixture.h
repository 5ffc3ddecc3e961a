// Each test gets a store folder of its own (KEYLIB_STORE) and helpers to make, plug, pull and
// inspect virtual keys without going through the library under test.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

#include "keylib/dll/logic/KeyRecord.h"

namespace keylibtest {

constexpr char kPassword[] = "Qk7-pass9";
constexpr uint8_t kTries = 5;

// A test certificate made by the build (keylib-test-certs beside the test programs).
std::vector<uint8_t> testCertificate(const std::string& fileName);
std::string testCertificatePath(const std::string& fileName);

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // A key with label, kPassword, kTries tries and status 2; adjust before writeKey.
    keylib::KeyRecord newRecord(const std::string& label) const;
    void writeKey(const std::string& name, const keylib::KeyRecord& record) const;
    keylib::KeyRecord readKey(const std::string& name) const;
    // Makes a key from newRecord(label) and plugs it in; answers its slot.
    uint32_t makePluggedKey(const std::string& name, const std::string& label);
    uint32_t plug(const std::string& name) const;
    void pull(const std::string& name) const;

    std::wstring keyPath(const std::string& name) const;
    std::wstring filePath(const std::string& fileName) const;
    const std::string& folder() const { return folder_; }

private:
    std::string folder_;
};

}  // namespace keylibtest
