// Filling the configuration tree, building the add-tags tree and deleting a device, on the
// in-memory tree against the in-memory server. Sizes vary by ten so that time per item
// shows whether an operation grows faster than its input.
#include "FakeTagServer.h"
#include "tree_fake_catalogue.h"

#include "tree/AddTagTreeBuilder.h"
#include "tree/ConfigTree.h"
#include "tree/MemoryTree.h"
#include "tree/TagPath.h"
#include "tree/TreeCommands.h"
#include "tree/TreeFind.h"
#include "tree/TreeMirror.h"

#include <benchmark/benchmark.h>

#include <chrono>
#include <string>
#include <vector>

namespace {

// A parameter name of the usual shapes: plain, in a group, in a subgroup.
std::string ParameterName(int number)
{
    const std::string n = std::to_string(number);
    switch (number % 3) {
    case 0:
        return "Channel" + std::to_string(number % 10) + ".Input" + n;
    case 1:
        return "Channel" + std::to_string(number % 10) + ".Stage" + std::to_string(number % 4) +
               ".Output" + n;
    default:
        return "Value" + n;
    }
}

// devices device types (one device each, at addresses 1..devices) of params parameters.
void Populate(int devices, int params, CFakeCatalogue& catalogue, CFakeTagServer& server)
{
    for (int d = 1; d <= devices; ++d) {
        const int type = d;  // 1..250
        catalogue.Device(type, "Device" + std::to_string(type));
        for (int p = 1; p <= params; ++p) {
            catalogue.Parameter(type, p, ParameterName(p));
            server.Put(static_cast<std::uint32_t>(type), static_cast<std::uint32_t>(d % 247 + 1),
                       static_cast<std::uint32_t>(p));
        }
    }
}

void BM_FillTree(benchmark::State& state)
{
    const int devices = static_cast<int>(state.range(0));
    const int params = static_cast<int>(state.range(1));
    const InsertAt where = state.range(2) == 0 ? InsertAt::Sorted : InsertAt::Last;
    CFakeCatalogue catalogue;
    CFakeTagServer server;
    Populate(devices, params, catalogue, server);
    const TagNameFunction namer = catalogue.Namer();
    CMemoryTree tree;
    for (auto _ : state) {
        const FillReport r = FillTree(tree, server, namer, FillOptions{where});
        benchmark::DoNotOptimize(r.tags);
    }
    state.SetItemsProcessed(state.iterations() * devices * params);
    state.counters["tags"] = static_cast<double>(devices) * params;
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(BM_FillTree)
    ->ArgNames({"devices", "params", "append"})
    ->Args({25, 200, 0})
    ->Args({250, 20, 0})
    ->Args({250, 200, 0})
    ->Args({250, 200, 1})
    ->Args({250, 400, 0})
    ->Unit(benchmark::kMillisecond);

// The bare walk over the server with the names formed, as the baseline of the fill.
void BM_EnumTagsAndNames(benchmark::State& state)
{
    const int devices = static_cast<int>(state.range(0));
    const int params = static_cast<int>(state.range(1));
    CFakeCatalogue catalogue;
    CFakeTagServer server;
    Populate(devices, params, catalogue, server);
    const TagNameFunction namer = catalogue.Namer();
    for (auto _ : state) {
        std::uint32_t cursor = 0, type, address, param, r1, r2;
        std::size_t length = 0;
        do {
            if (HrSucceeded(server.EnumTags(&cursor, &type, &address, &param, &r1, &r2)))
                length += namer(static_cast<int>(address), static_cast<int>(type),
                                static_cast<int>(param)).size();
        } while (cursor != 0);
        benchmark::DoNotOptimize(length);
    }
    state.SetItemsProcessed(state.iterations() * devices * params);
}
BENCHMARK(BM_EnumTagsAndNames)->Args({250, 200})->Unit(benchmark::kMillisecond);

// The add-tags dialog's tree for one device: half its parameters directly under the
// device node, the rest in 50 groups.
void BM_BuildAddTagTree(benchmark::State& state)
{
    const int params = static_cast<int>(state.range(0));
    const InsertAt where = state.range(1) == 0 ? InsertAt::Sorted : InsertAt::Last;
    CFakeCatalogue catalogue;
    catalogue.Device(42, "Device");
    std::vector<int> numbers;
    for (int p = 1; p <= params; ++p) {
        catalogue.Parameter(42, p,
                            p % 2 == 0 ? "Flat" + std::to_string(p)
                                       : "Group" + std::to_string(p % 50) + ".P" + std::to_string(p));
        numbers.push_back(p);
    }
    const TagNameFunction namer = catalogue.Namer();
    for (auto _ : state) {
        CMemoryTree tree;
        const AddTagTreeReport r = BuildAddTagTree(tree, 5, 42, numbers, namer, where);
        benchmark::DoNotOptimize(r.deviceNode);
    }
    state.SetItemsProcessed(state.iterations() * params);
}
BENCHMARK(BM_BuildAddTagTree)
    ->ArgNames({"params", "append"})
    ->Args({500, 0})
    ->Args({5000, 0})
    ->Args({5000, 1})
    ->Unit(benchmark::kMillisecond);

// Deleting a device node with all its tags: time and server calls. Only the deletion is
// timed; the fill that prepares each round is not.
void BM_DeleteDevice(benchmark::State& state)
{
    const int params = static_cast<int>(state.range(0));
    CFakeCatalogue catalogue;
    CFakeTagServer server;
    Populate(1, params, catalogue, server);
    const auto stored = server.tags;
    const TagNameFunction namer = catalogue.Namer();
    CMemoryTree tree;
    std::size_t calls = 0, treeCalls = 0;
    for (auto _ : state) {
        server.tags = stored;
        FillTree(tree, server, namer, FillOptions{InsertAt::Last});
        tree.ResetStats();
        const std::size_t before = server.calls.Total();
        TreeNode device = tree.FirstChild(nullptr);

        const auto start = std::chrono::steady_clock::now();
        const DeleteBranchReport r = DeleteBranch(tree, server, device);
        const auto stop = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(stop - start).count());

        calls = server.calls.Total() - before;
        const CMemoryTree::Stats& st = tree.GetStats();
        treeCalls = st.firstChild + st.nextSibling + st.text + st.inserts + st.deletes;
        if (!r.removed || tree.NodeCount() != 0 || !server.tags.empty())
            state.SkipWithError("device not deleted");
    }
    state.SetItemsProcessed(state.iterations() * params);
    state.counters["server_calls"] = static_cast<double>(calls);
    state.counters["tree_calls"] = static_cast<double>(treeCalls);
}
BENCHMARK(BM_DeleteDevice)->Arg(500)->Arg(5000)->Arg(50000)->UseManualTime()->Unit(benchmark::kMillisecond);

}  // namespace

