#include "history/RestorePlan.h"

#include "history/Snapshot.h"

RestorePlan MakeRestorePlan(std::string_view snapshotBytes, const std::vector<ServerTag>& serverTags,
                            const PortSettings& serverPort, const TagFileReadOptions& readOptions,
                            bool despiteInvalidRows)
{
    RestorePlan restore;
    restore.file = ReadTagFile(snapshotBytes, readOptions);
    // A file without its header has no rows: with replace, that would mean deleting all.
    if (!restore.file.readable) return restore;
    SnapshotInfo info;
    const bool counted = ReadSnapshotInfo(snapshotBytes, &info);
    restore.damage = FindSnapshotDamage(snapshotBytes);
    if (restore.damage) return restore;
    ImportPlanOptions options;
    options.replace = true;
    options.despiteInvalidRows = despiteInvalidRows;
    // A snapshot holds the server's tags as they were, param 0 or 65535 and odd periods
    // included: a row the server still holds so is no fault.
    SettleExistingTagRows(&restore.file, serverTags);
    restore.plan = MakeImportPlan(restore.file, serverTags, options);
    if (counted) restore.port = info.port;
    restore.portChanges = restore.port.known && restore.port != serverPort;
    return restore;
}
