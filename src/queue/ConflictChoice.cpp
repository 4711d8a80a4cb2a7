#include "queue/ConflictChoice.h"

namespace varnix {

ConflictChoice ConflictChoice::forCommand(bool singleItem)
{
    ConflictChoice choice;
    choice.applyToAll = singleItem ? kNotOffered : 0;
    return choice;
}

void ConflictChoice::clickResume()
{
    action = ConflictResume;
    onlyNewer = 0;
}

void ConflictChoice::clickOverwrite()
{
    action = ConflictOverwrite;
}

void ConflictChoice::clickRename()
{
    action = ConflictRename;
    onlyNewer = 0;
}

void ConflictChoice::clickOnlyNewer()
{
    action = ConflictOverwrite;
    onlyNewer = onlyNewer ? 0 : 1;
}

void ConflictChoice::clickApplyToAll()
{
    if (offersApplyToAll())
        applyToAll = applyToAll ? 0 : 1;
}

} // namespace varnix
