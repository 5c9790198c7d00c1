#include "utilities/ui/DesignUtilityWindows.h"
#include "device/DeviceConfig.h"

#include <QInputDialog>
#include <memory>

#include "document/DesignUtilities.h"
#include "document/ui/SchDocument.h"
#include "platform/Paths.h"
#include "platform/Prompter.h"
#include "utilities/FilterTable.h"
#include "utilities/LadderTable.h"
#include "utilities/ui/ConfigTableView.h"
#include "utilities/ui/GainUtilityView.h"

namespace kalidor {

const char kMsgUtilityWrongDevice[] = "The active schematic is not a %1 schematic.";

namespace {

CCriterionCommand::Kind KindOf(int attribute)
{
    switch (attribute) {
    case -1: return CCriterionCommand::kShowAll;
    case 1: return CCriterionCommand::kType;
    case 3: case 4: case 6: case 8: return CCriterionCommand::kRangeUpperFirst;
    default: return CCriterionCommand::kRange;
    }
}

QString UnitOf(int attribute)
{
    switch (attribute) {
    case 2: case 5: case 7: return QStringLiteral("Hz");
    case 3: case 4: case 6: case 8: return QStringLiteral("dB");
    default: return QString();
    }
}

QWidget* FilterTableView(SchDocument* doc)
{
    CSchDoc& d = doc->Doc();
    if (!d.LoadFilterTable())
        return nullptr;
    CConfigTableView::Setup s;
    s.title = QStringLiteral("Filter Configurations");
    for (const CFilterCommand& c : kFilterCommands)
        s.commands.push_back({QString::fromUtf8(c.text), c.attribute, KindOf(c.attribute), UnitOf(c.attribute)});
    for (int t = 0; t <= 7; ++t)
        s.types.emplace_back(t, QString::fromStdString(CFilterEntry::TypeName(t)));
    s.quickColumn = 2;
    s.quickLabel = QStringLiteral("Fc near:");
    QPointer<SchDocument> target(doc);
    CFilterTable* table = d.FilterTable();
    s.copy = [target, table](int row) {
        if (!target)
            return;
        const CFilterEntry* e = table->GetEntry(row);
        if (!e) {
            target->Doc().CopyFilterToSchematic(nullptr, 0);
            return;
        }
        bool ok = false;
        const QStringList configs = {QStringLiteral("Configuration A"), QStringLiteral("Configuration B")};
        const QString which = QInputDialog::getItem(nullptr, QString::fromUtf8(kCopyToSchematicCommand),
                                                    QStringLiteral("Copy entry %1 into:").arg(e->id), configs, 0,
                                                    false, &ok);
        if (ok)
            target->Doc().CopyFilterToSchematic(e, which == configs[1] ? 1 : 0);
    };
    return new CConfigTableView(doc, *table, std::move(s));
}

QWidget* LadderView(SchDocument* doc)
{
    auto table = std::make_unique<CFilterTable4Macro>();
    const std::string path = SupportFile(CFilterTable4Macro::FileName("ZelA"));
    std::string error;
    if (!table->Load(path, &error)) {
        CurrentPrompter().Message("File could not be opened: " + path + "\n" + error, "Kalidor", Buttons::Ok,
                                  MessageIcon::Error);
        return nullptr;
    }
    CConfigTableView::Setup s;
    s.title = QStringLiteral("Ladder Filter Configurations");
    s.commands = {{QStringLiteral("Show All Configurations in list"), -1, CCriterionCommand::kShowAll, {}},
                  {QStringLiteral("Filter on FilterType..."), 1, CCriterionCommand::kType, {}},
                  {QStringLiteral("Filter on Frequency..."), 2, CCriterionCommand::kRange, QStringLiteral("Hz")}};
    for (int t = kLadderFirstType; t <= kLadderLastType; ++t)
        s.types.emplace_back(t, QString::fromStdString(CFilterEntry4Macro::TypeName(t)));
    s.quickColumn = 2;
    s.quickLabel = QStringLiteral("Frequency near:");
    QPointer<SchDocument> target(doc);
    CFilterTable4Macro* raw = table.get();
    s.copy = [target, raw](int row) {
        if (target)
            CopyLadderToSchematic(target->Doc(), raw->GetEntry(row));
    };
    auto* view = new CConfigTableView(doc, *raw, std::move(s));
    view->KeepTable(std::move(table));
    return view;
}

QWidget* GainView(SchDocument* doc, const std::string& type)
{
    CGainTable table;
    std::string error;
    bool missing = false;
    if (!table.Load(SupportFile(CGainTable::FileName(type)), type, &error, &missing)) {
        if (missing)
            CurrentPrompter().Message(kMsgGainTableMissing, "Kalidor", Buttons::Ok, MessageIcon::Error);
        else
            CurrentPrompter().Message(QString::fromUtf8(kMsgGainTableDamaged)
                                          .replace(QStringLiteral("%s"), QString::fromStdString(error))
                                          .toStdString(),
                                      "Kalidor", Buttons::Ok, MessageIcon::Error);
        return nullptr;
    }
    return new CGainUtilityView(doc, std::move(table));
}

}  // namespace

std::optional<DeviceKind> DesignUtilityDevice(int code)
{
    switch (code) {
    case kUtilityLadderFilters: case kUtilityZelAGains: return DeviceKind::ZelA;
    case kUtilityZelDFilters: return DeviceKind::ZelD;
    case kUtilityZelBGains: return DeviceKind::ZelB;
    case kUtilityZelEFilters: return DeviceKind::ZelE;
    default: return std::nullopt;
    }
}

int DesignUtilityFor(DeviceKind kind, bool ladder)
{
    for (int code = kUtilityLadderFilters; code <= kUtilityZelEFilters; ++code)
        if (DesignUtilityDevice(code) == kind && (code == kUtilityLadderFilters) == ladder)
            return code;
    return 0;
}

QWidget* CreateDesignUtilityView(SchDocument* doc, int code)
{
    const std::optional<DeviceKind> device = DesignUtilityDevice(code);
    if (!doc || !device)
        return nullptr;
    if (!doc->Doc().Device() || doc->Doc().Device()->Kind() != *device) {
        CurrentPrompter().Message(
            QString::fromUtf8(kMsgUtilityWrongDevice).arg(QString::fromUtf8(DeviceKindName(*device))).toStdString(),
            "Kalidor", Buttons::Ok, MessageIcon::Information);
        return nullptr;
    }
    QWidget* view = nullptr;
    switch (code) {
    case kUtilityLadderFilters: view = LadderView(doc); break;
    case kUtilityZelAGains: case kUtilityZelBGains: view = GainView(doc, DeviceKindName(*device)); break;
    default: view = FilterTableView(doc); break;
    }
    if (view)
        view->setProperty("designUtility", code);
    return view;
}

}  // namespace kalidor
