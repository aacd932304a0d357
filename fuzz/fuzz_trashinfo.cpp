// A trash's description of a file ("name.trashinfo"), read as any program may have written it:
// what it gives is a place without NUL and a valid time, and a description written from that
// reads back the same.
#include "harness.h"
#include "platform/trash.h"

using namespace vu;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::optional<TrashInfo> info = parseTrashInfo(fuzz::bytes(data, size));
    if (!info)
        return 0;
    fuzz::require(!info->path.isEmpty() && !info->path.contains('\0'), "a place, without NUL");
    fuzz::require(info->deletedAt.isValid(), "a valid time of deletion");
    const std::optional<TrashInfo> again = parseTrashInfo(trashInfoText(info->path, info->deletedAt));
    fuzz::require(again && *again == *info, "a description written from what was read reads back the same");
    return 0;
}
