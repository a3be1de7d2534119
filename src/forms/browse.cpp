#include "forms/browse.h"

#include "app/session.h"
#include "data/records.h"
#include "forms/editor.h"
#include "forms/formdef.h"
#include "forms/formloop.h"
#include "forms/hooks.h"
#include "platform/console.h"
#include "platform/system.h"
#include "screen/colours.h"
#include "screen/keys.h"
#include "screen/windows.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>

// A list shows one line per record of a data file, fetched in key order only as far as the
// operator moves. The lines fetched so far are kept in the list file Browse.tmp of the work
// directory, so that moving back reads the list file and not the data file. A line record
// there is: the position of the previous line record (0 for the first line), the record
// position in the data file of the record the line was made from, the text length, the text.
// Integers little-endian; positions count from 1.

namespace forms {

namespace {

constexpr int32_t kHeaderSize = 10;

// The list's box characters (code page 850).
constexpr char kTopLeftCorner = '\xC9';
constexpr char kTopRightCorner = '\xBB';
constexpr char kHorizontal = '\xCD';
constexpr char kMoreLeft = '\x11';  // a triangle pointing left
constexpr char kMoreRight = '\x10'; // a triangle pointing right

// Columns a Left or Right key shifts the lines by.
constexpr int16_t kColumnStep = 8;

struct LineHeader {
    int32_t previous = 0;       // position of the previous line record; 0 for the first line
    int32_t recordPosition = 0; // where the line's record is in the data file
    int16_t length = 0;
};

// The list file: on disk when it could be opened, else held in memory so that the list still
// works (a work directory that cannot be written).
struct ListFile {
    platform::FileHandle file;
    std::string memory;
    int32_t size = 0; // bytes
};

enum class Fetching { NotStarted, Going, Ended };

// The state of one list; a list opened from inside another has its own.
struct BrowseState {
    int16_t browse = 0;
    BrowseRecord definition;
    int16_t rows = 0;    // D: interior rows
    int16_t columns = 0; // H: interior columns
    std::string startKey;
    std::string prefix;        // as given by BrowseStartKey
    std::string comparePrefix; // in the file's comparison form
    ListFile list;
    int32_t readPosition = 1;
    LineHeader current;
    std::string currentText;
    int32_t currentPosition = 1;
    bool atEnd = false;
    int32_t pageStart = 1;
    int32_t nextPage = 0;
    int16_t highlight = 1;   // V: the row of the current line
    int16_t firstColumn = 1; // W: the first text column shown
    int16_t widest = 0;      // how far the widest line drawn exceeds the window
    Fetching fetching = Fetching::NotStarted;
    int32_t lastAppended = 0;
};

int32_t Le32(const char* p) {
    return static_cast<int32_t>(static_cast<uint32_t>(static_cast<uint8_t>(p[0])) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(p[1])) << 8) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(p[2])) << 16) |
                                (static_cast<uint32_t>(static_cast<uint8_t>(p[3])) << 24));
}

