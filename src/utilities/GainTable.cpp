#include "utilities/GainTable.h"

#include <cstdio>
#include <cstdlib>

#include "base/XmlParser.h"
#include "platform/AtomicFile.h"
#include "platform/Prompter.h"
#include "utilities/ConfigTable.h"

namespace kalidor {

const char kMsgGainTableMissing[] =
    "This Gain Configuration Utility table was not found on your machine, please come to our \n\rWeb site at "
    "https://www.norvane.example/kalidor/support to download the latest Gain Wizard table.";
const char kMsgGainTableDamaged[] = "The Gain Configuration Utility table is damaged: %s";
const char kMsgTwoBlocksQuestion[] = "A single Zel Block cannot achieve this gain.\nDo you want to use two Zel Blocks?";
const char kMsgOtherGainQuestion[] = "Cannot achieve this gain.\nDo you want to see the solutions for gain %d?";
const char kMsgGainInputOutput[] = "Cannot achieve this gain with this input/output combination.";
const char kMsgGainResults[] = "You can use the following configurations to achieve the gain %d:";
const char kGainPrompt[] = "Please enter the gain:";
const char kGainSampleCaption[] = "Configuration Sample";

const char* const kGainConfigurationCaptions[kGainConfigurations] = {
    "Configuration 1", "Configuration 2", "Configuration 3", "Configuration 4",
    "Configuration 5", "Configuration 6", "Configuration 7", "Configuration 8"};
const char* const kGainConfigurationFormulas[kGainConfigurations] = {
    "Gain = A",           "Gain = A + B",           "Gain = C * A",       "Gain = (C + D) * A",
    "Gain = C * (A + B)", "Gain = (C + D) * (A + B)", "Gain = (C * A) + B", "Gain = A * (C + D) + B"};
const char* const kGainBestForNames[3] = {"Noise Level", "Bandwidth", "CM Range"};
const char* const kGainBestForChoices[4] = {"Don't care", "Noise Level", "Bandwidth", "CM Range"};
const char* const kGainColumnTitles[6] = {"Config", "Best for", "Gain A", "Gain B", "Gain C", "Gain D"};

namespace {

// The outward search stops when both directions are past this gain.
constexpr int kSearchLimit = 400;

std::vector<int> Integers(const std::string& text)
{
    std::vector<int> out;
    for (double v : ParseNumberList(text))
        out.push_back(static_cast<int>(v));
    return out;
}

std::string Format(const char* format, int value)
{
    char buf[200];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string JoinInts(const int* v, size_t n)
{
    std::string s;
    for (size_t i = 0; i < n; ++i)
        s += (i ? ", " : "") + std::to_string(v[i]);
    return s;
}

}  // namespace

CGainAmplifier GainLetterPlace(int config, int letter)
{
    // stage, amplifier for A, B, C, D.
    static const CGainAmplifier kPlaces[kGainConfigurations][4] = {
        {{0, 0}, {-1, 0}, {-1, 0}, {-1, 0}},  // A
        {{0, 0}, {0, 1}, {-1, 0}, {-1, 0}},   // A + B
        {{0, 0}, {-1, 0}, {1, 0}, {-1, 0}},   // C * A
        {{0, 0}, {-1, 0}, {1, 0}, {1, 1}},    // (C + D) * A
        {{0, 0}, {0, 1}, {1, 0}, {-1, 0}},    // C * (A + B)
        {{0, 0}, {0, 1}, {1, 0}, {1, 1}},     // (C + D) * (A + B)
        {{1, 0}, {1, 1}, {0, 0}, {-1, 0}},    // (C * A) + B
        {{1, 0}, {1, 1}, {0, 0}, {0, 1}},     // A * (C + D) + B
    };
    if (config < 1 || config > kGainConfigurations || letter < 0 || letter > 3)
        return {};
    return kPlaces[config - 1][letter];
}

int GainOfConfiguration(int config, const std::array<int, 4>& g)
{
    const int a = g[0], b = g[1], c = g[2], d = g[3];
    switch (config) {
    case 1: return a;
    case 2: return a + b;
    case 3: return c * a;
    case 4: return (c + d) * a;
    case 5: return c * (a + b);
    case 6: return (c + d) * (a + b);
    case 7: return c * a + b;
    case 8: return a * (c + d) + b;
    default: return 0;
    }
}

std::string CGainTable::FileName(const std::string& deviceType)
{
    return deviceType + "_GainTable.xml";
}

bool CGainTable::Read(const std::string& text, const std::string& deviceType, std::string* error)
{
    auto fail = [&](const std::string& why) {
        if (error)
            *error = why;
        m_entries.clear();
        m_connections.clear();
        return false;
    };
    m_loaded = false;
    m_deviceType = deviceType;
    m_header.clear();
    m_entries.clear();
    m_connections.clear();

    enum { kRoot = 1, kRootEnd, kGain, kGainEnd, kGainEntry, kGainEntryEnd, kConnect, kConnectEnd,
           kConnectEntry, kConnectEntryEnd };
    const std::string& d = deviceType;
    CXmlParser parser;
    auto pair = [&](const std::string& name, int code) {
        parser.AddElement("<" + name + ">", code);
        parser.AddElement("</" + name + ">", code + 1);
    };
    pair(d + "GainWizard", kRoot);
    pair(d + "GainTable", kGain);
    pair(d + "GainEntry", kGainEntry);
    pair(d + "ConnectTable", kConnect);
    pair(d + "ConnectEntry", kConnectEntry);
    parser.SetText(text);
    parser.ParseProlog();
    CXmlElement* root = parser.NextElement();
    if (!root || root->GetCode() != kRoot || parser.GetLastResult() != kXmlStartTag)
        return fail("it does not begin with <" + d + "GainWizard>.");

    // The gain table comes first, then the connection table.
    int stage = 0;
    CXmlReadLoop loop(parser, "</" + d + "GainWizard>");
    while (CXmlElement* e = loop.Next()) {
        if (parser.GetLastResult() != kXmlStartTag)
            continue;
        const int code = e->GetCode();
        if (code != kGain && code != kConnect) {
            parser.SkipElement();
            continue;
        }
        if ((code == kGain && stage != 0) || (code == kConnect && stage != 1))
            return fail("the gain table must come first, then the connection table.");
        stage = code == kGain ? 1 : 2;
        const int entryCode = code == kGain ? kGainEntry : kConnectEntry;
        CXmlReadLoop inner(parser, "</" + d + (code == kGain ? "GainTable>" : "ConnectTable>"), &loop);
        while (CXmlElement* x = inner.Next()) {
            if (parser.GetLastResult() != kXmlStartTag)
                continue;
            if (x->GetCode() != entryCode) {
                parser.SkipElement();
                continue;
            }
            parser.ReadElementText();
            const std::vector<int> n = Integers(parser.GetText().substr(0, kMaxEntryText));
            if (code == kGain) {
                if (n.size() < 7)
                    return fail("a gain entry holds fewer than 7 numbers.");
                if (static_cast<int>(m_entries.size()) >= kMaxGainEntries)
                    return fail("it holds more than " + std::to_string(kMaxGainEntries) + " gain entries.");
                m_entries.push_back({n[0], n[1], n[2], {n[3], n[4], n[5], n[6]}});
            } else {
                if (n.size() < 9)
                    return fail("a connection entry holds fewer than 9 numbers.");
                if (static_cast<int>(m_connections.size()) >= kMaxConnections)
                    return fail("it holds more than " + std::to_string(kMaxConnections) + " connection entries.");
                m_connections.push_back({n[0], n[1], n[2], {n[3], n[4], n[5], n[6], n[7], n[8]}});
            }
        }
        if (!inner.EndedAtOwnTag())
            return fail("it ends inside a table.");
    }
    if (!loop.EndedAtOwnTag())
        return fail("it ends before </" + d + "GainWizard>.");
    if (stage != 2)
        return fail("the gain table or the connection table is missing.");
    m_loaded = true;
    return true;
}

bool CGainTable::Load(const std::string& path, const std::string& deviceType, std::string* error, bool* missing)
{
    if (missing)
        *missing = false;
    std::string text;
    if (!ReadWholeFile(path, text, kMaxFileSize, error)) {
        if (missing)
            *missing = true;
        m_loaded = false;
        return false;
    }
    return Read(text, deviceType, error);
}

const CGainConnection* CGainTable::FindConnection(int config, int input, int output) const
{
    for (const CGainConnection& c : m_connections)
        if (c.config == config && (input < 1 || output < 1 || (c.input == input && c.output == output)))
            return &c;
    return nullptr;
}

int CGainTable::Find(int gain, int input, int output, bool twoBlocks, int bestFor, std::vector<int>& results) const
{
    results.clear();
    for (int i = 0; i < static_cast<int>(m_entries.size()); ++i) {
        const CGainEntry& e = m_entries[i];
        if (e.gain != gain)
            continue;
        if (bestFor >= 1 && e.bestFor != bestFor - 1)
            continue;
        if (!FindConnection(e.config, input, output))
            continue;
        if (twoBlocks || !GainConfigUsesTwoBlocks(e.config))
            results.push_back(i);
    }
    return static_cast<int>(results.size());
}

void CGainTable::SetContents(std::string deviceType, std::string header, std::vector<CGainEntry> entries,
                             std::vector<CGainConnection> connections)
{
    m_deviceType = std::move(deviceType);
    m_header = std::move(header);
    m_entries = std::move(entries);
    m_connections = std::move(connections);
    m_loaded = true;
}

std::string CGainTable::Write() const
{
    const std::string d = m_deviceType;
    const char* nl = "\r\n";
    std::string s = std::string("<?xml version=\"1.0\"?>") + nl + nl;
    if (!m_header.empty())
        s += "<!--" + m_header + "-->" + nl + nl;
    s += "<" + d + "GainWizard>" + nl;
    s += std::string("<DocFmtVersion>1</DocFmtVersion>") + nl;
    s += "<DeviceType>" + d + "</DeviceType>" + nl + nl;
    s += "<" + d + "GainTable>" + nl;
    for (const CGainEntry& e : m_entries) {
        const int v[7] = {e.config, e.bestFor, e.gain, e.gains[0], e.gains[1], e.gains[2], e.gains[3]};
        s += "<" + d + "GainEntry>" + JoinInts(v, 7) + "</" + d + "GainEntry>" + nl;
    }
    s += "</" + d + "GainTable>" + nl + nl;
    s += "<" + d + "ConnectTable>" + nl;
    for (const CGainConnection& c : m_connections) {
        int v[9] = {c.config, c.input, c.output};
        for (int i = 0; i < 6; ++i)
            v[3 + i] = c.wiring[i];
        s += "<" + d + "ConnectEntry>" + JoinInts(v, 9) + "</" + d + "ConnectEntry>" + nl;
    }
    s += "</" + d + "ConnectTable>" + nl + nl;
    s += "</" + d + "GainWizard>" + nl;
    return s;
}

CGainSearchResult SearchGain(const CGainTable& table, CGainQuery& q)
{
    CGainSearchResult r;
    Prompter& prompter = CurrentPrompter();
    auto show = [&](std::vector<int> rows) {
        r.rows = std::move(rows);
        r.cleared = false;
        r.caption = Format(kMsgGainResults, q.gain);
        return r;
    };
    std::vector<int> rows;
    if (table.Find(q.gain, q.input, q.output, q.twoBlocks, q.bestFor, rows) > 0)
        return show(rows);
    if (!q.twoBlocks && table.Find(q.gain, q.input, q.output, true, q.bestFor, rows) > 0) {
        if (prompter.Message(kMsgTwoBlocksQuestion, "Kalidor", Buttons::OkCancel, MessageIcon::Question) != Answer::Ok)
            return r;
        q.twoBlocks = true;
        return show(rows);
    }
    // The gain exists, but not between the chosen input and output.
    if (q.input >= 1 && q.output >= 1 && table.Find(q.gain, 0, 0, true, q.bestFor, rows) > 0) {
        prompter.Message(kMsgGainInputOutput, "Kalidor", Buttons::Ok, MessageIcon::Information);
        return r;
    }
    int up = q.gain, down = q.gain;
    int found = 0;
    bool any = false;
    while (!(up > kSearchLimit && down < -kSearchLimit)) {
        ++up;
        if (table.Find(up, q.input, q.output, true, q.bestFor, rows) > 0) {
            found = up;
            any = true;
            break;
        }
        --down;
        if (table.Find(down, q.input, q.output, true, q.bestFor, rows) > 0) {
            found = down;
            any = true;
            break;
        }
    }
    if (!any) {
        prompter.Message(kMsgGainInputOutput, "Kalidor", Buttons::Ok, MessageIcon::Information);
        return r;
    }
    if (prompter.Message(Format(kMsgOtherGainQuestion, found), "Kalidor", Buttons::OkCancel, MessageIcon::Question) !=
        Answer::Ok)
        return r;
    q.gain = found;
    q.twoBlocks = true;
    return show(rows);
}

}  // namespace kalidor
