// Reading a 50,000-row tag file and planning its import natively: the file (UTF-8 with
// BOM, as export writes it) is parsed, every row checked against a catalogue of 250 device
// types of 200 parameters each (the program's own catalogue and naming), and compared with
// a server holding half of the tags, a tenth of them with another period.
#include "FakeTagServer.h"

#include "catalogue/Catalogue.h"
#include "tagfile/ImportPlan.h"
#include "tagfile/ServerTags.h"
#include "tagfile/TagFileReader.h"
#include "tagfile/TagFileWriter.h"
#include "tagfile/TagNames.h"

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

namespace {

constexpr int kTypes = 250;
constexpr int kParams = 200;

void FillCatalogue()
{
    FreeDeviceCatalogue();
    for (int type = 1; type <= kTypes; ++type) {
        CDevice d;
        d.m_nTypeCode = type;
        d.m_strName = "Device" + std::to_string(type);
        for (int p = 1; p <= kParams; ++p) {
            CParameter parameter("Group" + std::to_string(p / 10) + ".Value" + std::to_string(p), 1, 0, 0, 0);
            parameter.m_nNumber = p;
            d.m_Parameters.AddHead(parameter);
        }
        g_DeviceCatalogue.AddHead(d);
    }
}

struct Fixture {
    std::string file;
    std::vector<ServerTag> server;
    std::size_t rows = 0;
};

Fixture Make(int rows)
{
    FillCatalogue();
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    Fixture f;
    std::vector<TagFileRecord> records;
    for (int i = 0; i < rows; ++i) {
        TagFileRecord r;
        r.id = TagId{static_cast<std::uint32_t>(i / kParams % kTypes + 1), static_cast<std::uint32_t>(i / (kParams * kTypes) + 1),
                     static_cast<std::uint32_t>(i % kParams + 1)};
        r.period = 20000000;
        r.device = naming.deviceName(r.id.type);
        r.name = naming.tagName(r.id.address, r.id.type, r.id.param);
        records.push_back(r);
        if (i % 2 == 0) f.server.push_back(ServerTag{r.id, i % 20 == 0 ? 10000000 : r.period, true});
    }
    f.file = WriteTagFile(records, TagFileFormat{});
    f.rows = static_cast<std::size_t>(rows);
    return f;
}

void BM_ReadCheckAndPlan(benchmark::State& state)
{
    const Fixture f = Make(static_cast<int>(state.range(0)));
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    TagFileReadOptions options;
    options.naming = &naming;
    for (auto _ : state) {
        const TagFileContent content = ReadTagFile(f.file, options);
        const ImportPlan plan = MakeImportPlan(content, f.server, ImportPlanOptions{true, false});
        if (content.rows.size() != f.rows || content.warnings != 0 || plan.add.size() != f.rows / 2)
            state.SkipWithError("unexpected result");
        benchmark::DoNotOptimize(plan);
    }
    state.counters["rows/s"] = benchmark::Counter(static_cast<double>(f.rows), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["file_MB"] = static_cast<double>(f.file.size()) / 1e6;
}
BENCHMARK(BM_ReadCheckAndPlan)->Arg(5000)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ReadAndPlanWithoutCatalogue(benchmark::State& state)
{
    const Fixture f = Make(static_cast<int>(state.range(0)));
    for (auto _ : state) {
        const TagFileContent content = ReadTagFile(f.file);
        benchmark::DoNotOptimize(MakeImportPlan(content, f.server, ImportPlanOptions{true, false}));
    }
}
BENCHMARK(BM_ReadAndPlanWithoutCatalogue)->Arg(50000)->Unit(benchmark::kMillisecond);

void BM_ExportRecordsAndWrite(benchmark::State& state)
{
    const Fixture f = Make(static_cast<int>(state.range(0)));
    const TagNames naming = CatalogueTagNames(UnnamedPartTexts());
    std::vector<ServerTag> tags;
    for (const TagFileRow& r : ReadTagFile(f.file).rows) tags.push_back(ServerTag{r.id, r.period, true});
    for (auto _ : state) benchmark::DoNotOptimize(WriteTagFile(MakeTagFileRecords(tags, naming), TagFileFormat{}));
}
BENCHMARK(BM_ExportRecordsAndWrite)->Arg(50000)->Unit(benchmark::kMillisecond);

}  // namespace

BENCHMARK_MAIN();
