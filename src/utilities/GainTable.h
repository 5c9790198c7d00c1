// The gain table of ZelA or ZelB: which amplifier gains give an overall gain G, in which of the
// eight configurations, and through which inputs and outputs each configuration can be wired.
//
// A gain entry is (configuration 1..8, best for 0 "Noise Level" / 1 "Bandwidth" / 2 "CM Range",
// overall gain, gains A, B, C, D). A connection entry is (configuration, input 1..4, output 1..4,
// then the wiring: the first block, the input selector values of its two amplifiers, the second
// block and the selector values of its two amplifiers; block 0 and selector 0 for what is not
// used; a block number plus 10 when the block's two letters sit on its amplifiers the other way
// round, the first letter on its second amplifier). In configurations 1..6 A and B are the amplifiers of the block fed from the input, C and
// D those of the block after it; in configurations 7 and 8 C (and D) are the amplifiers of the
// block fed from the input, and A and B those of the output block, where B takes the input
// directly. Unused gains are 0.
//
// File layout (ZelB the same with "ZelB" in the element names):
//   <ZelAGainWizard>
//   <DocFmtVersion>1</DocFmtVersion> <DeviceType>ZelA</DeviceType>
//   <ZelAGainTable> <ZelAGainEntry>1, 0, 5, 5, 0, 0, 0</ZelAGainEntry> ... </ZelAGainTable>
//   <ZelAConnectTable> <ZelAConnectEntry>1, 1, 1, 1, 1, 0, 0, 0, 0</ZelAConnectEntry> ...
//   </ZelAConnectTable>
//   </ZelAGainWizard>
#pragma once

#include <array>
#include <string>
#include <vector>

namespace kalidor {

// Texts of the gain configuration utility.
extern const char kMsgGainTableMissing[];      // the table file was not found (names the support web address)
extern const char kMsgGainTableDamaged[];      // it ends early or does not have the table shape
extern const char kMsgTwoBlocksQuestion[];     // "A single Zel Block cannot achieve this gain.\n..."
extern const char kMsgOtherGainQuestion[];     // "Cannot achieve this gain.\n... gain %d?"
extern const char kMsgGainInputOutput[];       // "Cannot achieve this gain with this input/output combination."
extern const char kMsgGainResults[];           // "You can use the following configurations to achieve the gain %d:"
extern const char kGainPrompt[];               // "Please enter the gain:"
extern const char kGainSampleCaption[];        // "Configuration Sample"

inline constexpr int kGainConfigurations = 8;
// "Configuration n" and its formula, n = 1..8 (index n - 1).
extern const char* const kGainConfigurationCaptions[kGainConfigurations];
extern const char* const kGainConfigurationFormulas[kGainConfigurations];
// "Noise Level", "Bandwidth", "CM Range"; the dialog's list starts with "Don't care".
extern const char* const kGainBestForNames[3];
extern const char* const kGainBestForChoices[4];
// The result list's column titles.
extern const char* const kGainColumnTitles[6];

struct CGainEntry {
    int config = 0;
    int bestFor = 0;
    int gain = 0;
    std::array<int, 4> gains{};  // A, B, C, D
    friend bool operator==(const CGainEntry&, const CGainEntry&) = default;
};

struct CGainConnection {
    int config = 0;
    int input = 0;
    int output = 0;
    std::array<int, 6> wiring{};  // first block, its two selectors, second block, its two selectors
    friend bool operator==(const CGainConnection&, const CGainConnection&) = default;

    static constexpr int kSwapped = 10;  // added to a block number: the letters sit the other way round
    // Stage 0 (fed from the input) or 1: its block, and whether its letters are swapped.
    int Block(int stage) const { return wiring[stage * 3] % kSwapped; }
    bool Swapped(int stage) const { return wiring[stage * 3] >= kSwapped; }
};

// One amplifier a gain letter stands for in a configuration: block 0 (the one fed from the
// input) or 1 (the one after it), amplifier 0 or 1 of that block.
struct CGainAmplifier {
    int stage = -1;  // -1: the letter is not used
    int amplifier = 0;
};
// Where letter 0..3 (A..D) sits in configuration 1..8.
CGainAmplifier GainLetterPlace(int config, int letter);
// Whether configuration 1..8 uses two blocks (3..8).
inline bool GainConfigUsesTwoBlocks(int config) { return config >= 3; }
// The overall gain of a configuration for amplifier gains A..D, as its formula says.
int GainOfConfiguration(int config, const std::array<int, 4>& g);

class CGainTable {
public:
    // The honest tables are larger than the 4300 gain entries an older reader held; 8000 leaves
    // room to grow. Longer tables are refused as damaged.
    static constexpr int kMaxGainEntries = 8000;
    static constexpr int kMaxConnections = 100;
    static constexpr int kMaxEntryText = 500;
    static constexpr size_t kMaxFileSize = 4u * 1024u * 1024u;

    // "ZelA_GainTable.xml" / "ZelB_GainTable.xml".
    static std::string FileName(const std::string& deviceType);

    // Reads the text of a table of `deviceType` (ZelA or ZelB); false when it is not one (wrong
    // root, tables out of order, ends before its closing element, capacities exceeded), with the
    // reason in `error`.
    bool Read(const std::string& text, const std::string& deviceType, std::string* error = nullptr);
    // Reads the file; false with `missing` set when the file is not there.
    bool Load(const std::string& path, const std::string& deviceType, std::string* error = nullptr,
              bool* missing = nullptr);
    bool IsLoaded() const { return m_loaded; }
    const std::string& GetDeviceType() const { return m_deviceType; }

    const std::vector<CGainEntry>& Entries() const { return m_entries; }
    const std::vector<CGainConnection>& Connections() const { return m_connections; }
    // The first connection entry of a configuration that joins `input` to `output` (either 0:
    // any), or nullptr.
    const CGainConnection* FindConnection(int config, int input, int output) const;

    // The positions of the gain entries, in table order, that give `gain` with `bestFor` (0: any,
    // 1..3: "best for" value + 1), whose configuration connects input to output (both selected,
    // else any connection) and that use one block unless `twoBlocks`.
    int Find(int gain, int input, int output, bool twoBlocks, int bestFor, std::vector<int>& results) const;

    // Builds a table (the generator's use) and writes its text; Read() of it gives it back.
    void SetContents(std::string deviceType, std::string header, std::vector<CGainEntry> entries,
                     std::vector<CGainConnection> connections);
    std::string Write() const;

private:
    bool m_loaded = false;
    std::string m_deviceType;
    std::string m_header;  // the comment the generator writes after the prolog
    std::vector<CGainEntry> m_entries;
    std::vector<CGainConnection> m_connections;
};

// The dialog's question: desired gain, input and output (1-based, 0 none), two blocks, best for
// (0 "Don't care", 1..3).
struct CGainQuery {
    int gain = 0;
    int input = 0;
    int output = 0;
    bool twoBlocks = false;
    int bestFor = 0;
};

// What a search shows: the rows to list (positions in the table) and the caption above them;
// `cleared` when the list and the sample are to be emptied.
struct CGainSearchResult {
    std::vector<int> rows;
    std::string caption;
    bool cleared = true;
};

// The search button: finds the configurations for the query; when a single block cannot do it,
// asks whether to use two; when no configuration gives the gain, searches outwards (up before
// down, as far as +/-400) and offers the nearest gain that works. The query's gain and two-block
// flag change when the user accepts. Questions and messages go to the current prompter.
CGainSearchResult SearchGain(const CGainTable& table, CGainQuery& query);

}  // namespace kalidor