// Find over the whole tree of 250 devices of 200 tags (about 55,000 nodes): nothing
// matches, so every node's text and every tag's full name are looked at.
void BM_FindNothing(benchmark::State& state)
{
    CFakeCatalogue catalogue;
    CFakeTagServer server;
    Populate(250, 200, catalogue, server);
    CMemoryTree tree;
    FillTree(tree, server, catalogue.Namer(), FillOptions{InsertAt::Last});
    for (auto _ : state) {
        TreeNode found = FindNextNode(tree, tree.FirstChild(nullptr), "\xED\xE5\xF2 \xF2\xE0\xEA\xEE\xE3\xEE");
        benchmark::DoNotOptimize(found);
    }
    state.counters["nodes"] = static_cast<double>(tree.NodeCount());
}
BENCHMARK(BM_FindNothing)->Unit(benchmark::kMillisecond);

// The same find on the mirror the main window keeps beside its tree control: what the
// window's Find costs apart from selecting the node found.
void BM_FindNothingOnMirror(benchmark::State& state)
{
    CFakeCatalogue catalogue;
    CFakeTagServer server;
    Populate(250, 200, catalogue, server);
    CMemoryTree tree;
    FillTree(tree, server, catalogue.Namer(), FillOptions{InsertAt::Last});
    CTreeMirror mirror;
    for (TreeNode node = tree.FirstChild(nullptr); node != nullptr; node = NextInTreeOrder(tree, node))
        mirror.Append(tree.Parent(node), node, tree.Text(node), tree.Data(node));
    for (auto _ : state) {
        TreeNode found = FindNextNode(mirror, mirror.FirstChild(nullptr), "\xED\xE5\xF2 \xF2\xE0\xEA\xEE\xE3\xEE");
        benchmark::DoNotOptimize(found);
    }
    state.counters["nodes"] = static_cast<double>(mirror.Size());
}
BENCHMARK(BM_FindNothingOnMirror)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
