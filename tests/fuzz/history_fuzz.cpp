// libFuzzer target for the history readers: the journal reader, snapshot names and
// snapshot headers, and the restore plan made from what they read.
//
// The input is read at once as a journal, as a snapshot file and (its first line) as a
// snapshot's file name. Besides the sanitizers, it checks what must hold for every input:
// the journal's lines written back and read again come back unchanged; a name that reads
// has its stamp as its first 15 characters and a sequence of no less than 0; a header that
// reads has counts and a program without its separator; and a restore against a server
// made of the file's own tags, the journal's and a few more never deletes a tag the
// snapshot holds or an invalid row names, plans every valid row exactly once, and is
// blocked exactly when the snapshot has invalid rows.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <tuple>
#include <vector>

#include "common/Decimal.h"
#include "history/Journal.h"
#include "history/RestorePlan.h"
#include "history/Snapshot.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

using Key = std::tuple<std::uint32_t, std::uint32_t, std::uint32_t>;
Key KeyOf(const TagId& id) { return Key{id.type, id.address, id.param}; }

bool IsHeaderLine(const JournalLine& l)
{
    return l.time == kJournalColumns[0] && l.user == kJournalColumns[1] && l.result == kJournalColumns[11];
}

void CheckJournal(std::string_view bytes, std::vector<ServerTag>* server)
{
    const std::vector<JournalLine> lines = ReadJournalLines(bytes);
    std::string again = JournalFileStart();
    std::vector<JournalLine> kept;
    for (const JournalLine& l : lines) {
        if (IsHeaderLine(l)) continue;  // a line that reads as the header is skipped when read again
        again += FormatJournalLine(l);
        kept.push_back(l);
    }
    const std::vector<JournalLine> reread = ReadJournalLines(again);
    Check(reread.size() == kept.size());
    for (std::size_t i = 0; i < kept.size() && i < reread.size(); ++i) Check(reread[i] == kept[i]);

    // The tags the journal names, as a restore would find them on the server.
    for (const JournalLine& l : kept) {
        std::uint32_t type = 0, address = 0, param = 0;
        if (ParseDecimalTo<std::uint32_t>(l.type, UINT32_MAX, &type) &&
            ParseDecimalTo<std::uint32_t>(l.address, UINT32_MAX, &address) &&
            ParseDecimalTo<std::uint32_t>(l.param, UINT32_MAX, &param))
            server->push_back(ServerTag{TagId{type, address, param}, static_cast<std::int64_t>(type) * 10000, true});
    }
}

void CheckName(std::string_view bytes)
{
    const std::string name(bytes.substr(0, bytes.find('\n')));
    std::string stamp;
    int sequence = 0;
    if (!ReadSnapshotName(name, &stamp, &sequence)) return;
    Check(stamp.size() == 15 && name.compare(0, 15, stamp) == 0);
    Check(sequence >= 0);  // "-0" is never written, and reads as 0: before the plain name
    Check(name.size() >= 4 && name.compare(name.size() - 4, 4, ".csv") == 0);
}

void CheckHeader(std::string_view bytes)
{
    SnapshotInfo info;
    if (!ReadSnapshotInfo(bytes, &info)) {
        Check(!info.counted);
        return;
    }
    Check(info.counted);
    Check(info.program.find(';') == std::string::npos && info.time.find(';') == std::string::npos);
    if (info.port.known) Check(info.port.parity <= 4 && info.port.stopBits <= 2);
}

void CheckRestore(std::string_view bytes, std::vector<ServerTag> server)
{
    // The snapshot's own tags, some with another period, and two it does not name.
    const TagFileContent first = ReadTagFile(bytes);
    for (std::size_t i = 0; i < first.rows.size(); ++i)
        server.push_back(ServerTag{first.rows[i].id, first.rows[i].period + (i % 2 ? 10000 : 0), i % 3 != 2});
    server.push_back(ServerTag{TagId{1, 1, 1}, 0, true});
    server.push_back(ServerTag{TagId{255, 247, 65534}, 20000, true});
    std::set<Key> seen;
    std::vector<ServerTag> unique;
    for (const ServerTag& t : server)
        if (seen.insert(KeyOf(t.id)).second) unique.push_back(t);

    PortSettings serverPort;
    serverPort.known = true;
    serverPort.port = 1;
    serverPort.baudRate = 9600;
    serverPort.dataBits = 8;
    // With or without despiteInvalidRows, as the input's last byte says (one plan a run).
    const bool despite = !bytes.empty() && (bytes.back() & 1);
    {
        const RestorePlan restore = MakeRestorePlan(bytes, unique, serverPort, {}, despite);
        if (!restore.file.readable) {
            Check(restore.plan.Calls() == 0);
            return;
        }
        // A damaged snapshot plans nothing; one that is not has the rows its first line counts.
        SnapshotInfo info;
        const bool counted = ReadSnapshotInfo(bytes, &info);
        Check(static_cast<bool>(restore.damage) == static_cast<bool>(FindSnapshotDamage(bytes)));
        if (restore.damage) {
            Check(counted && !DescribeSnapshotDamage(restore.damage).empty());
            Check(restore.plan.Calls() == 0 && !restore.portChanges);
            return;
        }
        if (counted) Check(restore.file.rows.size() + restore.file.invalidRows == info.tags);
        std::set<Key> named;
        for (const TagFileRow& r : restore.file.rows) named.insert(KeyOf(r.id));
        for (const TagFileIssue& issue : restore.file.issues)
            if (issue.invalid && issue.namesTag) named.insert(KeyOf(issue.id));
        for (const PlannedTag& p : restore.plan.remove) {
            Check(named.count(KeyOf(p.id)) == 0);
            Check(seen.count(KeyOf(p.id)) == 1);
        }
        Check(restore.plan.add.size() + restore.plan.change.size() + restore.plan.unchanged.size() ==
              restore.file.rows.size());
        Check(restore.plan.blocked == (!despite && restore.file.invalidRows != 0));
        Check(restore.portChanges == (restore.port.known && restore.port != serverPort));
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    std::vector<ServerTag> server;
    CheckJournal(bytes, &server);
    CheckName(bytes);
    CheckHeader(bytes);
    CheckRestore(bytes, std::move(server));
    return 0;
}
