// Property and flat records for test fixtures.
#pragma once

#include "report/records.h"
#include "text/calendar.h"

#include <cstring>
#include <string>

namespace testsupport {

inline std::string FourDigits(int n) {
    std::string s = std::to_string(n);
    return std::string(4 - std::min<size_t>(4, s.size()), '0') + s;
}

inline void PutText(char* field, size_t width, const std::string& cp850) {
    std::memset(field, ' ', width);
    std::memcpy(field, cp850.data(), std::min(width, cp850.size()));
}

inline std::string PropertyBytes(int number, const std::string& address, char addressKind = ' ') {
    report::PropertyRecord p;
    std::memset(&p, ' ', sizeof p);
    std::memcpy(p.propertyCode, text::PackDigits(FourDigits(number)).data(), 2);
    PutText(p.propertyAddress, sizeof p.propertyAddress, address);
    p.addressKind = addressKind;
    return std::string(reinterpret_cast<const char*>(&p), sizeof p);
}

// start: "YYYYMMDD", or empty for the zero date (no contract).
inline std::string FlatBytes(int property, int flat, const std::string& holder, const std::string& name,
                             const std::string& start, int16_t months, const std::string& address = "") {
    report::FlatRecord f;
    std::memset(&f, ' ', sizeof f);
    std::memcpy(f.flatCode, text::PackDigits(FourDigits(property) + FourDigits(flat)).data(), 4);
    PutText(f.holderName, sizeof f.holderName, holder);
    PutText(f.flatName, sizeof f.flatName, name);
    PutText(f.flatAddress, sizeof f.flatAddress, address);
    std::memcpy(f.contractStart, (start.empty() ? text::kZeroDate : text::PackDigits(start)).data(), 4);
    f.contractMonths[0] = static_cast<char>(months & 0xFF);
    f.contractMonths[1] = static_cast<char>((months >> 8) & 0xFF);
    return std::string(reinterpret_cast<const char*>(&f), sizeof f);
}

} // namespace testsupport
