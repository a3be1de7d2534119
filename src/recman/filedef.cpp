#include "recman/filedef.h"

#include "recman/btrcall.h"

#include <algorithm>

namespace recman {

namespace {

uint16_t Get16(const uint8_t* p) {
    return static_cast<uint16_t>(p[0] | (p[1] << 8));
}

bool ValidPageSize(uint16_t size) {
    if (size == 8192 || size == 16384) return true;
    return size >= 512 && size <= 4096 && size % 512 == 0;
}

// Most segments a file of this page size may have.
int SegmentLimit(uint16_t pageSize) {
    if (pageSize == 512) return 8;
    if (pageSize == 1024) return 23;
    if (pageSize == 1536) return 24;
    if (pageSize < 4096) return 54;
    return 119;
}

bool IsTextType(uint8_t type) {
    return type == kTypeOldString || type == kTypeString || type == kTypeLString ||
           type == kTypeZString;
}

// 0 when the segment length suits the type, 29 when it does not, 49 for a type we do not keep.
int16_t CheckTypeLength(uint8_t type, int length) {
    auto in = [length](std::initializer_list<int> allowed) {
        return std::find(allowed.begin(), allowed.end(), length) != allowed.end();
    };
    switch (type) {
    case kTypeOldString:
    case kTypeOldBinary:
    case kTypeString:
        return 0;
    case kTypeInteger:
    case kTypeUnsigned:
        return in({1, 2, 4, 8}) ? 0 : kInvalidKeyLength;
    case kTypeFloat:
        return in({4, 8}) ? 0 : kInvalidKeyLength;
    case kTypeDate:
    case kTypeTime:
        return length == 4 ? 0 : kInvalidKeyLength;
    case kTypeDecimal:
    case kTypeMoney:
        return length <= 10 ? 0 : kInvalidKeyLength;
    case kTypeLogical:
        return in({1, 2}) ? 0 : kInvalidKeyLength;
    case kTypeLString:
    case kTypeZString:
        return length >= 2 ? 0 : kInvalidKeyLength;
    case kTypeAutoIncrement:
        return in({2, 4}) ? 0 : kInvalidKeyLength;
    default:
        return kInvalidKeyType;
    }
}

bool KnownType(uint8_t type) {
    return CheckTypeLength(type, 1) != kInvalidKeyType;
}

} // namespace

int16_t ParseFileSpec(const uint8_t* data, size_t length, FileSpec& spec) {
    spec = FileSpec{};
    if (length < kFileBlockSize) return kDataBufferTooShort;
    spec.recordLength = Get16(data);
    spec.pageSize = Get16(data + 2);
    uint16_t keyCount = Get16(data + 4);
    spec.flags = Get16(data + 10);
    if (!ValidPageSize(spec.pageSize)) return kPageSizeError;
    if (keyCount > 119) return kNumberOfKeys;

    // Walk the keys: each runs over segments while the "another segment follows" flag is set.
    std::vector<const uint8_t*> blocks;
    size_t offset = kFileBlockSize;
    for (int k = 0; k < keyCount; ++k) {
        Key key;
        key.firstSegment = static_cast<int>(blocks.size());
        for (;;) {
            if (blocks.size() >= 119) return kNumberOfKeys;
            if (offset + kSegmentBlockSize > length) return kDataBufferTooShort;
            const uint8_t* b = data + offset;
            offset += kSegmentBlockSize;
            blocks.push_back(b);
            Segment seg;
            seg.position = Get16(b);
            seg.length = Get16(b + 2);
            seg.flags = Get16(b + 4);
            if (seg.flags & kKeyExtType)
                seg.type = b[10];
            else
                seg.type = (seg.flags & kKeyBinary) ? kTypeOldBinary : kTypeOldString;
            seg.nullByte = b[11];
            key.segments.push_back(seg);
            if (!(seg.flags & kKeySegmented)) break;
        }
        spec.keys.push_back(std::move(key));
    }
    spec.totalSegments = static_cast<int>(blocks.size());
    if (spec.totalSegments > SegmentLimit(spec.pageSize)) return kNumberOfKeys;
    if (spec.recordLength < 4 || spec.recordLength > spec.pageSize - 8) return kInvalidRecordLength;

    for (const Key& key : spec.keys)
        for (const Segment& seg : key.segments)
            if (seg.position == 0 || seg.position + seg.length - 1 > spec.recordLength)
                return kInvalidKeyPosition;

    for (Key& key : spec.keys) {
        for (const Segment& seg : key.segments) {
            if (seg.length == 0) return kInvalidKeyLength;
            key.length += seg.length;
            if (KnownType(seg.type) && CheckTypeLength(seg.type, seg.length) != 0)
                return kInvalidKeyLength;
        }
        if (key.length > kMaxKeyLength) return kInvalidKeyLength;
    }

    for (const Key& key : spec.keys)
        for (const Segment& seg : key.segments)
            if (!KnownType(seg.type)) return kInvalidKeyType;

    // Collating sequences: a segment with the alternate flag uses the first block, or with
    // the case flag as well, the block its number names (numbered sequences).
    int acsCount = 0;
    for (size_t i = 0; i < spec.keys.size(); ++i) {
        for (size_t s = 0; s < spec.keys[i].segments.size(); ++s) {
            Segment& seg = spec.keys[i].segments[s];
            const uint8_t* b = blocks[spec.keys[i].firstSegment + s];
            if (seg.flags & kKeyAlt) {
                int number = (seg.flags & kKeyNoCase) ? b[15] : 0;
                if (IsTextType(seg.type)) seg.acs = number;
                acsCount = std::max(acsCount, number + 1);
            } else if (seg.flags & kKeyNoCase) {
                seg.noCase = IsTextType(seg.type);
            }
        }
    }
    for (int a = 0; a < acsCount; ++a) {
        if (offset + kAcsBlockSize > length) return kInvalidAcs;
        const uint8_t* b = data + offset;
        if (b[0] != 0xAC) return kInvalidAcs;
        Acs acs;
        std::copy(b + 9, b + kAcsBlockSize, acs.map.begin());
        spec.acs.push_back(acs);
        offset += kAcsBlockSize;
    }

    for (Key& key : spec.keys) {
        const Segment& first = key.segments.front();
        const uint16_t keyWide = kKeyDup | kKeyMod | kKeyNullAll | kKeyNullAny;
        for (const Segment& seg : key.segments)
            if ((seg.flags & keyWide) != (first.flags & keyWide)) return kInconsistentKeyFlags;
        if ((first.flags & kKeyNullAll) && (first.flags & kKeyNullAny))
            return kInconsistentKeyFlags;
        key.duplicates = first.flags & kKeyDup;
        key.modifiable = first.flags & kKeyMod;
        key.nullAll = first.flags & kKeyNullAll;
        key.nullAny = first.flags & kKeyNullAny;
        for (Segment& seg : key.segments) {
            bool decimal = seg.type == kTypeDecimal || seg.type == kTypeMoney;
            seg.formLength = seg.length + (decimal ? 1 : 0);
            if (seg.type == kTypeAutoIncrement && key.duplicates) return kInconsistentKeyFlags;
        }
    }

    spec.bytes.assign(reinterpret_cast<const char*>(data), offset);
    return kOk;
}

std::string KeyValue(const Key& key, const uint8_t* record) {
    std::string value;
    value.reserve(key.length);
    for (const Segment& seg : key.segments)
        value.append(reinterpret_cast<const char*>(record + seg.position - 1), seg.length);
    return value;
}

bool KeyLeftOut(const Key& key, const uint8_t* keyValue) {
    if (!key.nullAll && !key.nullAny) return false;
    bool anyNull = false, allNull = true;
    const uint8_t* p = keyValue;
    for (const Segment& seg : key.segments) {
        bool isNull = std::all_of(p, p + seg.length, [&](uint8_t c) { return c == seg.nullByte; });
        anyNull |= isNull;
        allNull &= isNull;
        p += seg.length;
    }
    return key.nullAny ? anyNull : allNull;
}

namespace {

void AppendReversed(std::string& out, const uint8_t* v, int length) {
    for (int i = length - 1; i >= 0; --i)
        out.push_back(static_cast<char>(v[i]));
}

void AppendText(const FileSpec& spec, const Segment& seg, std::string& out, const uint8_t* v,
                int length) {
    for (int i = 0; i < length; ++i) {
        uint8_t c = v[i];
        if (seg.acs >= 0)
            c = spec.acs[seg.acs].map[c];
        else if (seg.noCase && c >= 'a' && c <= 'z')
            c = static_cast<uint8_t>(c - 'a' + 'A');
        out.push_back(static_cast<char>(c));
    }
}

void AppendSegmentForm(const FileSpec& spec, const Segment& seg, const uint8_t* v,
                       std::string& out) {
    const size_t start = out.size();
    const int length = seg.length;
    switch (seg.type) {
    case kTypeOldString:
    case kTypeString:
        AppendText(spec, seg, out, v, length);
        break;
    case kTypeOldBinary:
    case kTypeUnsigned:
    case kTypeAutoIncrement:
    case kTypeLogical:
    case kTypeDate:
    case kTypeTime:
        AppendReversed(out, v, length);
        break;
    case kTypeInteger:
        AppendReversed(out, v, length);
        out[start] = static_cast<char>(out[start] ^ 0x80);
        break;
    case kTypeFloat:
        AppendReversed(out, v, length);
        if (static_cast<uint8_t>(out[start]) & 0x80) {
            for (size_t i = start; i < out.size(); ++i)
                out[i] = static_cast<char>(~out[i]);
        } else {
            out[start] = static_cast<char>(out[start] ^ 0x80);
        }
        break;
    case kTypeDecimal:
    case kTypeMoney: {
        // Packed digits with the sign in the last half byte (0xB or 0xD: negative). The form
        // is a sign byte, then the digits, nine-complemented when negative.
        uint8_t sign = v[length - 1] & 0x0F;
        bool negative = sign == 0x0B || sign == 0x0D;
        out.push_back(negative ? 0 : 1);
        for (int i = 0; i < length; ++i) {
            uint8_t hi = std::min<uint8_t>(v[i] >> 4, 9), lo = std::min<uint8_t>(v[i] & 0x0F, 9);
            if (i == length - 1) lo = 0;
            if (negative) {
                hi = 9 - hi;
                if (i != length - 1) lo = 9 - lo;
            }
            out.push_back(static_cast<char>((hi << 4) | lo));
        }
        break;
    }
    case kTypeLString: {
        // Length byte first: the text, zero-filled, then its length so that a shorter text
        // sorts before a longer one it begins.
        int n = std::min<int>(v[0], length - 1);
        AppendText(spec, seg, out, v + 1, n);
        out.append(static_cast<size_t>(length - 1 - n), '\0');
        out.push_back(static_cast<char>(n));
        break;
    }
    case kTypeZString: {
        int n = 0;
        while (n < length && v[n] != 0)
            ++n;
        AppendText(spec, seg, out, v, n);
        out.append(static_cast<size_t>(length - n), '\0');
        break;
    }
    default:
        out.append(reinterpret_cast<const char*>(v), length);
        break;
    }
    if (seg.flags & kKeyDescending)
        for (size_t i = start; i < out.size(); ++i)
            out[i] = static_cast<char>(~out[i]);
}

} // namespace

std::string KeyForm(const FileSpec& spec, const Key& key, const uint8_t* keyValue) {
    std::string form;
    form.reserve(key.length + key.segments.size());
    const uint8_t* p = keyValue;
    for (const Segment& seg : key.segments) {
        AppendSegmentForm(spec, seg, p, form);
        p += seg.length;
    }
    return form;
}

} // namespace recman
