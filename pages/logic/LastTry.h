// The last-try warning: the tries left that the key library last reported for
// each plugged key, and the question asked before a check of the user
// password that could lock the key.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>

#include "keylib/logic/SlotTable.h"

namespace keytool {

constexpr char kLastTryQuestion[] =
    "这是最后一次输入机会，如果密码错误，UsbKey将被锁死。是否继续？";

// Tries left by slot, for the keys plugged in now. A key gets a new slot when
// it is plugged in again, and slots no longer listed are forgotten, so a
// re-plugged key starts afresh.
class TriesLeftTable {
public:
    // Takes what an answer to a password check says: 0x63Cx remembers x tries
    // left, 0 (the password was right) forgets; other answers change nothing.
    void Note(std::uint32_t slot, std::uint32_t result);
    bool OnLastTry(std::uint32_t slot) const;
    // Forgets every slot not among the first count of slots.
    void KeepOnly(const std::uint32_t* slots, std::uint32_t count);

private:
    struct Entry {
        std::uint32_t slot;
        std::uint32_t triesLeft;
    };
    Entry* Find(std::uint32_t slot);

    Entry m_entries[kMaxSlots] = {};
    std::size_t m_count = 0;
};

extern TriesLeftTable g_TriesLeft;

// Asks the user whether to go on with the last try; true for Yes.
class LastTryQuestion {
public:
    virtual ~LastTryQuestion() = default;
    virtual bool Continue() = 0;
};

// Runs `check`, a call that checks the user password of the key in slot,
// unless the key has one try left and the user answers No; then nothing runs
// and the answer is false. Notes what the check answered in `tries`.
bool CheckUserPassword(std::uint32_t slot, TriesLeftTable& tries, LastTryQuestion& question,
                       const std::function<std::uint32_t()>& check, std::uint32_t* result);

}  // namespace keytool
