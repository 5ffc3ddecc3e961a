#include "framework/logic/DialogKeys.h"

namespace fw {

DialogKey ClassifyDialogKey(std::uint32_t virtualKey, bool ctrl, bool shift, bool alt) {
    if (alt) return DialogKey::None;
    if (virtualKey == kVkTab) {
        if (ctrl) return shift ? DialogKey::PreviousTab : DialogKey::NextTab;
        return shift ? DialogKey::PreviousControl : DialogKey::NextControl;
    }
    if (ctrl && virtualKey == kVkPageDown) return DialogKey::NextTab;
    if (ctrl && virtualKey == kVkPageUp) return DialogKey::PreviousTab;
    return DialogKey::None;
}

int SwitchedTab(DialogKey key, int current, int count) {
    if (count <= 0) return -1;
    if (key == DialogKey::NextTab) return current < 0 ? 0 : (current + 1) % count;
    if (key == DialogKey::PreviousTab) {
        return current < 0 || current >= count ? count - 1 : (current + count - 1) % count;
    }
    return -1;
}

}  // namespace fw
