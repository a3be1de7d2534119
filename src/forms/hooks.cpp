#include "forms/hooks.h"

#include "data/datafiles.h"
#include "forms/fields.h"
#include "forms/formdef.h"
#include "text/calendar.h"
#include "text/texthelpers.h"

#include <algorithm>
#include <span>

namespace forms {

namespace {

// The report's data files: properties and flats.
constexpr data::FileNumber kPropertyFile = 506;
constexpr data::FileNumber kFlatFile = 507;

// Browse numbers of this program: the properties list, and the flats lists starting at the
// first and at the last property of the range.
constexpr int16_t kPropertiesList = 1;
constexpr int16_t kFlatsFromFirst = 2;
constexpr int16_t kFlatsFromLast = 3;

// n bytes from an offset of the current record of a data file, taken from the record buffer
// registered for it; blanks where the file is not open or the buffer is shorter.
std::string RecordBytes(data::FileNumber file, size_t offset, size_t n) {
    std::string out(n, ' ');
    const int slot = data::FindSlot(file);
    if (slot == 0) return out;
    const std::span<char> buffer = data::DataFileTable[static_cast<size_t>(slot)].recordBuffer;
    if (offset >= buffer.size()) return out;
    const size_t available = std::min(n, buffer.size() - offset);
    std::copy_n(buffer.begin() + static_cast<std::ptrdiff_t>(offset), available, out.begin());
    return out;
}

// The last three digits of the packed number at the start of the current record.
std::string LastThreeDigits(data::FileNumber file, size_t packedBytes) {
    const std::string digits = text::UnpackDigits(RecordBytes(file, 0, packedBytes));
    return digits.size() > 3 ? digits.substr(digits.size() - 3) : digits;
}

// The number a pick in a list stands for: the property number, or the flat number.
std::string PickedNumber(int16_t browse) {
    if (browse == kPropertiesList) return LastThreeDigits(kPropertyFile, 2);
    if (browse == kFlatsFromFirst || browse == kFlatsFromLast) return LastThreeDigits(kFlatFile, 4);
    return {};
}

} // namespace

void ApplyBrowsePick(int16_t browse, int16_t form, int16_t field) {
    if (browse != kPropertiesList && browse != kFlatsFromFirst && browse != kFlatsFromLast) return;
    // A pick in a list opened from inside another list names no field.
    if (form == 0 || field == 0 || !FieldExists(form, field)) return;
    StoreField(form, PickedNumber(browse), field);
}

std::string BrowseLineText(int16_t browse) {
    if (browse == kPropertiesList)
        return PickedNumber(browse) + "  " + RecordBytes(kPropertyFile, 8, 30);
    if (browse == kFlatsFromFirst || browse == kFlatsFromLast)
        return PickedNumber(browse) + "  " + RecordBytes(kFlatFile, 8, 30) + "  " +
               RecordBytes(kFlatFile, 38, 10);
    return {};
}

int16_t BrowseStartKey(int16_t browse, std::string& key, std::string& prefix) {
    key.clear();
    // The flats lists start at the first flat of the property typed in the range's first or
    // last property field, and keep to that property.
    const int16_t field = browse == kFlatsFromFirst ? 2 : browse == kFlatsFromLast ? 4 : 0;
    if (field != 0 && FieldExists(1, field)) key = text::PackCodeKey("0" + Field(1, field).value);
    prefix = key;
    return 0;
}

} // namespace forms