void PutLe(std::string& out, uint32_t value, int bytes) {
    for (int i = 0; i < bytes; ++i)
        out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

void OpenListFile(ListFile& list, const std::string& path, bool anew) {
    list.file = anew ? platform::OpenCreate(path) : platform::OpenOrCreate(path);
    if (!list.file) return;
    if (std::fseek(list.file.get(), 0, SEEK_END) == 0) {
        const long end = std::ftell(list.file.get());
        if (end > 0 && end < std::numeric_limits<int32_t>::max())
            list.size = static_cast<int32_t>(end);
    }
}

// Reads n bytes at a position (from 1); false when the file does not hold them all.
bool ReadListBytes(ListFile& list, int32_t position, char* out, int32_t n) {
    if (position < 1 || n < 0 || static_cast<int64_t>(position) - 1 + n > list.size) return false;
    if (!list.file) {
        std::copy_n(list.memory.begin() + (position - 1), n, out);
        return true;
    }
    return std::fseek(list.file.get(), position - 1, SEEK_SET) == 0 &&
           std::fread(out, 1, static_cast<size_t>(n), list.file.get()) == static_cast<size_t>(n);
}

bool AppendListBytes(ListFile& list, const std::string& bytes) {
    if (list.size > std::numeric_limits<int32_t>::max() - static_cast<int32_t>(bytes.size()))
        return false;
    if (!list.file) {
        list.memory += bytes;
    } else if (std::fseek(list.file.get(), list.size, SEEK_SET) != 0 ||
               std::fwrite(bytes.data(), 1, bytes.size(), list.file.get()) != bytes.size() ||
               std::fflush(list.file.get()) != 0) {
        return false;
    }
    list.size += static_cast<int32_t>(bytes.size());
    return true;
}

bool ReadHeader(ListFile& list, int32_t position, LineHeader& header) {
    char raw[kHeaderSize];
    if (!ReadListBytes(list, position, raw, kHeaderSize)) return false;
    header.previous = Le32(raw);
    header.recordPosition = Le32(raw + 4);
    header.length = static_cast<int16_t>(
        static_cast<uint16_t>(static_cast<uint8_t>(raw[8]) | (static_cast<uint8_t>(raw[9]) << 8)));
    return header.length >= 0;
}

// Reads the line record at a position into the current line; false when there is none.
bool ReadLineAt(BrowseState& s, int32_t position) {
    LineHeader header;
    if (!ReadHeader(s.list, position, header)) return false;
    std::string text(static_cast<size_t>(header.length), ' ');
    if (!ReadListBytes(s.list, position + kHeaderSize, text.data(), header.length)) return false;
    s.current = header;
    s.currentText = std::move(text);
    s.currentPosition = position;
    s.readPosition = position + kHeaderSize + header.length;
    return true;
}

// Whether the data file's current key lies past the list's prefix.
bool BeyondPrefix(const BrowseState& s) {
    return data::CurrentKeyValue(s.definition.file).substr(0, s.comparePrefix.size()) >
           s.comparePrefix;
}

std::string TrimRight(std::string text) {
    const size_t last = text.find_last_not_of(' ');
    text.erase(last == std::string::npos ? 0 : last + 1);
    return text;
}

// Appends a line for the data file's current record; it becomes the current line.
bool AppendLine(BrowseState& s, std::string text) {
    if (text.size() > static_cast<size_t>(std::numeric_limits<int16_t>::max()))
        text.resize(static_cast<size_t>(std::numeric_limits<int16_t>::max()));
    LineHeader header;
    header.previous = s.lastAppended;
    header.recordPosition = data::RecordPosition(s.definition.file, 0);
    header.length = static_cast<int16_t>(text.size());
    std::string bytes;
    PutLe(bytes, static_cast<uint32_t>(header.previous), 4);
    PutLe(bytes, static_cast<uint32_t>(header.recordPosition), 4);
    PutLe(bytes, static_cast<uint16_t>(header.length), 2);
    bytes += text;
    const int32_t position = s.list.size + 1;
    if (!AppendListBytes(s.list, bytes)) return false;
    s.lastAppended = position;
    s.current = header;
    s.currentText = std::move(text);
    s.currentPosition = position;
    s.readPosition = s.list.size + 1;
    return true;
}

// Reads records of the data file until one gives a line (appended to the list file), the
// records past the prefix are reached, or the operator presses Esc. Keys typed meanwhile are
// dropped. True when a line was appended.
bool Fetch(BrowseState& s) {
    const int16_t file = s.definition.file;
    int16_t status = 0;
    if (s.fetching == Fetching::NotStarted) {
        s.fetching = Fetching::Going;
        data::GetByKey(file, s.definition.keyNumber, s.startKey, 1, status);
        s.comparePrefix = data::KeyCompareForm(s.prefix, file);
        // Nothing at or after the start key within the prefix: the list is empty, and the
        // record found (another property's) must not give a line.
        if (status != 0 || BeyondPrefix(s)) {
            s.fetching = Fetching::Ended;
            return false;
        }
    }
    bool appended = false;
    for (;;) {
        const std::string text = TrimRight(BrowseLineText(s.browse));
        if (!text.empty()) {
            if (!AppendLine(s, text)) { // the list file cannot take more lines
                s.fetching = Fetching::Ended;
                return appended;
            }
            appended = true;
        }
        data::SkipRecords(file, 1, status);
        if (status != 0 || BeyondPrefix(s)) {
            s.fetching = Fetching::Ended;
            break;
        }
        if (platform::PeekInput() && screen::TakeKeyCode() == screen::kKeyEsc) {
            s.fetching = Fetching::Ended;
            break;
        }
        if (appended) break;
    }
    return appended;
}

// Reads the line at the read position into the current line, fetching it from the data file
// when the list file does not hold it yet. False when there is no further line (the current
// line stays).
bool NextLine(BrowseState& s) {
    bool got = ReadLineAt(s, s.readPosition);
    if (!got && s.readPosition > s.list.size && s.fetching != Fetching::Ended) got = Fetch(s);
    s.atEnd = s.readPosition > s.list.size && s.fetching == Fetching::Ended;
    return got;
}

bool AtTop(const BrowseState& s) {
    return s.current.previous == 0;
}

// Moves the current line by n lines (up when negative); gives the lines actually moved.
int32_t MoveBy(BrowseState& s, int32_t n) {
    int32_t moved = 0;
    for (int32_t i = 0; i < std::abs(n); ++i) {
        if (n < 0) {
            if (AtTop(s)) break;
            s.readPosition = s.current.previous;
        }
        if (!NextLine(s)) break;
        ++moved;
        if (s.atEnd) break;
    }
    return moved;
}

// Writes a line's text on a row of the window from column W, blank-padded to the width.
void WriteRow(const BrowseState& s, int16_t row, const std::string& text) {
    if (s.columns < 1) return;
    const size_t from = static_cast<size_t>(s.firstColumn - 1);
    screen::PlaceCursor(row, 1);
    platform::WriteText(
        FitText(from < text.size() ? std::string_view(text).substr(from) : "", s.columns));
}

// Shows the page starting at the read position; the current line stays the one it was.
void ShowPage(BrowseState& s) {
    const int32_t remembered = s.currentPosition;
    s.pageStart = s.readPosition;
    bool ended = false;
    for (int16_t row = 1; row <= s.rows; ++row) {
        if (ended) {
            WriteRow(s, row, "");
            continue;
        }
        if (NextLine(s)) {
            WriteRow(s, row, s.currentText);
            s.widest =
                static_cast<int16_t>(std::max<int32_t>(s.widest, s.current.length - s.columns));
            if (s.atEnd) {
                if (row < s.highlight) s.highlight = row;
                ended = true;
            }
        } else { // nothing more to show: this row stays blank
            WriteRow(s, row, "");
            const int16_t last = std::max<int16_t>(1, static_cast<int16_t>(row - 1));
            if (last < s.highlight) s.highlight = last;
            ended = true;
        }
    }
    s.nextPage = s.atEnd || ended ? 0 : s.readPosition;
    s.readPosition = remembered;
    NextLine(s);
}

// The heading on the window's top frame line, with a triangle at either end when the lines
// reach beyond the window on that side.
void DrawHeading(const BrowseState& s) {
    screen::SetColour("+n");
    screen::PlaceCursor(0, 0);
    const std::string& heading = s.definition.heading;
    std::string line(1, s.firstColumn == 1 ? kTopLeftCorner : kMoreLeft);
    const int32_t end = static_cast<int32_t>(s.firstColumn) + s.columns;
    for (int32_t i = s.firstColumn; i < end; ++i) {
        const char c =
            i <= static_cast<int32_t>(heading.size()) ? heading[static_cast<size_t>(i - 1)] : ' ';
        line += c == ' ' ? kHorizontal : c == '_' ? ' ' : c;
    }
    line += s.widest < s.firstColumn && static_cast<int32_t>(heading.size()) < end ? kTopRightCorner
                                                                                   : kMoreRight;
    platform::WriteText(line);
    screen::SetColour("-");
}

void PageUp(BrowseState& s) {
    if (s.pageStart <= 1) return;
    MoveBy(s, -s.rows);
    int32_t position = s.pageStart;
    int32_t steps = 0;
    bool firstReached = false;
    for (;;) {
        LineHeader header;
        if (!ReadHeader(s.list, position, header)) break;
        if (header.previous == 0) {
            firstReached = true;
            break;
        }
        if (steps == s.rows) break;
        position = header.previous;
        ++steps;
    }
    if (firstReached && steps < s.rows) {
        position = 1;
        s.highlight = static_cast<int16_t>(std::max<int32_t>(1, s.highlight - (s.rows - steps)));
    }
    s.readPosition = position;
    ShowPage(s);
}

std::string ListFilePath() {
    return app::SessionSettings.workDir + "Browse.tmp";
}

} // namespace

