// "filters": the filter configuration table of ZelD or ZelE — lists the rows that pass the given
// criteria with the table window's column texts, or copies one row into configuration A or B of
// a design.
#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "device/DeviceKind.h"
#include "cli/Commands.h"
#include "document/SchDoc.h"
#include "platform/Paths.h"
#include "sim/SimulationSetup.h"
#include "utilities/FilterTable.h"

namespace kalidor::cli {

namespace {

constexpr const char* kUsage =
    "filters: usage: filters ZelD|ZelE [--type NAME] [--fc MIN:MAX] [--gain2fc HI:LO] [--gain10fc HI:LO]\n"
    "          [--fp MIN:MAX] [--ripple HI:LO] [--fs MIN:MAX] [--atten HI:LO] [--ratio MIN:MAX]\n"
    "          [--maxvin MIN:MAX] [--sort COLUMN[:desc]] [--table FILE] [--version]\n"
    "       filters ZelD|ZelE --copy ID --config A|B FILE.ZEL [-o OUT.ZEL] [--table FILE]";

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

bool LoadTable(CFilterTable& table, const std::string& type, const std::string& path)
{
    const std::string file = path.empty() ? SupportFile(CFilterTable::FileName(type)) : path;
    std::string error;
    if (!table.Load(file, &error)) {
        std::fprintf(stderr, "kalidor-cli: cannot read the filter table %s: %s\n", file.c_str(), error.c_str());
        return false;
    }
    return true;
}

int List(CFilterTable& table, const std::string& sort)
{
    CRowView view(table);
    view.Refresh();
    if (!sort.empty()) {
        const size_t colon = sort.find(':');
        const std::string name = Lower(sort.substr(0, colon));
        const std::string order = colon == std::string::npos ? "" : Lower(sort.substr(colon + 1));
        const int column = SortColumn(table, name);
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
         const std::string& out)
{
    CSchDoc doc;
    if (!doc.OnOpenDocument(design))
        return 1;
    if (doc.GetDeviceType() != type)
        return UsageError("filters: " + design + " is a " + doc.GetDeviceType() + " design, not " + type);
    const CFilterEntry* entry = table.GetEntry(table.FindEntry(id));
    if (!entry) {
        std::fprintf(stderr, "kalidor-cli: %s (no entry %d)\n", kMsgNoEntrySelected, id);
        return 1;
    }
    if (doc.CopyFilterToSchematic(entry, which) < 0)
        return 1;
    if (!doc.OnSaveDocument(out.empty() ? design : out))
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
    std::string tablePath, sort, design, out;
    int copyId = 0, which = -1;
    bool copy = false, version = false;
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
        if (criterion) {
            CFilterCriteria c(criterion->attribute, "");
            double first = 0, second = 0;
            if (!value(v) || !ParseBounds(v, criterion->frequency, first, second))
                return UsageError("filters: " + a + " needs two bounds, FIRST:SECOND");
            c.SetRange(first, second);
            criteria.push_back(c);
        } else if (a == "--type") {
            int t = 0;
            if (!value(v) || !ParseType(v, t))
                return UsageError("filters: unknown filter type \"" + v + "\"");
            CFilterCriteria c(1, "");
            c.SetType(t);
            criteria.push_back(c);
        } else if (a == "--sort") {
            if (!value(sort))
                return UsageError("filters: --sort needs a column");
        } else if (a == "--table") {
            if (!value(tablePath))
                return UsageError("filters: --table needs a file");
        } else if (a == "--version") {
            version = true;
        } else if (a == "--copy") {
            if (!value(v) || !ParseInt(v, copyId))
                return UsageError("filters: --copy needs an entry ID");
            copy = true;
        } else if (a == "--config") {
            if (!value(v) || (v != "A" && v != "B"))
                return UsageError("filters: --config needs A or B");
            which = v == "A" ? 0 : 1;
        } else if (a == "-o") {
            if (!value(out))
                return UsageError("filters: -o needs a file name");
        } else if (a.rfind("-", 0) != 0 && design.empty()) {
            design = a;
        } else {
            return UsageError("filters: unknown argument \"" + a + "\"\n" + kUsage);
        }
    }
    if (copy != (which >= 0) || copy != !design.empty() || (copy && (!criteria.empty() || version)))
        return UsageError(kUsage);
    if (!LoadTable(table, type, tablePath))
        return 1;
    if (table.GetDeviceType() != type)
        return UsageError("filters: the table " + tablePath + " is for " + table.GetDeviceType() + ", not " + type);
    if (copy)
        return Copy(table, type, copyId, which, design, out);
    if (version) {
        std::printf("%s\n", table.VersionText().c_str());
        return 0;
    }
    for (const CFilterCriteria& c : criteria) {
        CFilterCriteria* own = table.Criterion(c.attribute);
        const std::string title = own->title;
        *own = c;
        own->title = title;
    }
    return List(table, sort);
}

}  // namespace kalidor::cli
