#include "history/RestorePlan.h"

#include "history/Snapshot.h"

RestorePlan MakeRestorePlan(std::string_view snapshotBytes, const std::vector<ServerTag>& serverTags,
                            const PortSettings& serverPort, const TagFileReadOptions& readOptions)
{
    RestorePlan restore;
    restore.file = ReadTagFile(snapshotBytes, readOptions);
    // A file without its header has no rows: with replace, that would mean deleting all.
    if (!restore.file.readable) return restore;
    restore.plan = MakeImportPlan(restore.file.rows, serverTags, true);
    SnapshotInfo info;
    if (ReadSnapshotInfo(snapshotBytes, &info)) restore.port = info.port;
    restore.portChanges = restore.port.known && restore.port != serverPort;
    return restore;
}
