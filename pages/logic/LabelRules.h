// The steps of a label change on the label page and what the page shows when
// one of them ends the change.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "pages/logic/PageMessages.h"

namespace keytool {

constexpr std::size_t kMaxLabelBytes = 15;

// False when there is no key or no label: the page then does nothing at all.
bool LabelChangeApplies(std::uint32_t slot, std::string_view label);

// Keys of status 4 take a new label without the user password.
bool NeedsPasswordCheck(std::uint32_t status);

struct LabelStep {
    bool proceed = true;
    PageMessage message;  // when the change stops; kind None stops silently
};

// A typed label must be storable in the key library's code page (GBK).
LabelStep AfterLabelConversion(bool storable);
LabelStep AfterSlotStatus(std::uint32_t result);
LabelStep AfterPasswordCheck(std::uint32_t result);
LabelStep AfterLabelWrite(std::uint32_t result);

}  // namespace keytool
