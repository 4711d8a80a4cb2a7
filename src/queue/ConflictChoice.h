#pragma once
// What to do with a transfer whose destination exists: the record behind the
// Confirm Action dialog, one per transfer command, so that an answer given
// "for all selected" carries over to the following items.
//
// The click rules keep the choices consistent: resuming or renaming never
// goes with "only newer", and asking for "only newer" means overwriting.

#include <cstdint>

namespace varnix {

enum ConflictAction : std::int32_t {
    ConflictResume = 0,
    ConflictOverwrite = 1,
    ConflictRename = 2,
};

struct ConflictChoice {
    std::uint8_t skip = 0;                 // 1 once the user left the dialog with Cancel
    std::int32_t action = ConflictOverwrite;
    std::int32_t onlyNewer = 0;            // 0 or 1
    std::int32_t applyToAll = 0;           // 0 or 1; -1: not offered

    static constexpr std::int32_t kNotOffered = -1;

    // The record a transfer command starts with; "for all selected" is not
    // offered when exactly one item is involved.
    static ConflictChoice forCommand(bool singleItem);

    bool resume() const { return action == ConflictResume; }
    bool newerOnly() const { return onlyNewer != 0; }
    bool offersApplyToAll() const { return applyToAll != kNotOffered; }

    // The dialog's controls, each click applied to the record.
    void clickResume();
    void clickOverwrite();
    void clickRename();
    void clickOnlyNewer();
    void clickApplyToAll();
};

} // namespace varnix
