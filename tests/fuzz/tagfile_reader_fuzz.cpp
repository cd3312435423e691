// libFuzzer target for the tag-file reader: any bytes, with and without the catalogue check.
//
// Besides the sanitizers, it checks what must hold for every input: every kept row is in
// range and its tag appears once; issues are ordered by line; a file without a usable
// header keeps no rows; and the rows, written back as a file and read again, come back
// unchanged (the writer quotes whatever the reader would otherwise take apart); and a
// replace against a server holding every tag the file names deletes none of them.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <unordered_set>
#include <vector>

#include "tagfile/ImportPlan.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TextEncoding.h"

namespace {

void Check(bool condition)
{
    if (!condition) std::abort();
}

TagNames FuzzNaming()
{
    TagNames naming;
    naming.knowsType = [](std::uint32_t type) { return type % 3 != 0; };
    naming.deviceName = [](std::uint32_t type) { return "D" + std::to_string(type); };
    naming.tagName = [](std::uint32_t address, std::uint32_t type, std::uint32_t param) {
        return "D" + std::to_string(type) + "(" + std::to_string(address) + ").P" + std::to_string(param);
    };
    return naming;
}

void CheckContent(const TagFileContent& c)
{
    if (!c.readable) Check(c.rows.empty());
    std::unordered_set<TagId, TagIdHash> ids;
    for (const TagFileRow& r : c.rows) {
        Check(r.id.type >= kFileTypeMin && r.id.type <= kFileTypeMax);
        Check(r.id.address >= kFileAddressMin && r.id.address <= kFileAddressMax);
        Check(r.id.param >= kFileParamMin && r.id.param <= kFileParamMax);
        Check(r.period >= 0 && r.period <= kFilePeriodMaxMs * 10000 && r.period % 10000 == 0);
        Check(r.line >= 1);
        Check(ids.insert(r.id).second);
    }
    for (std::size_t i = 1; i < c.issues.size(); ++i) Check(c.issues[i - 1].line <= c.issues[i].line);
    for (const TagFileIssue& issue : c.issues) Check(!DescribeTagFileIssue(issue).empty());
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    static const TagNames naming = FuzzNaming();

    const TagFileContent plain = ReadTagFile(bytes);
    CheckContent(plain);
    TagFileReadOptions options;
    options.naming = &naming;
    options.strict = size > 0 && (data[0] & 1);
    const TagFileContent checked = ReadTagFile(bytes, options);
    CheckContent(checked);
    Check(checked.rows.size() <= plain.rows.size() || !options.strict);

    // The rows written back (UTF-8 with a mark, so the encoding is never guessed) read the same.
    TagFileFormat format = plain.format;
    format.encoding = TagFileEncoding::Utf8;
    format.byteOrderMark = true;
    const std::vector<TagFileRecord> records(plain.rows.begin(), plain.rows.end());
    const TagFileContent again = ReadTagFile(WriteTagFile(records, format));
    Check(again.readable);
    Check(again.rows.size() == plain.rows.size());
    for (std::size_t i = 0; i < again.rows.size(); ++i) {
        Check(again.rows[i].id == plain.rows[i].id);
        Check(again.rows[i].period == plain.rows[i].period);
        Check(again.rows[i].device == plain.rows[i].device);
        Check(again.rows[i].name == plain.rows[i].name);
    }

    // A server that holds exactly the tags the rows and the invalid rows name loses none.
    std::vector<ServerTag> server;
    for (const TagFileRow& r : checked.rows) server.push_back(ServerTag{r.id, r.period, true});
    for (const TagFileIssue& issue : checked.issues)
        if (issue.invalid && issue.namesTag) server.push_back(ServerTag{issue.id, 0, false});
    ImportPlanOptions replace;
    replace.replace = true;
    const ImportPlan plan = MakeImportPlan(checked, server, replace);
    Check(plan.remove.empty());
    Check(plan.blocked == (checked.invalidRows != 0));

    // Every Windows-1251 text survives the trip through UTF-8.
    bool lossless = false;
    Check(Utf8ToCp1251(Cp1251ToUtf8(bytes), &lossless) == bytes && lossless);
    return 0;
}
