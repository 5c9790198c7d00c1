// The filter configuration table as its list window uses it: reading the shipped ZelD table, and
// refreshing and sorting the row view of a table of 20000 rows (the shipped rows thirty times over).
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "platform/AtomicFile.h"
#include "platform/Paths.h"
#include "utilities/FilterTable.h"

using namespace kalidor;

namespace {

std::string ShippedTable()
{
    SetProgramDirectory(KALIDOR_BIN_DIR);
    std::string text;
    ReadWholeFile(SupportFile(CFilterTable::FileName("ZelD")), text, CConfigTable::kMaxFileSize);
    return text;
}

void ReadShippedTable(benchmark::State& state)
{
    const std::string text = ShippedTable();
    CFilterTable table;
    for (auto _ : state)
        benchmark::DoNotOptimize(table.Read(text));
    state.counters["rows"] = table.GetEntryCount();
}
BENCHMARK(ReadShippedTable)->Unit(benchmark::kMillisecond);

CFilterTable LargeTable()
{
    CFilterTable shipped;
    shipped.Read(ShippedTable());
    std::vector<CFilterEntry> rows;
    while (rows.size() < 20000)
        for (int i = 0; i < shipped.GetEntryCount() && rows.size() < 20000; ++i)
            rows.push_back(*shipped.GetEntry(i));
    CFilterTable t;
    t.SetContents(1, "bench", "ZelD", "", rows);
    return t;
}

// Refresh with a criterion in force, then sort by a number column (Fc) or a text column (type).
void RefreshAndSort(benchmark::State& state)
{
    CFilterTable t = LargeTable();
    t.Criterion(3)->SetRange(-20, -60);  // gain at 2 Fc
    CRowView view(t);
    for (auto _ : state) {
        view.Refresh();
        view.SortBy(static_cast<int>(state.range(0)), false);
        benchmark::DoNotOptimize(view.Row(0));
    }
    state.counters["shown"] = view.Count();
}
BENCHMARK(RefreshAndSort)->Arg(2)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