int16_t RunBrowse(int16_t browse) {
    if (browse < 1 || static_cast<size_t>(browse) >= FormDefinition.browses.size()) return -1;
    BrowseState s;
    s.browse = browse;
    s.definition = FormDefinition.browses[static_cast<size_t>(browse)];
    const BrowseRecord& def = s.definition;

    if (def.filterForm > 0) {
        screen::KeyCode key = 0;
        RunForm(def.filterForm, key);
        if (key == screen::kKeyEsc) return -1;
    }
    const int16_t r = BrowseStartKey(browse, s.startKey, s.prefix);
    if (r != 0) return r;

    s.rows = static_cast<int16_t>(def.bottom - def.top - 1);
    s.columns = static_cast<int16_t>(def.right - def.left - 1);
    int16_t status = 0;
    // The list reads without record locks: records that others hold locked are listed too.
    if (def.file > 0) data::SetLockMode(def.file, "+d", status);

    screen::SetColour("+n");
    screen::PushWindow(def.top, def.left, def.bottom, def.right);
    screen::DrawFrame(2);
    screen::SetColour("h");
    SetKeyTable("+ea", "d,1b,4800,5000,4900,5100,4b00,4d00");
    if (def.f4Browse > 0) SetKeyTable("a", "3e00");

    const std::string path = ListFilePath();
    OpenListFile(s.list, path, def.file != 0);

    s.fetching = def.file == 0 ? Fetching::Ended : Fetching::NotStarted;
    DrawHeading(s);
    s.readPosition = 1;
    ShowPage(s);

    screen::KeyCode key = 0;
    for (;;) {
        screen::SetColour("u");
        WriteRow(s, s.highlight, s.currentText);
        key = ReadKeyOrClick();
        screen::SetColour("h");
        WriteRow(s, s.highlight, s.currentText);
        if (key == screen::kKeyLeft) {
            if (s.firstColumn > 1) {
                s.firstColumn = static_cast<int16_t>(s.firstColumn - kColumnStep);
                DrawHeading(s);
                s.readPosition = s.pageStart;
                ShowPage(s);
            }
        } else if (key == screen::kKeyRight) {
            if (s.firstColumn <= s.widest) {
                s.firstColumn = static_cast<int16_t>(s.firstColumn + kColumnStep);
                DrawHeading(s);
                s.readPosition = s.pageStart;
                ShowPage(s);
            }
        } else if (key == screen::kKeyUp) {
            if (!AtTop(s) && MoveBy(s, -1) > 0) {
                if (s.highlight > 1) {
                    --s.highlight;
                } else { // the page scrolls down by one line
                    s.readPosition = s.currentPosition;
                    ShowPage(s);
                }
            }
        } else if (key == screen::kKeyDown) {
            if (!s.atEnd && MoveBy(s, 1) > 0) {
                if (s.highlight < s.rows) {
                    ++s.highlight;
                } else { // the page scrolls up by one line
                    LineHeader first;
                    if (ReadHeader(s.list, s.pageStart, first))
                        s.readPosition = s.pageStart + kHeaderSize + first.length;
                    ShowPage(s);
                }
            }
        } else if (key == screen::kKeyPgUp) {
            PageUp(s);
        } else if (key == screen::kKeyPgDn) {
            if (s.nextPage > 0) {
                MoveBy(s, s.rows);
                s.readPosition = s.nextPage;
                ShowPage(s);
            }
        } else {
            break;
        }
    }

    int16_t result = -1;
    if (key == screen::kKeyEnter) {
        if (def.file == 0)
            result = 0;
        else if (def.file > 0 && s.current.recordPosition != 0)
            result = static_cast<int16_t>(data::RecordPosition(def.file, s.current.recordPosition));
    }
    s.list.file.reset();
    platform::RemoveFile(path);

    if (key == screen::kKeyF4 && def.f4Browse > 0) {
        // A pick in the inner list has no field to go to, and the outer file's record buffer
        // no longer holds a picked record: the outer list counts as cancelled.
        if (RunBrowse(def.f4Browse) == 0) ApplyBrowsePick(def.f4Browse, 0, 0);
        result = -1;
    }

    SetKeyTable("-", "");
    screen::PopWindow();
    screen::SetColour("-");
    if (def.file > 0) data::SetLockMode(def.file, "-", status);
    return result;
}

} // namespace forms
