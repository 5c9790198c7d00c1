// "filters": the filter configuration table of ZelD or ZelE — lists the rows that pass the given
// criteria with the table window's column texts, or copies one row into configuration A or B of
// a design. "ladders": the same for the ladder filter table of ZelA.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "device/DeviceKind.h"
#include "cli/Commands.h"
#include "device/DeviceConfig.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "sim/SimulationSetup.h"
#include "document/DesignUtilities.h"
#include "utilities/FilterTable.h"
#include "utilities/LadderTable.h"

namespace kalidor::cli {

namespace {

constexpr const char* kUsage =
    "filters: usage: filters ZelD|ZelE [--type NAME] [--fc MIN:MAX] [--gain2fc HI:LO] [--gain10fc HI:LO]\n"
    "          [--fp MIN:MAX] [--ripple HI:LO] [--fs MIN:MAX] [--atten HI:LO] [--ratio MIN:MAX]\n"
    "          [--maxvin MIN:MAX] [--sort COLUMN[:desc]] [--table FILE] [--version]\n"
    "       filters ZelD|ZelE --copy ID --config A|B FILE.ZEL [-o OUT.ZEL] [--force] [--table FILE]";

// The criterion options, their attribute numbers, and whether their bounds are frequencies.
struct CriterionOption {
    const char* option;
    const char* column;  // the name --sort takes
    int attribute;
    bool frequency;
};

const CriterionOption kCriteria[] = {
    {"--fc", "fc", 2, true},          {"--gain2fc", "gain2fc", 3, false}, {"--gain10fc", "gain10fc", 4, false},
    {"--fp", "fp", 5, true},          {"--ripple", "ripple", 6, false},   {"--fs", "fs", 7, true},
    {"--atten", "atten", 8, false},   {"--ratio", "ratio", 9, false},     {"--maxvin", "maxvin", 10, false},
};

std::string Lower(std::string s)
{
    for (char& c : s)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return s;
}

// A filter type by number, name ("Linear phase 1") or element name ("LinearPhase1"), any case.
bool ParseType(const std::string& text, int& type)
{
    if (ParseInt(text, type))
        return type >= 0 && type <= 8;
    for (int t = 0; t <= 8; ++t)
        if (Lower(text) == Lower(CFilterEntry::TypeName(t)) || Lower(text) == Lower(CFilterEntry::TypeTag(t))) {
            type = t;
            return true;
        }
    return false;
}

bool ParseNumber(const std::string& text, bool frequency, double& value)
{
    if (frequency) {
        int hz = 0;
        if (!ParseFrequencyText(text, &hz))
            return false;
        value = hz;
        return true;
    }
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return !text.empty() && *end == '\0';
}

// "FIRST:SECOND" in the order the criterion takes its bounds.
bool ParseBounds(const std::string& text, bool frequency, double& first, double& second)
{
    const size_t colon = text.find(':');
    return colon != std::string::npos && ParseNumber(text.substr(0, colon), frequency, first) &&
           ParseNumber(text.substr(colon + 1), frequency, second);
}

// The column --sort names: a criterion option's name, "id", "type" or a component title.
int SortColumn(const CFilterTable& table, const std::string& name)
{
    if (name == "id")
        return 0;
    if (name == "type")
        return 1;
    for (const CriterionOption& c : kCriteria)
        if (name == c.column)
            return c.attribute;
    for (int c = CFilterEntry::kCriteriaCount; c < table.ColumnCount(); ++c)
        if (name == Lower(table.ColumnTitle(c)))
            return c;
    return -1;
}

// The options both table commands take: --sort, --table, --version, --copy ID, -o and the design.
struct TableArgs {
    std::string tablePath, sort, design, out;
    int copyId = 0;
    bool copy = false;
    bool version = false;
    bool force = false;  // a copy may write over a design that is read-only on disk
};

// Takes args[i] (and its value) when it is one of those: 1 taken, 0 not one of them, -1 a usage
// error already reported (status 2 in `status`).
int TakeTableArg(const char* command, const Args& args, size_t& i, TableArgs& t, int& status)
{
    const std::string& a = args[i];
    const std::string name = command;
    auto value = [&](std::string& into, const char* what) {
        if (i + 1 < args.size()) {
            into = args[++i];
            return 1;
        }
        status = UsageError(name + ": " + a + " needs " + what);
        return -1;
    };
    if (a == "--sort")
        return value(t.sort, "a column");
    if (a == "--table")
        return value(t.tablePath, "a file");
    if (a == "-o")
        return value(t.out, "a file name");
    if (a == "--version") {
        t.version = true;
        return 1;
    }
    if (a == "--force") {
        t.force = true;
        return 1;
    }
    if (a == "--copy") {
        std::string v;
        if (value(v, "an entry ID") < 0)
            return -1;
        if (!ParseInt(v, t.copyId)) {
            status = UsageError(name + ": --copy needs an entry ID");
            return -1;
        }
        t.copy = true;
        return 1;
    }
    if (a.rfind("-", 0) != 0 && t.design.empty()) {
        t.design = a;
        return 1;
    }
    return 0;
}

bool LoadTable(CFilterTable& table, const std::string& type, const std::string& path)
{
    const std::string file = path.empty() ? SupportFile(CFilterTable::FileName(type)) : path;
    std::string error;
    if (!table.Load(file, &error)) {
        std::fprintf(stderr, "Kalidor: cannot read the filter table %s: %s\n", file.c_str(), error.c_str());
        return false;
    }
    return true;
}

// Prints the rows of a table's view that pass its criteria, sorted as asked.
int ListRows(const CRowTable& table, const std::string& sort, const std::function<int(const std::string&)>& sortColumn)
{
    CRowView view(table);
    view.Refresh();
    if (!sort.empty()) {
        const size_t colon = sort.find(':');
        const std::string name = Lower(sort.substr(0, colon));
        const std::string order = colon == std::string::npos ? "" : Lower(sort.substr(colon + 1));
        const int column = sortColumn(name);
        if (column < 0 || (order != "" && order != "asc" && order != "desc"))
            return UsageError("filters: unknown sort column \"" + sort + "\"");
        view.SortBy(column, order != "desc");
    }
    for (int c = 0; c < table.ColumnCount(); ++c)
        std::printf("%s%s", c ? "\t" : "", table.ColumnTitle(c).c_str());
    std::printf("\n");
    for (int i = 0; i < view.Count(); ++i) {
        for (int c = 0; c < table.ColumnCount(); ++c)
            std::printf("%s%s", c ? "\t" : "", view.Text(i, c).c_str());
        std::printf("\n");
    }
    std::fprintf(stderr, "%d of %d configurations\n", view.Count(), table.RowCount());
    return 0;
}

int Copy(CFilterTable& table, const std::string& type, int id, int which, const std::string& design,
         const std::string& out, bool force)
{
    CSchDoc doc;
    if (!doc.OnOpenDocument(design))
        return 1;
    if (doc.GetDeviceType() != type)
        return UsageError("filters: " + design + " is a " + doc.GetDeviceType() + " design, not " + type);
    const CFilterEntry* entry = table.GetEntry(table.FindEntry(id));
    if (!entry) {
        std::fprintf(stderr, "Kalidor: %s (no entry %d)\n", kMsgNoEntrySelected, id);
        return 1;
    }
    if (doc.CopyFilterToSchematic(entry, which) < 0)
        return 1;
    if (!SaveDesign(doc, out.empty() ? design : out, force))
        return 1;
    std::printf("Configuration %c: %s\n", which ? 'B' : 'A', entry->Description().c_str());
    return 0;
}

}  // namespace

int RunFilters(const Args& args)
{
    const DeviceTraits* traits = args.empty() ? nullptr : FindDeviceTraits(args[0]);
    if (!traits || !traits->filterConfigs)
        return UsageError(args.empty() ? kUsage : "filters: unknown device type \"" + args[0] + "\" (ZelD or ZelE)");
    const std::string type = args[0];
    CFilterTable table;
    TableArgs t;
    int which = -1;
    // Criteria are collected first and set on the table once it is read.
    std::vector<CFilterCriteria> criteria;
    for (size_t i = 1; i < args.size(); ++i) {
        const std::string& a = args[i];
        auto value = [&](std::string& into) {
            if (i + 1 >= args.size())
                return false;
            into = args[++i];
            return true;
        };
        std::string v;
        const CriterionOption* criterion = nullptr;
        for (const CriterionOption& c : kCriteria)
            if (a == c.option)
                criterion = &c;
        int status = 0;
        if (criterion) {
            CFilterCriteria c(criterion->attribute, "");
            double first = 0, second = 0;
            if (!value(v) || !ParseBounds(v, criterion->frequency, first, second))
                return UsageError("filters: " + a + " needs two bounds, FIRST:SECOND");
            c.SetRange(first, second);
            criteria.push_back(c);
        } else if (a == "--type") {
            int type = 0;
            if (!value(v) || !ParseType(v, type))
                return UsageError("filters: unknown filter type \"" + v + "\"");
            CFilterCriteria c(1, "");
            c.SetType(type);
            criteria.push_back(c);
        } else if (a == "--config") {
            if (!value(v) || (v != "A" && v != "B"))
                return UsageError("filters: --config needs A or B");
            which = v == "A" ? 0 : 1;
        } else if (const int taken = TakeTableArg("filters", args, i, t, status); taken < 0) {
            return status;
        } else if (taken == 0) {
            return UsageError("filters: unknown argument \"" + a + "\"\n" + kUsage);
        }
    }
    if (t.copy != (which >= 0) || t.copy != !t.design.empty() || (t.copy && (!criteria.empty() || t.version)) ||
        (t.force && !t.copy))
        return UsageError(kUsage);
    if (!LoadTable(table, type, t.tablePath))
        return 1;
    if (table.GetDeviceType() != type)
        return UsageError("filters: the table " + t.tablePath + " is for " + table.GetDeviceType() + ", not " + type);
    if (t.copy)
        return Copy(table, type, t.copyId, which, t.design, t.out, t.force);
    if (t.version) {
        std::printf("%s\n", table.VersionText().c_str());
        return 0;
    }
    for (const CFilterCriteria& c : criteria) {
        CFilterCriteria* own = table.Criterion(c.attribute);
        const std::string title = own->title;
        *own = c;
        own->title = title;
    }
    return ListRows(table, t.sort, [&](const std::string& name) { return SortColumn(table, name); });
}

namespace {

constexpr const char* kLaddersUsage =
    "ladders: usage: ladders [--type NAME] [--freq MIN:MAX] [--sort COLUMN[:desc]] [--table FILE] [--version]\n"
    "       ladders --copy ID FILE.ZEL [-o OUT.ZEL] [--table FILE]";

bool ParseLadderType(const std::string& text, int& type)
{
    if (ParseInt(text, type))
        return !CFilterEntry4Macro::TypeTag(type).empty();
    for (int t = kLadderFirstType; t <= kLadderLastType; ++t)
        if (Lower(text) == Lower(CFilterEntry4Macro::TypeName(t)) || Lower(text) == Lower(CFilterEntry4Macro::TypeTag(t))) {
            type = t;
            return true;
        }
    return false;
}

}  // namespace

int RunLadders(const Args& args)
{
    CFilterTable4Macro table;
    TableArgs t;
    int type = -1;
    double first = 0, second = 0;
    bool range = false;
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        const std::string v = i + 1 < args.size() ? args[i + 1] : "";
        int status = 0;
        if (a == "--type") {
            ++i;
            if (!ParseLadderType(v, type))
                return UsageError("ladders: unknown filter type \"" + v + "\"");
        } else if (a == "--freq") {
            ++i;
            if (!ParseBounds(v, true, first, second))
                return UsageError("ladders: --freq needs two bounds, MIN:MAX");
            range = true;
        } else if (const int taken = TakeTableArg("ladders", args, i, t, status); taken < 0) {
            return status;
        } else if (taken == 0) {
            return UsageError("ladders: unknown argument \"" + a + "\"\n" + kLaddersUsage);
        }
    }
    if (t.copy == t.design.empty() || (t.copy && (type >= 0 || range || t.version)))
        return UsageError(kLaddersUsage);
    const std::string file = t.tablePath.empty() ? SupportFile(CFilterTable4Macro::FileName("ZelA")) : t.tablePath;
    std::string error;
    if (!table.Load(file, &error)) {
        std::fprintf(stderr, "Kalidor: cannot read the ladder filter table %s: %s\n", file.c_str(), error.c_str());
        return 1;
    }
    if (t.version) {
        std::printf("%s\n", table.VersionText().c_str());
        return 0;
    }
    if (t.copy) {
        CSchDoc doc;
        if (!doc.OnOpenDocument(t.design))
            return 1;
        if (!doc.Device() || !doc.Device()->Traits().ladderFilters)
            return UsageError("ladders: " + t.design + " is a " + doc.GetDeviceType() + " design, not ZelA");
        const CFilterEntry4Macro* entry = table.GetEntry(table.FindEntry(t.copyId));
        if (!entry) {
            std::fprintf(stderr, "Kalidor: %s (no entry %d)\n", kMsgNoEntrySelected, t.copyId);
            return 1;
        }
        if (!CopyLadderToSchematic(doc, entry) || !SaveDesign(doc, t.out.empty() ? t.design : t.out, t.force))
            return 1;
        std::printf("%s #%d, %.2f Hz, output node %d\n", CFilterEntry4Macro::TypeName(entry->type).c_str(), entry->id,
                    entry->d[0], static_cast<int>(entry->d[CFilterEntry4Macro::kOutputNode]));
        return 0;
    }
    if (type >= 0)
        table.Criterion(1)->SetType(type);
    if (range)
        table.Criterion(2)->SetRange(first, second);
    return ListRows(table, t.sort, [&](const std::string& name) {
        if (name == "id")
            return 0;
        if (name == "type")
            return 1;
        if (name == "freq")
            return 2;
        for (int c = 3; c < table.ColumnCount(); ++c)
            if (name == Lower(table.ColumnTitle(c)))
                return c;
        return -1;
    });
}

}  // namespace kalidor::cli
